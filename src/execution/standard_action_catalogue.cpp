#include "execution/standard_action_catalogue.hpp"

#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/action_branches.hpp"
#include "execution/action_table.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_texts.hpp"
#include "execution/query_strings.hpp"
#include "execution/retry_classification.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"
#include "model/work_queue.hpp"

namespace vz {
namespace {

constexpr std::string_view kRunLocation = "clsDatabaseRequest.Run";
constexpr const char* kLoginRefused = "Unspecified error trying to login to database";

// The source-control operation of an action in a work-queue mode; 0 when a check-in of an ungraded
// version is skipped, -1 when the mode has no operation for the action.
int SourceControlOperation(std::int32_t action, std::int16_t mode, bool versionGraded) {
  const bool review = mode == 3;
  switch (action) {
    case 3: return review ? 6 : 1;
    case 4: return review ? (versionGraded ? 9 : 0) : 2;
    case 5: return 4;
    case 6: return review ? 8 : 3;
    case 32: return review ? 6 : (mode == 2 || mode == 4 ? -1 : 5);
    case 53: return 7;
    default: return -1;
  }
}

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
    return {Value(url),
            Value(queue ? queue->RetrieveLocked() : std::int16_t{0}),
            Value(queue ? queue->RetrieveLocation() : std::int16_t{-1}),
            Value(login),
            Value(password),
            Value(queue ? queue->NumToRetrieve() : std::int16_t{-1}),
            Value(mode),
            Value(""),
            Value(false),
            Value(false),
            Value(""),
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
  switch (entry.flag) {
    case FlagMeaning::NotHandled:
      RaiseServerError(kUnrecognizedRequestType);
    case FlagMeaning::SourceControl:
      StartSourceControl(request, entry);
      return;
    default:
      break;
  }
  const auto generic = TakeParameterSet(request, entry);
  if (!PrepareAction(request, entry, generic)) return;
  StartCall(request, entry, generic);
}

void StandardActionCatalogue::StartSourceControl(clsDatabaseRequest& request, const ActionEntry& entry) {
  const auto queue = request.WorkQueue();
  const int operation = SourceControlOperation(entry.id, queue ? queue->WorkQueueMode() : 0, request.IsVersionGraded());
  if (operation == 0) {
    // Nothing to check in: the request goes on with its next action.
    request.ResumePump();
    return;
  }
  if (operation < 0) {
    // This mode has no such operation: go on with the next action rather than leave the request
    // waiting for a completion nothing will bring.
    GlobalTrace(kRunLocation, "No source-control operation for action " + std::to_string(entry.id) + " in this work-queue mode.");
    request.ResumePump();
    return;
  }
  auto service = services_->Create(entry.field);
  request.SetService(std::string(entry.field), service);
  const auto values = InitValuesFor(request, entry.field);
  GlobalTrace(kRunLocation, std::string(entry.field) + ".Init " +
                                InitTrace(values, request.ConnectionInfo() ? request.ConnectionInfo()->Password() : ""));
  service->Init(values);
  const std::weak_ptr<clsDatabaseRequest> weak = std::static_pointer_cast<clsDatabaseRequest>(request.shared_from_this());
  service->OnCompletion([self = shared_from_this(), weak, &entry](bool errors) {
    if (const auto alive = weak.lock()) self->OnCompleted(*alive, entry, errors);
  });
  if (!service->Start(std::string(entry.call), {Value(std::int32_t{operation}), DictationListValue(request)})) {
    request.SetGlobalErrorMessage(std::string(entry.refusal));
    request.CloseRequest();
  }
}

void StandardActionCatalogue::StartCall(clsDatabaseRequest& request, const ActionEntry& entry,
                                         const std::shared_ptr<clsGenericRequest>& generic) {
  const std::string field(entry.field);
  auto service = services_->Create(field);
  request.SetService(field, service);
  // The header actions that fetch templates keep a template object alongside, without a call.
  if (entry.id == 9 || entry.id == 31) request.SetService("m_Tr", services_->Create("m_Tr"));

  const auto values = InitValuesFor(request, field);
  GlobalTrace(kRunLocation, field + ".Init " + InitTrace(values, request.ConnectionInfo() ? request.ConnectionInfo()->Password() : ""));
  service->Init(values);
  std::vector<Value> arguments = CallArguments(request, entry, generic);

  const std::weak_ptr<clsDatabaseRequest> weak = std::static_pointer_cast<clsDatabaseRequest>(request.shared_from_this());
  service->OnCompletion([self = shared_from_this(), weak, &entry](bool errors) {
    if (const auto alive = weak.lock()) self->OnCompleted(*alive, entry, errors);
  });
  service->OnStatus([weak](const std::string& status) {
    if (const auto alive = weak.lock()) alive->HandleStatus(status);
  });

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
  ErrorTrap("clsDatabaseRequest", entry.handler)([&] {
    const std::string where = "clsDatabaseRequest." + std::string(entry.handler);
    GlobalTrace(where, "Entering " + std::string(entry.handler));
    const auto service = request.Service(std::string(entry.field));
    if (!service) return;
    switch (entry.id) {
      case 0: return request.m_Fup_UploadComplete(*service, errorsOccurred);
      case 1: return request.m_Fud_DownloadComplete(*service, errorsOccurred);
      case 2: return request.m_Wr_RetrievalComplete(*service, errorsOccurred);
      case 8: return request.m_Ir_RetrievalComplete(*service, errorsOccurred);
      case 10: return request.m_Sp_RetrievalComplete(*service, errorsOccurred);
      case 30: return request.m_objGetTemplateDocs_RetrievalComplete(*service, errorsOccurred);
      case 38: return request.m_objDownloadText_DownloadComplete(*service, errorsOccurred);
      case 41: return request.m_objSecureLogin_RetrievalComplete(*service, errorsOccurred);
      case 57: return request.m_objDownloadDictionaries_RetrievalComplete(*service, errorsOccurred);
      default: break;
    }

    std::shared_ptr<clsGenericRequest> generic;
    if (!entry.parameters.empty()) {
      generic = request.objfnHandleVanillaGenericRequest(std::string(entry.name), entry.id);
      if (!generic) return;
    }

    if (errorsOccurred) {
      if (IsFileListField(entry.field)) {
        // A time-out among the per-dictation errors retries the action; the others stay with
        // their dictations and the request goes on.
        bool timedOut = false;
        std::string timeOutMessage;
        request.HandleDictationListErrors(service->ErrorMessages(), entry.id, timedOut, timeOutMessage);
        if (timedOut) {
          if (generic) generic->Clear();
          request.MarkCompletedUtterances(static_cast<std::int32_t>(service->UtterancesCompleted().size()),
                                          request.NextActionIndex());
          request.SetupRequestForRetry(timeOutMessage, generic);
          return;
        }
      } else {
        const std::string message = service->getErrorMessage();
        if (bfnRequestTimeOutMessage(message)) {
          if (generic) generic->Clear();
          request.SetupRequestForRetry(message, generic);
          return;
        }
        if (!generic) {
          GlobalTrace(where, message);
          request.SetGlobalErrorMessage(message);
          request.CloseRequest();
          return;
        }
        GlobalTrace(where, "Error returned: " + message);
        generic->ErrorMessages()->Add(Value(message));
      }
    } else {
      const std::string answer = service->getXMLResponse();
      if (entry.id == 2 && request.WorkQueue()) {
        GlobalTrace(where, "Assigning XML response.");
        request.WorkQueue()->SetXMLResponse(answer);
      } else if (generic) {
        GlobalTrace(where, "Assigning XML response.");
        const auto strings = generic->ResponseStrings();
        strings->Add(answer, std::to_string(strings->Count() + 1));
      }
    }
    request.ResumePump();
  });
}

}  // namespace vz
