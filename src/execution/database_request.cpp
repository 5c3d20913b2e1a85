#include "execution/database_request.hpp"

#include <atomic>
#include <charconv>

#include "diagnostics/error_trap.hpp"
#include "execution/action_table.hpp"
#include "execution/client_service.hpp"
#include "diagnostics/trace.hpp"
#include "model/connect_info.hpp"
#include "model/generic_requests.hpp"
#include "model/work_queue.hpp"
#include "platform/random_name.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";

std::string Where(std::string_view operation) { return std::string(kClass).append(".").append(operation); }

}  // namespace

void EmptyActionCatalogue::StartAction(clsDatabaseRequest&, std::int32_t) {
  RaiseServerError(kUnrecognizedRequestType);
}

clsDatabaseRequest::clsDatabaseRequest(std::weak_ptr<RequestHost> host, std::shared_ptr<ActionCatalogue> catalogue)
    : host_(std::move(host)), catalogue_(std::move(catalogue)) {
  if (!catalogue_) catalogue_ = std::make_shared<EmptyActionCatalogue>();
}

std::string clsDatabaseRequest::CallKey() {
  if (callNonce_.empty()) callNonce_ = platform::RandomName();
  return callNonce_ + "." + std::to_string(currentRequest_);
}

clsDatabaseRequest::~clsDatabaseRequest() {
  try {
    if (TraceWanted()) GlobalTrace(Where("Class_Terminate"), "Terminating DBRequest: " + id_);
  } catch (...) {
    // A destructor never lets the trace's binary-data refusal escape.
  }
}

void clsDatabaseRequest::SetupRequestList(const std::vector<std::int32_t>& arrRequests) {
  ErrorTrap(kClass, "SetupRequestList")([&] {
    if (arrRequests.size() > static_cast<size_t>(INT16_MAX)) Raise(kErrOverflow, "Overflow");
    actions_ = arrRequests;
    numRequests_ = static_cast<std::int16_t>(arrRequests.size());
    currentRequest_ = 0;
  });
}

void clsDatabaseRequest::Run() {
  ErrorTrap(kClass, "Run")([&] {
    const std::string where = Where("Run");
    GlobalTrace(where, "Entering sub.");
    active_ = true;
    ResetRequestObjects();
    const std::string url = connectionInfo_ ? connectionInfo_->CurrentDatabaseURL() : std::string();
    const std::string current = connectionInfo_ ? connectionInfo_->CurrentLocation() : std::string();
    if (TraceWanted()) GlobalTrace(where, "URL = " + url + ".  m_sLocation = " + location_ +
                           ". m_objConnectionInfo.CurrentLocation = " + current);
    if (currentRequest_ >= numRequests_) {
      // Nothing left to start: hand the request back so that the pump deactivates it.
      CloseRequest();
      return;
    }
    const LocationCheck location = CheckLocation(where);
    if (location == LocationCheck::Closed) return;
    if (location == LocationCheck::SameOrCached) {
      currentAction_ = actions_[static_cast<size_t>(currentRequest_)];
      ++currentRequest_;
      if (current == location_) {
        if (TraceWanted()) GlobalTrace(where, "Incremented m_nCurrentRequest to: " + std::to_string(currentRequest_) +
                               ".  NumActions: " + std::to_string(numRequests_));
      }
    }
    if (bfnUtteranceListNeeded(currentAction_) && lfnSetupUtteranceList() == 0) {
      GlobalTrace(where, "No utterances found to process for an action which needs them.  Closing request.");
      // During a retry the dictations still to do may all be done already: go on with the next action.
      if (retries_ > 0) {
        ResumePump();
      } else {
        CloseRequest();
      }
      return;
    }
    // An inserted action keeps the place of the one it precedes, which the index still names.
    ReportActionStarted(location == LocationCheck::LocationInfoInserted ? currentRequest_ + 1 : currentRequest_);
    StartCurrentAction();
  });
}

void clsDatabaseRequest::StartCurrentAction() {
  for (;;) {
    awaitingCompletion_ = true;
    try {
      catalogue_->StartAction(*this, currentAction_);
      return;
    } catch (...) {
      awaitingCompletion_ = false;
      const AutomationError error = CurrentErrorAsAutomationError();
      // A branch that raised (an unknown action, a refused login, ...) started nothing whose
      // completion could continue the request: after the report it ends with the error's text,
      // unless the answer asks to try the branch again.
      if (ReportTrappedError(error, kClass, "Run") == 4 /* Retry */) continue;
      ResetRequestObjects();
      globalErrorMessage_ = error.Description();
      CloseRequest();
      return;
    }
  }
}

std::int16_t clsDatabaseRequest::ActionsRemaining() const {
  const auto remaining = static_cast<std::int16_t>(numRequests_ - currentRequest_);
  // Asked several times a step: the detail line is built only when it would be written.
  if (TraceLevel() >= kTraceDetail) {
    GlobalTrace(Where("ActionsRemaining"), "ActionsRemaining = " + std::to_string(remaining), kTraceDetail);
  }
  return remaining;
}

std::int32_t clsDatabaseRequest::CurrentActionID() const {
  return ErrorTrap(kClass, "CurrentActionID")([&]() -> std::int32_t {
    if (currentRequest_ < 0 || currentRequest_ >= numRequests_) Raise(kErrSubscriptOutOfRange, "Subscript out of range");
    return actions_[static_cast<size_t>(currentRequest_)];
  });
}

void clsDatabaseRequest::DeActivate() {
  ErrorTrap(kClass, "DeActivate")([&] {
    const std::string where = Where("DeActivate");
    if (TraceWanted()) GlobalTrace(where, "Entering sub. ID = " + id_);
    if (truncated_) GlobalTrace(where, "Request " + id_ + " was truncated.");
    const auto host = host_.lock();
    if (host) host->HeartbeatTimeOutMonitor();
    active_ = false;
    deactivated_ = true;
    ReportDone();
    if (host) host->RaiseDatabaseRequestComplete(Self());
    GlobalTrace(where, "Exiting sub.");
  });
}

namespace {
std::atomic<std::uint64_t> truncations{0};
}  // namespace

std::uint64_t clsDatabaseRequest::Truncations() { return truncations.load(std::memory_order_relaxed); }

void clsDatabaseRequest::MarkTruncated() {
  truncated_ = true;
  truncations.fetch_add(1, std::memory_order_relaxed);
}

void clsDatabaseRequest::TruncateRequest() {
  ErrorTrap(kClass, "TruncateRequest")([&] {
    const std::string where = Where("TruncateRequest");
    GlobalTrace(where, "Truncating request " + id_);
    MarkTruncated();
    ResetRequestObjects();
    GlobalTrace(where, "Calling gobjZERUredoz.MakeNewFormHandler directly");
    if (const auto host = host_.lock()) host->MakeNewFormHandler();
    globalErrorMessage_ = "Request truncated.";
    CloseRequest();
  });
}

void clsDatabaseRequest::Abandon(const std::string& why) {
  if (!awaitingCompletion_ && currentRequest_ >= numRequests_) return;
  GlobalTrace(Where("Abandon"), "Abandoning request " + id_ + ": " + why);
  MarkTruncated();
  ResetRequestObjects();
  globalErrorMessage_ = why;
  currentRequest_ = numRequests_;
}

void clsDatabaseRequest::CloseRequest() {
  if (TraceWanted()) GlobalTrace(Where("CloseRequest"), "m_nNumRequests = " + std::to_string(numRequests_));
  currentRequest_ = numRequests_;
  ResumePump();
}

void clsDatabaseRequest::ResumePump() {
  awaitingCompletion_ = false;
  if (const auto host = host_.lock()) host->EnablePump();
}

void clsDatabaseRequest::ResetRequestObjects() {
  // A released object never completes: a call in flight can no longer reach this request.
  services_.clear();
  awaitingCompletion_ = false;
}

void clsDatabaseRequest::SetService(const std::string& field, std::shared_ptr<ClientServiceObject> service) {
  if (service) {
    service->OnProgress([weak = weak_from_this()](const TransferProgress& transfer) {
      if (const auto self = weak.lock()) static_cast<clsDatabaseRequest&>(*self).ReportTransfer(transfer);
    });
  }
  services_[field] = std::move(service);
}

std::shared_ptr<ClientServiceObject> clsDatabaseRequest::Service(const std::string& field) const {
  const auto found = services_.find(field);
  return found == services_.end() ? nullptr : found->second;
}

std::shared_ptr<clsDatabaseRequest> clsDatabaseRequest::NextRequest(std::int32_t prefixLength) {
  if (id_.size() < 5 || prefixLength < 0) return nullptr;
  int number = 0;
  const char* digits = id_.data() + id_.size() - 5;
  if (std::from_chars(digits, id_.data() + id_.size(), number).ec != std::errc()) return nullptr;
  const std::string key = id_.substr(0, static_cast<size_t>(prefixLength)) + std::to_string(number + 1);
  if (TraceWanted()) GlobalTrace(Where("NextRequest"), "Checking for next request: " + key);
  try {
    const auto host = host_.lock();
    return host ? host->FindRequest(key) : nullptr;
  } catch (const AutomationError&) {
    return nullptr;
  }
}

void clsDatabaseRequest::Describe(ClassBuilder<clsDatabaseRequest>& c) {
  using R = clsDatabaseRequest;
  c.Operation("SetupRequestList", &R::SetupRequestList, {"arrRequests"})
      .Operation("Run", &R::Run)
      .Property("ActionsRemaining", [](const R& r) { return Value(r.ActionsRemaining()); })
      .Operation("CurrentActionID", &R::CurrentActionID)
      .Operation("ActionDescription", &R::ActionDescription, {"eAction"})
      .Operation("DeActivate", &R::DeActivate)
      .Property("Active", &R::Active, &R::SetActive)
      .Operation("TruncateRequest", &R::TruncateRequest)
      .Property("Truncated", &R::Truncated)
      .Property("Ignore", &R::Ignore, &R::SetIgnore)
      .Property("ID", [](const R& r) { return Value(r.ID()); }, [](R& r, const Value& v) { r.SetID(v.ToString()); })
      .Property("Location", &R::Location, &R::SetLocation)
      .Property("GlobalErrorMessage", &R::GlobalErrorMessage, &R::SetGlobalErrorMessage)
      .Property("ShowProgress", &R::ShowProgress, &R::SetShowProgress)
      .Property("Discardable", &R::Discardable, &R::SetDiscardable)
      .Property("CompletionAction", &R::CompletionAction, &R::SetCompletionAction)
      .Property("MaxRetries", &R::MaxRetries, &R::SetMaxRetries)
      .Property("IsVersionGraded", &R::IsVersionGraded, &R::SetIsVersionGraded)
      .Property("SplitDictationID", &R::SplitDictationID, &R::SetSplitDictationID)
      .Property("UsePendingReasons", &R::UsePendingReasons, &R::SetUsePendingReasons)
      .Property("UseMTReview", &R::UseMTReview, &R::SetUseMTReview)
      .Property("Retries", &R::Retries)
      .WriteOnlyProperty("ContinueRetries", &R::SetContinueRetries)
      .Property("Utterances", &R::Utterances, &R::SetUtterances)
      .Property("WorkQueue", &R::WorkQueue, &R::SetWorkQueue)
      .Property("GenericRequests", &R::GenericRequests, &R::SetGenericRequests)
      .Property("ConnectionInfo", &R::ConnectionInfo, &R::SetConnectionInfo)
      .Operation("ConstructDescription", &R::ConstructDescription)
      .Operation("Description", &R::Description, {"eState"})
      .Operation("sfnErrorMessagesAsOneString", &R::sfnErrorMessagesAsOneString)
      .Operation("RunTraceRouteLogger", &R::RunTraceRouteLogger, {"sMessage"})
      .Operation("HandleDictationListErrors", &R::HandleDictationListErrors,
                 {"sarrErrorMessages", "eAction", "bTimeoutOccurred", "sTimeoutMessage"})
      .Operation("ApplyStatusUpdates", &R::ApplyStatusUpdates, {"eStatChange"})
      .Operation("UpdateStatusCodes", &R::UpdateStatusCodes, {"eCode", "sMsg"})
      .Operation("CreateEmptyQAGFile", &R::CreateEmptyQAGFile, {"sUtteranceID"});
}

}  // namespace vz
