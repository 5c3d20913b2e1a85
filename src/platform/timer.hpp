#pragma once
// Timer: the on/off interval timer that drives the request pump, with the semantics of a desktop
// window timer.
//
// - Enabled starts off. Enabling starts the countdown of Interval milliseconds; the timer then
//   ticks every Interval until disabled. Enabling an enabled timer changes nothing.
// - Setting Interval while enabled restarts the countdown.
// - Ticks never overlap: when the time of a tick comes while a tick is still running (it runs
//   long, or re-enters the loop), one tick is delivered on the loop turn after it returns.
// - Disabling stops further ticks, including one whose time has come but that has not been
//   delivered yet.
// - Interval 0 ticks on the next turn of the loop, and on every turn while enabled.
// - The timer may be disabled, re-armed or destroyed from inside its own tick.
#include <chrono>
#include <functional>
#include <memory>

#include "platform/clock.hpp"

namespace vz {

class Timer {
 public:
  using TickHandler = std::function<void()>;

  explicit Timer(Clock& clock, std::chrono::milliseconds interval = std::chrono::milliseconds(0),
                 TickHandler onTick = {});
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const;
  void SetEnabled(bool enabled);

  std::chrono::milliseconds Interval() const;
  // A negative interval is refused with std::invalid_argument and changes nothing.
  void SetInterval(std::chrono::milliseconds interval);

  void SetTickHandler(TickHandler onTick);
  // Whether a tick is running now (the handler is on the stack).
  bool Ticking() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vz
