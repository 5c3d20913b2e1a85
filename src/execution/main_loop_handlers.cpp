// The completions of the editor's main loop: the work queue becomes dictation records, downloads
// are normalised and marked downloaded, text downloads and uploads update the dictations' state.
#include <algorithm>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "dictation/work_queue_extraction.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/retry_classification.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/work_queue.hpp"
#include "object/dispatch.hpp"

namespace vz {
namespace {

// Status changes and codes the main loop applies.
constexpr std::int32_t kStatusChangeUploaded = 1;
constexpr std::int32_t kStatusCodeUploaded = 3;

}  // namespace

void clsDatabaseRequest::RetryOrCloseWith(const std::string& message, std::string_view traceAt) {
  if (bfnRequestTimeOutMessage(message)) {
    SetupRequestForRetry(message, nullptr);
    return;
  }
  if (!traceAt.empty()) GlobalTrace(traceAt, message);
  globalErrorMessage_ = message;
  CloseRequest();
}

bool clsDatabaseRequest::HandleFileListErrorsOrRetry(ClientServiceObject& service, std::int32_t action,
                                                     const std::shared_ptr<clsGenericRequest>& generic,
                                                     const std::function<void(std::size_t)>& beforeRetry) {
  bool timedOut = false;
  std::string timeOutMessage;
  HandleDictationListErrors(service.ErrorMessages(), action, timedOut, timeOutMessage);
  if (!timedOut) return false;
  if (generic) generic->Clear();
  const auto completed = static_cast<std::size_t>(
      CompletedBeforeTimeOut(static_cast<std::int32_t>(service.UtterancesCompleted().size())));
  MarkCompletedUtterances(static_cast<std::int32_t>(completed), currentRequest_);
  if (beforeRetry) beforeRetry(completed);
  SetupRequestForRetry(timeOutMessage, generic);
  return true;
}

bool clsDatabaseRequest::ExtractWorkQueue(const ObjectRef& collection, const std::string& where) {
  // The editor learns from the request what became of the answer: one that does not parse ends
  // the request with the parser's text, rows left out are named in GlobalErrorMessage, and a
  // request left without a single dictation ends.
  dictation::ExtractionOutcome outcome;
  try {
    outcome = dictation::ExtractWorkQueueAnswer(*workQueue_, collection);
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError();
    GlobalErrorsLog(where, error.Description());
    globalErrorMessage_ = error.Description();
    CloseRequest();
    return false;
  }
  if (outcome.rejections.empty() && outcome.duplicates.empty()) return true;
  // At most five rows named per kind; the errors log has them all.
  const auto listed = [](std::string text, const std::vector<std::string>& rows) {
    constexpr std::size_t kNamed = 5;
    for (std::size_t i = 0; i < rows.size() && i < kNamed; ++i) text += "\r\n" + rows[i];
    if (rows.size() > kNamed) text += "\r\n... and " + std::to_string(rows.size() - kNamed) + " more (see the errors log).";
    return text;
  };
  std::string text;
  if (const std::size_t rejected = outcome.rejections.size(); rejected > 0) {
    text = listed("The work queue answer held " + std::to_string(rejected) + (rejected == 1 ? " dictation" : " dictations") +
                      " that could not be read:",
                  outcome.rejections);
  }
  if (const std::size_t repeated = outcome.duplicates.size(); repeated > 0) {
    if (!text.empty()) text += "\r\n";
    text += listed("The work queue answer listed " + std::to_string(repeated) + (repeated == 1 ? " row" : " rows") +
                       " of a dictation already listed; the first row of each was kept:",
                   outcome.duplicates);
  }
  globalErrorMessage_ = text;
  const auto dictations = Dictations();
  if (dictations && dictations->Count() > 0) return true;
  GlobalTrace(where, "No dictation of the work queue answer could be read.  Closing request.");
  CloseRequest();
  return false;
}

void clsDatabaseRequest::m_Wr_RetrievalComplete(ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_Wr_RetrievalComplete";
  GlobalTrace(where, "Entering m_Wr_RetrievalComplete");
  if (bErrors) {
    RetryOrCloseWith(service.getErrorMessage(), where);
    return;
  }
  GlobalTrace(where, "Assigning XML response.");
  if (workQueue_) workQueue_->SetXMLResponse(service.getXMLResponse());
  if (!utterances_ && workQueue_) {
    // The answer becomes the request's dictations only when it has none yet.
    ObjectRef collection = std::make_shared<clsUtterances>();
    utterances_ = collection;
    if (!ExtractWorkQueue(collection, where)) return;
    const std::int32_t level = workQueue_->HighPriorityLevelRequired();
    if (level > 0) {
      GlobalTrace(where, "HighPriorityLevelRequired: " + std::to_string(level));
      bool found = false;
      const auto dictations = Dictations();
      if (!dictations || dictations->Count() == 0) {
        GlobalTrace(where, "No dictations in collection.");
      } else {
        const auto first = dictations->Items().front();
        const std::string id = std::to_string(first->UtteranceID());
        const std::string priority = dispatch::Get(*first, "Priority").ToString();
        long number = 0;
        try {
          number = Value(priority).ToLong();
          found = number <= level;
        } catch (const AutomationError&) {
          found = false;
        }
        GlobalTrace(where, "Dictation " + id + (found ? " is high enough priority: " : " not high enough priority: ") + priority);
      }
      if (!found) {
        GlobalTrace(where, "Closing up request because no high priority dictations are available.");
        globalErrorMessage_ = "No High Priority Dictations Available";
        CloseRequest();
        return;
      }
      GlobalTrace(where, "Continuing request to get high priority dictations.");
    }
  }
  ResumePump();
}

void clsDatabaseRequest::m_Fud_DownloadComplete(ClientServiceObject& service, bool bErrors) {
  GlobalTrace("clsDatabaseRequest.m_Fud_DownloadComplete", "Entering fud_DownloadComplete");
  // Audio that arrived before a time-out is normalised before the retry: the retry leaves those
  // dictations out of its list, and so out of its own normalisation. One that fails its checksum
  // puts every dictation back into the download.
  const auto normaliseCompleted = [this](std::size_t completed) {
    if (completed > 0 && !NormalizeDownloads(completed).empty()) RepeatWholeDownload();
  };
  if (bErrors && HandleFileListErrorsOrRetry(service, 1, nullptr, normaliseCompleted)) return;
  const std::string retryReason = NormalizeDownloads();
  if (retryReason.empty()) {
    ApplyStatusUpdates(kRecordDownload);
    ResumePump();
    return;
  }
  RepeatWholeDownload();
  SetupRequestForRetry(retryReason, nullptr);
}

void clsDatabaseRequest::RepeatWholeDownload() {
  // No dictation counts as done for this action any more.
  if (const auto dictations = Dictations()) {
    for (const auto& dictation : dictations->Items()) dictation->SetLastActionCompleted(static_cast<std::int16_t>(currentRequest_ - 1));
  }
}

void clsDatabaseRequest::m_objDownloadText_DownloadComplete(ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objDownloadText_DownloadComplete";
  GlobalTrace(where, "Entering m_objDownloadText_DownloadComplete");
  if (bErrors) {
    GlobalTrace(where, "m_objDownloadText_DownloadComplete errorsEncountered");
    if (HandleFileListErrorsOrRetry(service, 38, nullptr)) return;
  }
  GlobalTrace(where, "Leaving m_objDownloadText_DownloadComplete");
  ResumePump();
}

void clsDatabaseRequest::m_Fup_UploadComplete(ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_Fup_UploadComplete";
  const auto generic = genericRequests_ ? genericRequests_->NextAction(0, REQUEST_STATE::NotCompleted) : nullptr;
  if (!generic) {
    GlobalTrace(where, "GenericObjects collection uninitialized on return from DBR_UPLOAD request.");
    globalErrorMessage_ = "Unexpected internal error: Could not retrieve GenericRequest object when handling DBR_UPLOAD request.";
    GlobalErrorsLog(where, globalErrorMessage_);
    CloseRequest();
    return;
  }
  GlobalTrace(where, "Entering fup_UploadComplete");
  if (bErrors) {
    const auto errors = service.ErrorMessages();
    // The host was not reached at all: keep the dictations for a later upload instead of
    // retrying (retry_classification.hpp says which failures these are).
    const auto noHost = std::find_if(errors.begin(), errors.end(), [](const std::string& text) { return bfnNoRemoteHostMessage(text); });
    if (noHost != errors.end()) {
      GlobalTrace(where, "No remote host: " + *noHost);
      HandleNoRemoteHostOnUpload();
      return;
    }
    if (HandleFileListErrorsOrRetry(service, 0, generic)) return;
  }
  ApplyStatusUpdates(kStatusChangeUploaded);
  UpdateStatusCodes(kStatusCodeUploaded, "");
  ResumePump();
}

}  // namespace vz
