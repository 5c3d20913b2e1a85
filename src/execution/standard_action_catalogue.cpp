#include "execution/standard_action_catalogue.hpp"

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/action_table.hpp"
#include "execution/database_request.hpp"
#include "execution/review_arguments.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/work_queue.hpp"

namespace vz {
namespace {
constexpr const char* kLoginRefused = "Unspecified error trying to login to database";

}  // namespace

std::vector<Value> InitValuesFor(const clsDatabaseRequest& request, std::string_view field) {
  const auto info = request.ConnectionInfo();
  const auto queue = request.WorkQueue();
  const std::string url = info ? info->CurrentDatabaseURL() : std::string();
  const std::string login = info ? info->Transcriptionist() : std::string();
  const std::string password = info ? info->Password() : std::string();
  const std::string downloadPath = info ? info->DownloadPath() : std::string();
  const std::int16_t mode = queue ? queue->WorkQueueMode() : std::int16_t{0};
  if (field == "m_Ir") {
    return {Value(info ? info->InformationURL() : std::string()), Value(request.Location()), Value(login), Value(password)};
  }
  if (field == "m_Wr") {
    const ReviewArguments review = GetRDRArgs(request);
    return {Value(url),
            Value(queue ? queue->RetrieveLocked() : std::int16_t{0}),
            Value(queue ? queue->RetrieveLocation() : std::int16_t{-1}),
            Value(login),
            Value(password),
            Value(queue ? queue->NumToRetrieve() : std::int16_t{-1}),
            Value(mode),
            Value(review.rdrTranscriptionist),
            Value(review.includeViewing),
            Value(review.includeViewed),
            Value(review.rdrReviewer),
            Value(request.UseMTReview())};
  }
  if (field == "m_Fud" || field == "m_objDownloadText") {
    return {Value(url), Value(downloadPath), Value(login), Value(password), Value(mode), Value(request.UseMTReview())};
  }
  if (field == "m_Fup") {
    // How the dictation was worked on travels only when exactly one dictation is uploaded.
    Value closingSpeed("");
    Value timeOpen("");
    const auto& list = request.DictationList();
    const auto dictations = request.Dictations();
    const auto single = list.size() == 1 && dictations
                            ? dictations->Item("U" + std::to_string(list[0].utteranceID), list[0].documentVersion)
                            : nullptr;
    if (single) {
      closingSpeed = Value(single->ClosingAudioSpeed());
      timeOpen = Value(single->AggregateTimeOpen());
    }
    return {Value(url), Value(downloadPath), Value(login), Value(password), Value(info ? info->PenwrightVersion() : std::string()),
            closingSpeed, timeOpen, Value(mode), Value(request.UseMTReview())};
  }
  return {Value(url), Value(login), Value(password), Value(std::to_string(info ? info->CurrentLocationID() : 0))};
}

std::string InitTrace(const std::vector<Value>& values, const std::string& password) {
  std::string text;
  for (const Value& value : values) {
    if (!text.empty()) text += ", ";
    std::string shown;
    try {
      shown = value.ToString();
    } catch (const AutomationError&) {
      shown = "?";
    }
    text += !password.empty() && shown == password ? std::string(password.size(), '*') : shown;
  }
  return text;
}

void StandardActionCatalogue::StartAction(clsDatabaseRequest& request, std::int32_t action) {
  const ActionEntry& entry = ActionEntryFor(action);
  const ActionBranch* branch = BranchFor(action);
  if (entry.flag == FlagMeaning::NotHandled || branch == nullptr) RaiseServerError(kUnrecognizedRequestType);
  if (branch->start) {
    branch->start(request, entry, *this);
    return;
  }
  const bool takesParameterSet = branch->takesParameterSet || !entry.parameters.empty();
  const auto requests = request.GenericRequests();
  const auto generic = takesParameterSet && requests ? requests->NextAction(entry.id, REQUEST_STATE::NotTransmitted) : nullptr;
  if (branch->prepare && !branch->prepare(request, generic)) return;
  StartCall(request, entry, *branch, generic);
}

std::shared_ptr<ClientServiceObject> StandardActionCatalogue::NewService(clsDatabaseRequest& request, const ActionEntry& entry) {
  const std::string field(entry.field);
  auto service = services_->Create(field);
  service->SetCallKey(request.CallKey());
  request.SetService(field, service);
  // The header actions that fetch templates keep a template object alongside, without a call.
  if (entry.id == 9 || entry.id == 31) request.SetService("m_Tr", services_->Create("m_Tr"));
  const std::weak_ptr<clsDatabaseRequest> weak = std::static_pointer_cast<clsDatabaseRequest>(request.shared_from_this());
  service->OnCompletion([self = shared_from_this(), weak, &entry](bool errors) {
    if (const auto alive = weak.lock()) self->OnCompleted(*alive, entry, errors);
  });
  service->OnStatus([weak](const std::string& status) {
    if (const auto alive = weak.lock()) alive->HandleStatus(status);
  });
  return service;
}

void StandardActionCatalogue::StartCall(clsDatabaseRequest& request, const ActionEntry& entry, const ActionBranch& branch,
                                        const std::shared_ptr<clsGenericRequest>& generic) {
  const auto service = NewService(request, entry);
  const auto values = InitValuesFor(request, entry.field);
  GlobalTrace(kRunLocation, std::string(entry.field) + ".Init " +
                                InitTrace(values, request.ConnectionInfo() ? request.ConnectionInfo()->Password() : ""));
  service->Init(values);
  std::vector<Value> arguments = branch.arguments ? branch.arguments(request, entry, generic) : TableArguments(entry, generic);

  const bool flag = service->Start(std::string(entry.call), std::move(arguments));
  switch (entry.flag) {
    case FlagMeaning::Accepted:
      if (!flag) {
        request.SetGlobalErrorMessage(std::string(entry.refusal));
        request.CloseRequest();
      }
      break;
    case FlagMeaning::Failed:
      if (flag) {
        GlobalErrorsLog(kRunLocation, entry.refusal);
        request.CloseRequest();
      }
      break;
    case FlagMeaning::LoginAccepted:
      if (!flag) RaiseServerError(kLoginRefused);
      break;
    default:
      break;
  }
}

void StandardActionCatalogue::OnCompleted(clsDatabaseRequest& request, const ActionEntry& entry, bool errorsOccurred) {
  for (;;) {
    try {
      const auto service = request.Service(std::string(entry.field));
      const ActionBranch* branch = BranchFor(entry.id);
      if (!service || branch == nullptr || branch->complete == nullptr) return;
      branch->complete(request, *service, errorsOccurred);
      return;
    } catch (...) {
      // The handler's trap. A handler that raised has neither handed the request back to the pump
      // nor closed it: after the report, it ends with the error's text, so that the editor hears
      // how it ended, unless the answer asks to run the handler again.
      const AutomationError error = CurrentErrorAsAutomationError();
      if (ReportTrappedError(error, "clsDatabaseRequest", entry.handler) == 4 /* Retry */) continue;
      request.SetGlobalErrorMessage(error.Description());
      request.CloseRequest();
      return;
    }
  }
}

}  // namespace vz
