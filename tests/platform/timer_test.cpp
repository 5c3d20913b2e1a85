#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/manual_clock.hpp"
#include "platform/timer.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;

class TimerTest : public ::testing::Test {
 protected:
  ManualClock clock_;
  int ticks_ = 0;
  Timer timer_{clock_, 100ms, [this] { ++ticks_; }};
};

TEST_F(TimerTest, TicksEveryIntervalOnlyWhileEnabled) {
  clock_.AdvanceBy(1000ms);
  EXPECT_EQ(ticks_, 0);
  timer_.SetEnabled(true);
  clock_.AdvanceBy(99ms);
  EXPECT_EQ(ticks_, 0);
  clock_.AdvanceBy(1ms);
  EXPECT_EQ(ticks_, 1);
  clock_.AdvanceBy(250ms);
  EXPECT_EQ(ticks_, 3);
  timer_.SetEnabled(false);
  clock_.AdvanceBy(1000ms);
  EXPECT_EQ(ticks_, 3);
  EXPECT_EQ(clock_.PendingAlarms(), 0u);
}

TEST_F(TimerTest, ReEnablingRestartsTheCountdownButEnablingAgainDoesNot) {
  timer_.SetEnabled(true);
  clock_.AdvanceBy(60ms);
  timer_.SetEnabled(true);  // already on: the countdown goes on
  clock_.AdvanceBy(40ms);
  EXPECT_EQ(ticks_, 1);
  clock_.AdvanceBy(50ms);
  timer_.SetEnabled(false);
  timer_.SetEnabled(true);  // off and on: a full interval from now
  clock_.AdvanceBy(99ms);
  EXPECT_EQ(ticks_, 1);
  clock_.AdvanceBy(1ms);
  EXPECT_EQ(ticks_, 2);
}

TEST_F(TimerTest, ChangingTheIntervalWhileEnabledRestartsTheCountdown) {
  timer_.SetEnabled(true);
  clock_.AdvanceBy(80ms);
  timer_.SetInterval(50ms);
  clock_.AdvanceBy(49ms);
  EXPECT_EQ(ticks_, 0);
  clock_.AdvanceBy(1ms);
  EXPECT_EQ(ticks_, 1);

  // While disabled it only changes what the next enabling uses.
  timer_.SetEnabled(false);
  timer_.SetInterval(5000ms);
  clock_.AdvanceBy(10000ms);
  EXPECT_EQ(ticks_, 1);
  EXPECT_EQ(timer_.Interval(), 5000ms);

  EXPECT_THROW(timer_.SetInterval(-1ms), std::invalid_argument);
  EXPECT_EQ(timer_.Interval(), 5000ms);
}

TEST_F(TimerTest, ZeroIntervalTicksOnTheNextTurnNeverInline) {
  timer_.SetInterval(0ms);
  timer_.SetEnabled(true);
  EXPECT_EQ(ticks_, 0);
  clock_.Turn();
  EXPECT_EQ(ticks_, 1);  // one tick per turn, even though its next one is due at once
  clock_.Turn();
  EXPECT_EQ(ticks_, 2);

  // The pump's pattern: each tick switches the timer off until work completes.
  timer_.SetTickHandler([this] {
    ++ticks_;
    timer_.SetEnabled(false);
  });
  clock_.Turn();
  clock_.Turn();
  EXPECT_EQ(ticks_, 3);
  timer_.SetEnabled(true);
  clock_.Turn();
  EXPECT_EQ(ticks_, 4);
}

TEST_F(TimerTest, ATickThatReEntersTheLoopIsNeverOverlapped) {
  int depth = 0;
  int deepest = 0;
  std::vector<std::chrono::milliseconds> tickTimes;
  timer_.SetTickHandler([&] {
    ++depth;
    deepest = std::max(deepest, depth);
    tickTimes.push_back(clock_.Now());
    if (tickTimes.size() == 1) clock_.AdvanceBy(350ms);  // runs long, pumping the loop meanwhile
    --depth;
  });
  timer_.SetEnabled(true);
  clock_.AdvanceBy(100ms);
  EXPECT_EQ(deepest, 1);
  ASSERT_EQ(tickTimes.size(), 1u);
  // The ticks that fell due meanwhile come as one, on the turn after the long tick returned.
  clock_.Turn();
  ASSERT_EQ(tickTimes.size(), 2u);
  EXPECT_EQ(tickTimes[1], 450ms);
  clock_.AdvanceBy(100ms);
  ASSERT_EQ(tickTimes.size(), 3u);
  EXPECT_EQ(tickTimes[2], 550ms);
  EXPECT_EQ(deepest, 1);
}

TEST_F(TimerTest, DisablingInsideATickStopsFurtherTicks) {
  timer_.SetTickHandler([this] {
    ++ticks_;
    timer_.SetEnabled(false);
  });
  timer_.SetEnabled(true);
  clock_.AdvanceBy(1000ms);
  EXPECT_EQ(ticks_, 1);
  EXPECT_FALSE(timer_.Enabled());
}

TEST_F(TimerTest, DisablingDropsATickThatIsDueButNotDelivered) {
  // Both are due at 100 ms; the first one's tick disables the second before its turn.
  Timer other(clock_, 100ms, [this] { ticks_ += 10; });
  timer_.SetTickHandler([&] {
    ++ticks_;
    other.SetEnabled(false);
  });
  timer_.SetEnabled(true);
  other.SetEnabled(true);
  clock_.AdvanceBy(100ms);
  EXPECT_EQ(ticks_, 1);
  clock_.AdvanceBy(1000ms);
  EXPECT_EQ(ticks_, 11);  // the first timer goes on alone
}

TEST(TimerOrderTest, TimersTickInDueOrderThenArmingOrder) {
  ManualClock clock;
  std::vector<std::string> order;
  const auto recorder = [&](std::string name) { return [&order, name] { order.push_back(name); }; };
  Timer a(clock, 30ms, recorder("a"));
  Timer b(clock, 10ms, recorder("b"));
  Timer c(clock, 20ms, recorder("c"));
  Timer d(clock, 10ms, recorder("d"));
  for (Timer* t : {&a, &b, &c, &d}) t->SetEnabled(true);
  clock.AdvanceBy(30ms);
  // At 20 ms c, armed first, goes before the re-armed b and d; at 30 ms likewise a.
  EXPECT_EQ(order, (std::vector<std::string>{"b", "d", "c", "b", "d", "a", "b", "d"}));
}

TEST(TimerLifetimeTest, ATimerMayBeDestroyedInsideItsOwnTick) {
  ManualClock clock;
  int ticks = 0;
  auto timer = std::make_unique<Timer>(clock, 10ms);
  timer->SetTickHandler([&] {
    ++ticks;
    timer.reset();
  });
  timer->SetEnabled(true);
  clock.AdvanceBy(100ms);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(timer, nullptr);
  EXPECT_EQ(clock.PendingAlarms(), 0u);
}

TEST(TimerLifetimeTest, AnErrorInATickLeavesTheTimerRunning) {
  ManualClock clock;
  int ticks = 0;
  Timer timer(clock, 10ms, [&] {
    if (++ticks == 1) throw std::runtime_error("tick failed");
  });
  timer.SetEnabled(true);
  EXPECT_THROW(clock.AdvanceBy(10ms), std::runtime_error);
  EXPECT_FALSE(timer.Ticking());
  clock.AdvanceBy(10ms);
  EXPECT_EQ(ticks, 2);
}

}  // namespace
}  // namespace vz
