#pragma once
// The server's single-threaded event loop on Boost.Asio. Timer ticks, completions of outgoing
// calls and automation requests all run as handlers of this loop, one at a time, on the thread
// that runs it; nothing else needs a lock.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>

#include "platform/clock.hpp"

namespace vz {

class EventLoop {
 public:
  EventLoop();
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // For sockets and other Asio objects that live on this loop.
  boost::asio::io_context& Context() { return context_; }
  // Alarms on the loop's steady clock, for timers.
  Clock& LoopClock() { return *clock_; }

  // Runs `task` on a later turn of the loop; safe to call from any thread. An exception a task
  // throws leaves Run (or RunOne, Poll) to its caller, which may run the loop again.
  void Post(std::function<void()> task);

  // Runs handlers until Stop: an idle loop waits rather than returning. Returns the number run.
  std::size_t Run();
  // Runs one handler, waiting for one if none is ready (returns 0 once stopped).
  std::size_t RunOne();
  // Runs the handlers that are ready, without waiting.
  std::size_t Poll();
  // Runs handlers until `done()` holds or `limit` has passed; returns done().
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  // Makes Run return as soon as the current handler ends; the loop stays stopped until Restart.
  void Stop();
  bool Stopped() const { return context_.stopped(); }
  void Restart() { context_.restart(); }

 private:
  boost::asio::io_context context_;
  // Keeps Run waiting while no work is queued.
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> keepRunning_;
  std::unique_ptr<Clock> clock_;
};

}  // namespace vz
