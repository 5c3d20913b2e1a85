#pragma once
// frmTimer: the request pump. One timer drives the queue: each tick runs at most one step of at
// most one request, deactivates and removes a finished one, moves on to the next pending request,
// and leaves the timer off whenever a step is in flight or nothing is left to do. The pump also
// answers the process's close requests.
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/clock.hpp"
#include "platform/timer.hpp"

namespace vz {

class clsDatabaseRequests;

// What the pump asks of the server that owns it (clsZERUredoz, which sits above the pump).
class PumpOwner {
 public:
  virtual void HeartbeatTimeOutMonitor() = 0;
  // While blocked, a tick does nothing.
  virtual bool TimerBlocked() const = 0;
  // The pause before a retried action, in milliseconds.
  virtual std::int32_t RetryTimerInterval() const = 0;
  // A request that may not be discarded is next: later requests are truncated no more.
  virtual void TurnOffTruncateFlag() = 0;

 protected:
  ~PumpOwner() = default;
};

// Why the process is asked to close.
enum class CloseReason { SystemShutdown, TaskManager, OwnerShutdown, ControlMenu, Other };

class frmTimer {
 public:
  // The timer starts disabled with an interval of 1000 ms.
  frmTimer(Clock& clock, PumpOwner& server);
  ~frmTimer();
  frmTimer(const frmTimer&) = delete;
  frmTimer& operator=(const frmTimer&) = delete;

  void SetRequestCollection(std::shared_ptr<clsDatabaseRequests> requests);
  void ReleaseRequestCollection();

  Timer& tmrRequest() { return timer_; }
  // Runs the next tick after a retry's pause; the tick after it returns to the quick pace.
  void ArmForRetry(std::chrono::milliseconds pause);
  // One step of the pump (what a tick runs).
  void tmrRequest_Timer();

  // Answers a close request; true cancels it.
  bool Form_QueryUnload(CloseReason reason);
  void Form_Unload();

 private:
  void Tick();
  // Ends the truncated requests the pump will never choose (GetNextPending skips them): each gets
  // its completion event and leaves the queue.
  void EndSkippedTruncatedRequests(clsDatabaseRequests& queue);
  void ShowTaskManagerWarning();

  PumpOwner& server_;
  std::shared_ptr<clsDatabaseRequests> requests_;
  Timer timer_;
  bool afterRetryPause_ = false;
  // clsDatabaseRequest::Truncations() when the last look found no truncated request queued: until
  // it changes there is none to end, and the tick need not walk the queue.
  std::optional<std::uint64_t> noneTruncatedAt_;
  // False once the window is gone: a tick that raised an event (in which the client may clean
  // the server up) checks it before it touches the window again.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vz
