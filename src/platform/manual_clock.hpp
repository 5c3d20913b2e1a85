#pragma once
// A clock that stands still until a test moves it. AdvanceBy fires the alarms that come due, in
// due order (alarms due at the same moment in the order they were armed), on the calling thread,
// with Now() showing each alarm's due time while it fires.
//
// Loop turns: an alarm armed with a zero delay while the clock is advancing (by a handler of an
// earlier alarm) waits for the next AdvanceBy, which is the next turn of the loop; AdvanceBy(0)
// or Turn() delivers it. A handler may call AdvanceBy itself, as code that re-enters the loop.
#include <chrono>
#include <cstddef>
#include <memory>

#include "platform/clock.hpp"

namespace vz {

class ManualClock : public Clock {
 public:
  ManualClock();
  ~ManualClock() override;

  std::unique_ptr<Alarm> NewAlarm() override;

  // Time since the clock was made.
  std::chrono::milliseconds Now() const;
  // Moves time forward by `step` (zero: one loop turn), firing what comes due on the way.
  void AdvanceBy(std::chrono::milliseconds step);
  void Turn() { AdvanceBy(std::chrono::milliseconds(0)); }
  // Alarms armed and not yet fired or cancelled.
  std::size_t PendingAlarms() const;

 private:
  struct Schedule;
  class ManualAlarm;
  std::shared_ptr<Schedule> schedule_;
};

}  // namespace vz
