#pragma once
// frmTimer: the request pump. One timer drives the queue: each tick runs at most one step of at
// most one request, deactivates and removes a finished one, moves on to the next pending request,
// and leaves the timer off whenever a step is in flight or nothing is left to do. The pump also
// answers the process's close requests.
#include <memory>

#include "platform/clock.hpp"
#include "platform/timer.hpp"

namespace vz {

class clsDatabaseRequests;
class clsZERUredoz;

// Why the process is asked to close.
enum class CloseReason { SystemShutdown, TaskManager, OwnerShutdown, ControlMenu, Other };

class frmTimer {
 public:
  // The timer starts disabled with an interval of 1000 ms.
  frmTimer(Clock& clock, clsZERUredoz& server);
  ~frmTimer();
  frmTimer(const frmTimer&) = delete;
  frmTimer& operator=(const frmTimer&) = delete;

  void SetRequestCollection(std::shared_ptr<clsDatabaseRequests> requests);
  void ReleaseRequestCollection();

  Timer& tmrRequest() { return timer_; }
  // One step of the pump (what a tick runs).
  void tmrRequest_Timer();

  // Answers a close request; true cancels it.
  bool Form_QueryUnload(CloseReason reason);
  void Form_Unload();

 private:
  void Tick();
  void ShowTaskManagerWarning();

  clsZERUredoz& server_;
  std::shared_ptr<clsDatabaseRequests> requests_;
  Timer timer_;
};

}  // namespace vz
