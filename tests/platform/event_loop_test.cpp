#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/event_loop.hpp"
#include "platform/timer.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;

TEST(EventLoopTest, PostedTasksRunInOrderOnTheLoop) {
  EventLoop loop;
  std::vector<int> order;
  loop.Post([&] {
    order.push_back(1);
    loop.Post([&] { order.push_back(3); });
  });
  loop.Post([&] { order.push_back(2); });
  EXPECT_TRUE(loop.RunUntil([&] { return order.size() == 3; }, 1000ms));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(EventLoopTest, StopEndsRunAndAPostFromAnotherThreadWakesIt) {
  EventLoop loop;
  std::thread poster([&] { loop.Post([&] { loop.Stop(); }); });
  loop.Run();  // an idle loop waits; the posted task stops it
  poster.join();
  EXPECT_TRUE(loop.Stopped());
  loop.Restart();
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 2ms));
}

TEST(EventLoopTest, RealTimerTicksRepeatedlyWithoutOverlapping) {
  EventLoop loop;
  int ticks = 0;
  int depth = 0;
  int deepest = 0;
  Timer timer(loop.LoopClock(), 1ms);
  timer.SetTickHandler([&] {
    ++depth;
    deepest = std::max(deepest, depth);
    // The first tick re-enters the loop for a few milliseconds, across several due ticks.
    if (++ticks == 1) loop.RunUntil([] { return false; }, 4ms);
    --depth;
  });
  timer.SetEnabled(true);
  EXPECT_TRUE(loop.RunUntil([&] { return ticks >= 3; }, 2000ms));
  EXPECT_EQ(deepest, 1);
  timer.SetEnabled(false);
}

TEST(EventLoopTest, DisablingBeforeTheLoopTurnsDropsTheDueTick) {
  EventLoop loop;
  int ticks = 0;
  Timer timer(loop.LoopClock(), 0ms, [&] {
    ++ticks;
    // Stays off until re-enabled, as the pump does.
  });
  timer.SetEnabled(true);
  timer.SetEnabled(false);
  loop.RunUntil([] { return false; }, 2ms);
  EXPECT_EQ(ticks, 0);

  timer.SetTickHandler([&] {
    ++ticks;
    timer.SetEnabled(false);
  });
  timer.SetEnabled(true);
  EXPECT_TRUE(loop.RunUntil([&] { return ticks == 1; }, 1000ms));
}

}  // namespace
}  // namespace vz
