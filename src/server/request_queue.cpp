#include "server/request_queue.hpp"

#include <cstdio>
#include <filesystem>

#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/dictation_texts.hpp"
#include "model/connect_info.hpp"
#include "model/request_spec.hpp"
#include "platform/ini_file.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequests";
// The completion action whose requests the diagnostic switch holds back.
constexpr std::int32_t kLabTestCompletionAction = 40;

std::string_view KeyPrefix(std::int32_t queueType) {
  switch (queueType) {
    case 0: return "DBR";
    case 1: return "HDBR";
    case 2: return "UDBR";
    default: return {};
  }
}

std::string IndexText(const Value& index) {
  try {
    return index.ToString();
  } catch (const AutomationError&) {
    return "?";
  }
}

}  // namespace

bool LabTestDelaySwitch() {
  const auto file = std::filesystem::path(ApplicationPath().empty() ? "." : ApplicationPath()) / "LabTest.ini";
  if (!std::filesystem::exists(file)) return false;
  try {
    return Value(platform::ReadIniString(file, "BugRepro", "20654", "False", 50)).ToBoolean();
  } catch (const AutomationError&) {
    return false;
  }
}

clsDatabaseRequests::clsDatabaseRequests(std::weak_ptr<RequestHost> host, std::shared_ptr<ActionCatalogue> catalogue)
    : host_(std::move(host)), catalogue_(std::move(catalogue)), connectionInfo_(std::make_shared<clsConnectInfo>()) {
  GlobalTrace("clsDatabaseRequests.TermInit", "Initialize");
}

clsDatabaseRequests::~clsDatabaseRequests() {
  try {
    GlobalTrace("clsDatabaseRequests.TermInit", "Terminate");
    GlobalTrace("clsDatabaseRequests.Class_Terminate", "Begin Termination");
    currentRequest_.reset();
    requests_.Clear();
    GlobalTrace("clsDatabaseRequests.Class_Terminate", "End Termination");
  } catch (...) {
    // Destruction goes on whatever the trace says.
  }
}

void clsDatabaseRequests::SetQueueType(std::int32_t type) {
  ErrorTrap(kClass, "QueueType")([&] {
    if (KeyPrefix(type).empty()) Raise(380, "Invalid property value: QueueType " + std::to_string(type) + " (0, 1 or 2)");
    queueType_ = type;
  });
}

std::string clsDatabaseRequests::NewKey() {
  if (keyCounter_ == INT16_MAX) Raise(kErrOverflow, "Overflow");
  ++keyCounter_;
  char digits[8];
  std::snprintf(digits, sizeof digits, "%05d", static_cast<int>(keyCounter_));
  return std::string(KeyPrefix(queueType_)) + digits;
}

std::shared_ptr<clsDatabaseRequest> clsDatabaseRequests::Add(const std::shared_ptr<clsRequestSpec>& objRequestSpec) {
  return ErrorTrap(kClass, "Add")([&]() -> std::shared_ptr<clsDatabaseRequest> {
    constexpr std::string_view where = "clsDatabaseRequests.Add";
    if (!acceptingRequests_) return nullptr;
    if (!connectionInfo_) RaiseServerError("Connection info is not initialized in DatabaseRequests collection");
    if (!objRequestSpec) Raise(kErrObjectNotSet, "Object variable or With block variable not set");
    const std::vector<std::int32_t> actions = objRequestSpec->ActionList();

    auto request = std::make_shared<clsDatabaseRequest>(host_, catalogue_);
    request->SetID(NewKey());
    const std::string key = request->ID();
    if (TraceWanted()) {
      GlobalTrace(where, "Adding request: " + key + ".  ConnectionInfo: \r\n\tLocation: " +
                             connectionInfo_->CurrentLocation() + "\r\n\tLocationID: " +
                             std::to_string(connectionInfo_->CurrentLocationID()) +
                             "\r\n\tLogin: " + connectionInfo_->Transcriptionist());
    }
    if (TraceWanted()) GlobalTrace(where, "Adding request. ObjRequestSpec.Location: " + objRequestSpec->Location());

    request->SetLocation(objRequestSpec->Location());
    request->SetShowProgress(false);
    request->SetMaxRetries(objRequestSpec->MaxRetries());
    request->SetDiscardable(objRequestSpec->Discardable());
    request->SetIsVersionGraded(objRequestSpec->IsVersionGraded());
    ClearDictationErrors(objRequestSpec->Utterances());
    request->SetUtterances(objRequestSpec->Utterances());
    request->SetWorkQueue(objRequestSpec->WorkQueue());
    request->SetGenericRequests(objRequestSpec->GenericRequests());
    request->SetConnectionInfo(connectionInfo_);
    request->SetupRequestList(actions);
    request->SetCompletionAction(objRequestSpec->CompletionAction());
    request->ConstructDescription();

    requests_.Add(request, request->ID());
    if (SummaryWanted()) GlobalSummaryLog(where, request->Description(kAddedToQueue));

    const bool holdBack = request->CompletionAction() == kLabTestCompletionAction && LabTestDelaySwitch();
    if (holdBack) {
      if (TraceWanted()) GlobalTrace(where, "Reproducing TTP 20654, delaying databaserequestid: " + request->ID());
      requestActive_ = true;
    }
    if (!requestActive_) {
      requestActive_ = true;
      currentRequest_ = requests_.Item(1);
      currentRequestKey_ = currentRequest_->ID();
      if (SummaryWanted()) GlobalSummaryLog(where, currentRequest_->Description(kStarted));
      if (TraceWanted()) GlobalTrace(where, "Enabling timer for request: " + currentRequestKey_);
      if (const auto host = host_.lock()) host->EnablePump();
    }
    if (holdBack) requestActive_ = false;
    return request;
  });
}

std::shared_ptr<clsDatabaseRequest> clsDatabaseRequests::GetNextPending(std::string& sKey) {
  return ErrorTrap(kClass, "GetNextPending")([&]() -> std::shared_ptr<clsDatabaseRequest> {
    constexpr std::string_view where = "clsDatabaseRequests.GetNextPending";
    if (TraceWanted())
      GlobalTrace(where, "CurKey = " + sKey + ".  Requests in list: " + std::to_string(requests_.Count()));
    std::shared_ptr<clsDatabaseRequest> chosen;
    if (!requests_.Empty()) {
      bool startSearch = false;
      const auto walk = [&] {
        for (const auto& request : requests_) {
          if (TraceWanted()) GlobalTrace(where, "Examining " + request->ID());
          if (request->ID() == sKey) {
            startSearch = true;
          } else if (startSearch && !request->Truncated()) {
            return request;
          }
        }
        return std::shared_ptr<clsDatabaseRequest>();
      };
      chosen = walk();
      if (!chosen && !startSearch) {
        // The current key is gone from the list: take the first request that may run.
        GlobalTrace(where, "Retrying loop.  bStartSearch = FALSE");
        startSearch = true;
        chosen = walk();
      }
    }
    currentRequest_ = chosen;
    if (TraceWanted()) GlobalTrace(where, chosen ? "Returning " + chosen->ID() : std::string("Returning nothing."));
    return chosen;
  });
}

void clsDatabaseRequests::Remove(const Value& Index) {
  if (shutDownInProcess_) {
    try {
      if (TraceWanted()) GlobalTrace("clsDatabaseRequests.Remove", "Removing request " + IndexText(Index));
      requests_.RemoveByIndex(Index);
    } catch (const AutomationError&) {
      GlobalErrorsLog("clsDatabaseRequests.Remove", "Error removing index: " + IndexText(Index) + " during shutdown.");
    }
    return;
  }
  ErrorTrap(kClass, "Remove")([&] {
    if (TraceWanted()) GlobalTrace("clsDatabaseRequests.Remove", "Removing request " + IndexText(Index));
    requests_.RemoveByIndex(Index);
  });
}

void clsDatabaseRequests::RemoveRequest(std::string_view key) {
  if (TraceWanted()) GlobalTrace("clsDatabaseRequests.Remove", "Removing request " + std::string(key));
  requests_.Remove(key);
}

void clsDatabaseRequests::EndAllRequests(const std::string& why) {
  acceptingRequests_ = false;
  for (const auto& request : Requests()) {
    if (request->Deactivated()) continue;  // its event is being raised now; the pump removes it
    const std::string key = request->ID();
    request->Abandon(why);
    request->DeActivate();
    if (Find(key)) RemoveRequest(key);
  }
  requestActive_ = false;
  currentRequest_.reset();
  currentRequestKey_.clear();
}

std::shared_ptr<clsDatabaseRequest> clsDatabaseRequests::Item(const Value& Index) {
  return ErrorTrap(kClass, "Item")([&] { return requests_.ItemByIndex(Index); });
}

std::shared_ptr<clsDatabaseRequest> clsDatabaseRequests::Find(std::string_view key) const {
  const auto* found = requests_.Find(key);
  return found ? *found : nullptr;
}

void clsDatabaseRequests::Describe(ClassBuilder<clsDatabaseRequests>& c) {
  using Q = clsDatabaseRequests;
  c.Operation("GetNextPending", &Q::GetNextPending, {"sKey"})
      .Operation("Add", &Q::Add, {"objRequestSpec"})
      .Property("Count", &Q::Count)
      .Operation("Remove", &Q::Remove, {"Index"})
      .WriteOnlyProperty("ShutDownInProcess", &Q::SetShutDownInProcess)
      .Operation("Item", &Q::Item, {"Index"}).Default()
      .NewEnum(&Q::Requests)
      .Property("CurrentRequestKey", &Q::CurrentRequestKey, &Q::SetCurrentRequestKey)
      .Property("CurrentRequest", &Q::CurrentRequest)
      .Property("RequestActive", &Q::RequestActive, &Q::SetRequestActive)
      .Property("ConnectionInfo", [](const Q& q) { return Value(q.ConnectionInfo()); })
      .Property("AcceptingRequests", &Q::AcceptingRequests, &Q::SetAcceptingRequests)
      .Property("QueueType", &Q::QueueType, &Q::SetQueueType);
}

}  // namespace vz
