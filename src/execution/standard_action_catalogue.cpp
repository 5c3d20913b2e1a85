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
// The template object of the header actions.
constexpr const char* kTemplateField = "m_Tr";

}  // namespace

ServiceInit InitValuesFor(const clsDatabaseRequest& request, Action action) {
  const auto info = request.ConnectionInfo();
  const auto queue = request.WorkQueue();
  const std::string url = info ? info->CurrentDatabaseURL() : std::string();
  const std::string login = info ? info->Transcriptionist() : std::string();
  const std::string password = info ? info->Password() : std::string();
  const std::string downloadPath = info ? info->DownloadPath() : std::string();
  const std::int16_t mode = queue ? queue->WorkQueueMode() : std::int16_t{0};
  switch (action) {
    case Action::DBR_GETLOCATIONINFO:
      return InformationInit{info ? info->InformationURL() : std::string(), request.Location(), login, password};
    case Action::DBR_GETWORKQUEUE: {
      const ReviewArguments review = GetRDRArgs(request);
      return WorkQueueInit{.url = url,
                           .retrieveLocked = queue ? queue->RetrieveLocked() : std::int16_t{0},
                           .retrieveLocation = queue ? queue->RetrieveLocation() : std::int16_t{-1},
                           .login = login,
                           .password = password,
                           .numToRetrieve = queue ? queue->NumToRetrieve() : std::int16_t{-1},
                           .workQueueMode = mode,
                           .rdrTranscriptionist = review.rdrTranscriptionist,
                           .includeViewing = review.includeViewing,
                           .includeViewed = review.includeViewed,
                           .rdrReviewer = review.rdrReviewer,
                           .useMTReview = request.UseMTReview()};
    }
    case Action::DBR_DOWNLOAD:
    case Action::DBR_DOWNLOADTEXT:
      return DownloadInit{url, downloadPath, login, password, mode, request.UseMTReview()};
    case Action::DBR_UPLOAD: {
      UploadInit init{.url = url,
                      .downloadPath = downloadPath,
                      .login = login,
                      .password = password,
                      .clientVersion = info ? info->PenwrightVersion() : std::string(),
                      .workQueueMode = mode,
                      .useMTReview = request.UseMTReview()};
      // How the dictation was worked on travels only when exactly one dictation is uploaded.
      const auto& list = request.DictationList();
      const auto dictations = request.Dictations();
      const auto single = list.size() == 1 && dictations
                              ? dictations->Item("U" + std::to_string(list[0].utteranceID), list[0].documentVersion)
                              : nullptr;
      if (single) {
        init.closingAudioSpeed = std::to_string(single->ClosingAudioSpeed());
        init.timeOpen = std::to_string(single->AggregateTimeOpen());
      }
      return init;
    }
    default:
      return ConnectionInit{url, login, password, std::to_string(info ? info->CurrentLocationID() : 0)};
  }
}

void StandardActionCatalogue::StartAction(clsDatabaseRequest& request, std::int32_t id) {
  const std::optional<Action> action = ActionFromId(id);
  const ActionBranch* branch = action ? BranchFor(*action) : nullptr;
  if (branch == nullptr) RaiseServerError(kUnrecognizedRequestType);
  const ActionEntry& entry = ActionEntryFor(*action);
  if (branch->start) {
    branch->start(request, entry, *this);
    return;
  }
  const bool takesParameterSet = branch->takesParameterSet || !entry.parameters.empty();
  const auto requests = request.GenericRequests();
  const auto generic = takesParameterSet && requests ? requests->NextAction(id, REQUEST_STATE::NotTransmitted) : nullptr;
  if (branch->prepare && !branch->prepare(request, generic)) return;
  StartCall(request, entry, *branch, generic);
}

std::shared_ptr<ClientServiceObject> StandardActionCatalogue::NewService(clsDatabaseRequest& request, const ActionEntry& entry) {
  auto service = services_->Create(entry.action);
  service->SetCallKey(request.CallKey());
  request.SetService(std::string(entry.field), service);
  // The header actions that fetch templates keep a template object alongside, without a call.
  if (entry.action == Action::DBR_GETTEMPLATES || entry.action == Action::DBR_GETCHANGEDHEADER) {
    request.SetService(kTemplateField, services_->Create(entry.action));
  }
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
  ServiceInit init = InitValuesFor(request, entry.action);
  GlobalTrace(kRunLocation, std::string(entry.field) + ".Init " + InitTrace(init));
  service->Init(std::move(init));
  CallArguments arguments = branch.arguments ? branch.arguments(request, entry, generic) : TableArguments(entry, generic);

  const bool flag = service->Start(std::move(arguments));
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
      const ActionBranch* branch = BranchFor(entry.action);
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
