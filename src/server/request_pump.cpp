#include "server/request_pump.hpp"

#include <algorithm>
#include <utility>

#include "diagnostics/abnormal_end.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "model/process_settings.hpp"
#include "server/request_queue.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kTickLocation = "frmTimer.tmrRequest_Timer";
constexpr auto kRetryFollowUpInterval = 100ms;

std::string BoolText(bool value) { return value ? "True" : "False"; }

}  // namespace

frmTimer::frmTimer(Clock& clock, PumpOwner& server) : server_(server), timer_(clock, 1000ms) {
  timer_.SetTickHandler([this] { tmrRequest_Timer(); });
}

frmTimer::~frmTimer() {
  *alive_ = false;
  timer_.SetEnabled(false);
}

void frmTimer::SetRequestCollection(std::shared_ptr<clsDatabaseRequests> requests) {
  ErrorTrap("frmTimer", "SetRequestCollection")([&] { requests_ = std::move(requests); });
}

void frmTimer::ReleaseRequestCollection() {
  ErrorTrap("frmTimer", "ReleaseRequestCollection")([&] { requests_.reset(); });
}

void frmTimer::tmrRequest_Timer() {
  ErrorTrap("frmTimer", "tmrRequest_Timer")([&] { Tick(); });
}

void frmTimer::Tick() {
  GlobalTrace(kTickLocation, "Entering timer event");
  timer_.SetEnabled(false);
  server_.HeartbeatTimeOutMonitor();

  if (server_.TimerBlocked()) {
    GlobalTrace(kTickLocation, "Timer is blocked. Re-enabling.");
    timer_.SetEnabled(true);
    return;
  }
  // Hold the queue for the whole tick: the client may release it from inside an event.
  const std::shared_ptr<clsDatabaseRequests> queue = requests_;
  const std::shared_ptr<const bool> alive = alive_;
  if (!queue || !queue->RequestActive()) {
    GlobalTrace(kTickLocation, "Timer fired with no request active");
    return;
  }
  // The retry delay has passed: the steps after a retry follow each other quickly again. The
  // pause is recognised by the interval the client names, and by having been armed as a pause:
  // the client's value is 0 unless it sets one, and the pause would otherwise stay for good.
  const std::int32_t retryInterval = server_.RetryTimerInterval();
  const bool afterRetryPause = std::exchange(afterRetryPause_, false);
  if (afterRetryPause || (retryInterval != 0 && timer_.Interval() == std::chrono::milliseconds(retryInterval))) {
    timer_.SetInterval(kRetryFollowUpInterval);
  }
  EndSkippedTruncatedRequests(*queue);
  if (!*alive) return;
  std::shared_ptr<clsDatabaseRequest> request = queue->CurrentRequest();
  if (!request) {
    GlobalTrace(kTickLocation, "Timer fired, but no requests are pending.");
    return;
  }

  if (request->ActionsRemaining() == 0 || request->Truncated()) {
    const std::string key = request->ID();
    if (TraceWanted())
      GlobalTrace(kTickLocation, "Deactivating request: " + key + ".  Truncate = " + BoolText(request->Truncated()));
    request->DeActivate();
    if (TraceWanted()) GlobalTrace(kTickLocation, "After deactivating request: " + key);
    // The client may have cleaned the server up from inside the event: the pump is gone.
    if (!*alive) return;

    const bool cancelAll = CurrentProcessSettings().cancelAllRequests;
    std::shared_ptr<clsDatabaseRequest> next;
    if (!cancelAll) {
      std::string currentKey = queue->CurrentKey();
      next = queue->GetNextPending(currentKey);
    }
    if (TraceWanted()) GlobalTrace(kTickLocation, "Before removing request " + key + " from collection.");
    try {
      queue->RemoveRequest(key);
    } catch (...) {
      const AutomationError error = CurrentErrorAsAutomationError();
      GlobalErrorsLog(kTickLocation, "Error " + std::to_string(error.Number()) + " removing " + key + ":\r\n" + error.Description());
    }
    if (TraceWanted()) GlobalTrace(kTickLocation, "After removing request " + key + " from collection.");
    if (cancelAll) return;
    if (!next) {
      GlobalTrace(kTickLocation, "No more requests pending. Exiting with timer disabled.");
      queue->SetRequestActive(false);
      return;
    }
    if (SummaryWanted()) GlobalSummaryLog("DBR Timer Event", next->Description(kStarted));
    queue->SetCurrentRequestKey(Value(next->ID()));
    if (!next->Discardable()) server_.TurnOffTruncateFlag();
    if (TraceWanted()) GlobalTrace(kTickLocation, "Processing next request: " + queue->CurrentKey());
    request = std::move(next);
  }

  if (request->AwaitingCompletion()) {
    // Another request re-enabled the pump (it was truncated while queued): the call in flight
    // is left alone, and its completion re-enables the pump.
    if (TraceWanted()) GlobalTrace(kTickLocation, "Request " + request->ID() + " is waiting for its call to complete.");
    return;
  }
  if (TraceWanted()) GlobalTrace(kTickLocation, "Running DatabaseRequest: " + request->ID());
  request->Run();
}

void frmTimer::EndSkippedTruncatedRequests(clsDatabaseRequests& queue) {
  const std::uint64_t truncations = clsDatabaseRequest::Truncations();
  if (noneTruncatedAt_ == truncations) return;
  const std::vector<std::shared_ptr<clsDatabaseRequest>> requests = queue.Requests();
  if (std::none_of(requests.begin(), requests.end(), [](const auto& request) { return request->Truncated(); })) {
    noneTruncatedAt_ = truncations;
    return;
  }
  noneTruncatedAt_.reset();
  const std::shared_ptr<const bool> alive = alive_;
  const std::shared_ptr<clsDatabaseRequest> current = queue.CurrentRequest();
  for (const auto& request : requests) {
    if (request == current || !request->Truncated()) continue;
    const std::string key = request->ID();
    if (TraceWanted()) GlobalTrace(kTickLocation, "Deactivating truncated request: " + key);
    request->DeActivate();
    if (!*alive) return;
    // The client may have removed it from inside its event.
    if (!queue.Find(key)) continue;
    try {
      queue.RemoveRequest(key);
    } catch (...) {
      const AutomationError error = CurrentErrorAsAutomationError();
      GlobalErrorsLog(kTickLocation, "Error " + std::to_string(error.Number()) + " removing " + key + ":\r\n" + error.Description());
    }
  }
}

void frmTimer::ArmForRetry(std::chrono::milliseconds pause) {
  timer_.SetInterval(pause);
  afterRetryPause_ = true;
  timer_.SetEnabled(true);
}

bool frmTimer::Form_QueryUnload(CloseReason reason) {
  return ErrorTrap("frmTimer", "Form_QueryUnload")([&] {
    constexpr std::string_view where = "frmTimer.Form_QueryUnload";
    switch (reason) {
      case CloseReason::SystemShutdown:
        GlobalErrorsLog(where, "Closed because Windows is shutting down.", 1, true, true);
        MarkAbnormalProcessEnd("OS-ShutDown");
        return false;
      case CloseReason::TaskManager:
        GlobalErrorsLog(where, "Attempted to close from Task Manager.", 1, true, true);
        ShowTaskManagerWarning();
        return true;
      case CloseReason::OwnerShutdown:
        GlobalTrace(where, "Closed because owner is shutting down.");
        return false;
      case CloseReason::ControlMenu:
        GlobalTrace(where, "Closed from control menu.");
        return false;
      case CloseReason::Other:
        break;
    }
    return false;
  });
}

void frmTimer::ShowTaskManagerWarning() {
  MsgBox(std::string("This process is integral to Penwright MT.  You cannot shut it down through the task manager.  "
                     "If you are encountering severe ") +
             "problems, you may shut down Penwright MT through the task manager by going to the applications tab " +
             "of the task manager dialog and shutting down the PenwrightMT process.",
         vbSystemModal, "Penwright MT");
}

void frmTimer::Form_Unload() {
  ErrorTrap("frmTimer", "Form_Unload")([&] {
    timer_.SetEnabled(false);
    requests_.reset();
  });
}

}  // namespace vz
