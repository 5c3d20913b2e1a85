#pragma once
// The time source of timers: the event loop's steady clock in the server, a manual clock in tests
// (manual_clock.hpp), so that timer behaviour is tested without sleeping.
#include <chrono>
#include <functional>
#include <memory>

namespace vz {

// A one-shot wake-up.
class Alarm {
 public:
  virtual ~Alarm() = default;  // destruction cancels

  // Calls `fire` once, from the clock's loop (never from inside Arm), when `delay` has passed;
  // a delay of zero means the next turn of the loop. Replaces any earlier arming.
  virtual void Arm(std::chrono::milliseconds delay, std::function<void()> fire) = 0;

  // After Cancel, a new Arm or destruction, the earlier `fire` is never called, even when its
  // time has already come and its call is queued.
  virtual void Cancel() = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Alarms must not outlive the loop that runs them; a manual clock tolerates either order.
  virtual std::unique_ptr<Alarm> NewAlarm() = 0;
};

}  // namespace vz
