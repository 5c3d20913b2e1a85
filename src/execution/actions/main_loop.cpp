// The editor's main loop: the work queue, the audio and text downloads and the upload. What their
// branches check and send, and their completions: the work queue becomes dictation records,
// downloads are normalised (main_loop_normalisation.cpp) and marked downloaded, text downloads and
// uploads update the dictations' state, and an upload that found no host keeps its dictations for
// later.
#include <algorithm>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "dictation/work_queue_extraction.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/main_loop.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_list.hpp"
#include "execution/retry_classification.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/work_queue.hpp"
#include "object/dispatch.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";

// The "UploadFlags" value as a number, or the error that reading it gave.
std::int32_t UploadFlags(const std::shared_ptr<clsGenericRequest>& generic) {
  const auto text = FindParameter(generic, "UploadFlags");
  if (!text) Raise(kErrInvalidProcedureCall, "Invalid procedure call or argument");
  return Value(*text).ToLong();
}

bool PrepareUpload(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  if (!request.WorkQueue()) return Refuse(request, "Workqueue object is nothing.  This is needed when uploading files");
  const size_t count = request.DictationList().size();
  if (count > 1) {
    GlobalTrace(kRunLocation, "We should only be uploading one dictation at a time through this request, but " +
                                  std::to_string(count) +
                                  " dictations have been specified.  As a result we are going to leave the upload "
                                  "information parameters blank.");
  }
  if (!request.GenericRequests()) return Refuse(request, "GenericRequests collection uninitialized in DBR_UPLOAD");
  if (!generic) return Refuse(request, "GenericRequest object uninitialized in DBR_UPLOAD");
  try {
    UploadFlags(generic);
  } catch (const AutomationError& error) {
    return Refuse(request, "Error " + std::to_string(error.Number()) + " retrieving UploadFlags parameter in DBR_UPLOAD: " +
                               error.Description());
  }
  return true;
}

CallArguments UploadArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  GlobalTrace(kRunLocation, "Uploading utterances: " + request.sfnUtteranceList());
  CallArguments arguments = DictationListArguments(request);
  arguments.named.emplace("UploadFlags", std::to_string(UploadFlags(generic)));
  return arguments;
}

CallArguments DownloadArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>&) {
  GlobalTrace(kRunLocation, "Downloading utterances: " + request.sfnUtteranceList());
  return DictationListArguments(request);
}

bool PrepareWorkQueue(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  const auto queue = request.WorkQueue();
  const auto info = request.ConnectionInfo();
  if (!queue || queue->RetrieveLocation() < 0) return Refuse(request, "RetrieveLocation not initialized in WorkQueue object");
  GlobalTrace(kRunLocation, "During refresh. Location = " + request.Location() + ". LocationID = " + std::to_string(queue->RetrieveLocation()));
  GlobalTrace(kRunLocation, "Querying " + (info ? info->CurrentDatabaseURL() : std::string()) + " for utterances in work queue.");
  return true;
}

// Status changes and codes the main loop applies.
constexpr std::int32_t kStatusChangeUploaded = 1;
constexpr std::int32_t kStatusCodeUploaded = 3;
constexpr std::int32_t kStatusCodeUploadFailed = 6;

// Fills `collection` from the work queue's answer; false when that ended the request.
bool ExtractWorkQueue(clsDatabaseRequest& request, const ObjectRef& collection, const std::string& where) {
  // The editor learns from the request what became of the answer: one that does not parse ends
  // the request with the parser's text, rows left out are named in GlobalErrorMessage, and a
  // request left without a single dictation ends.
  dictation::ExtractionOutcome outcome;
  try {
    outcome = dictation::ExtractWorkQueueAnswer(*request.WorkQueue(), collection);
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError();
    GlobalErrorsLog(where, error.Description());
    request.SetGlobalErrorMessage(error.Description());
    request.CloseRequest();
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
  request.SetGlobalErrorMessage(text);
  const auto dictations = request.Dictations();
  if (dictations && dictations->Count() > 0) return true;
  GlobalTrace(where, "No dictation of the work queue answer could be read.  Closing request.");
  request.CloseRequest();
  return false;
}

void m_Wr_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_Wr_RetrievalComplete";
  GlobalTrace(where, "Entering m_Wr_RetrievalComplete");
  if (bErrors) {
    request.RetryOrCloseWith(service.getErrorMessage(), where);
    return;
  }
  GlobalTrace(where, "Assigning XML response.");
  const auto workQueue = request.WorkQueue();
  if (workQueue) workQueue->SetXMLResponse(service.getXMLResponse());
  if (!request.Utterances() && workQueue) {
    // The answer becomes the request's dictations only when it has none yet.
    ObjectRef collection = std::make_shared<clsUtterances>();
    request.SetUtterances(collection);
    if (!ExtractWorkQueue(request, collection, where)) return;
    const std::int32_t level = workQueue->HighPriorityLevelRequired();
    if (level > 0) {
      GlobalTrace(where, "HighPriorityLevelRequired: " + std::to_string(level));
      bool found = false;
      const auto dictations = request.Dictations();
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
        request.SetGlobalErrorMessage("No High Priority Dictations Available");
        request.CloseRequest();
        return;
      }
      GlobalTrace(where, "Continuing request to get high priority dictations.");
    }
  }
  request.ResumePump();
}

// Makes the next attempt of the download fetch every dictation again.
void RepeatWholeDownload(clsDatabaseRequest& request) {
  // No dictation counts as done for this action any more.
  if (const auto dictations = request.Dictations()) {
    for (const auto& dictation : dictations->Items()) {
      dictation->SetLastActionCompleted(static_cast<std::int16_t>(request.NextActionIndex() - 1));
    }
  }
}

void m_Fud_DownloadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  GlobalTrace("clsDatabaseRequest.m_Fud_DownloadComplete", "Entering fud_DownloadComplete");
  // Audio that arrived before a time-out is normalised before the retry: the retry leaves those
  // dictations out of its list, and so out of its own normalisation. One that fails its checksum
  // puts every dictation back into the download.
  const auto normaliseCompleted = [&request](std::size_t completed) {
    if (completed > 0 && !NormalizeDownloads(request, completed).empty()) RepeatWholeDownload(request);
  };
  if (bErrors && request.HandleFileListErrorsOrRetry(service, 1, nullptr, normaliseCompleted)) return;
  const std::string retryReason = NormalizeDownloads(request);
  if (retryReason.empty()) {
    request.ApplyStatusUpdates(kRecordDownload);
    request.ResumePump();
    return;
  }
  RepeatWholeDownload(request);
  request.SetupRequestForRetry(retryReason, nullptr);
}

void m_objDownloadText_DownloadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objDownloadText_DownloadComplete";
  GlobalTrace(where, "Entering m_objDownloadText_DownloadComplete");
  if (bErrors) {
    GlobalTrace(where, "m_objDownloadText_DownloadComplete errorsEncountered");
    if (request.HandleFileListErrorsOrRetry(service, 38, nullptr)) return;
  }
  GlobalTrace(where, "Leaving m_objDownloadText_DownloadComplete");
  request.ResumePump();
}

// An upload that could not reach the institution's host at all: the user is told at once, every
// listed dictation keeps a redo file and an error text so the editor can upload it later, and the
// request ends instead of retrying.
void HandleNoRemoteHostOnUpload(clsDatabaseRequest& request) {
  ErrorTrap(kClass, "HandleNoRemoteHostOnUpload")([&] {
    const auto info = request.ConnectionInfo();
    const std::string location = info ? info->CurrentLocation() : std::string();
    std::string message = "Your computer could not connect to the " + location +
                          " database.  Please contact your system administrator or Quorvane representative "
                          "immediately!\r\nThe following utterances were not uploaded:\r\n";
    const auto dictations = request.Dictations();
    for (const DictationListEntry& entry : request.DictationList()) {
      const std::string id = std::to_string(entry.utteranceID);
      message += "\r\n" + id;
      WriteRedoUploadFile(request, id);
      const auto dictation = dictations ? dictations->Item("U" + id, entry.documentVersion) : nullptr;
      if (!dictation) continue;
      dictation->SetErrorString(
          "This utterance was not uploaded because the database was not available.  Please contact your system "
          "administrator or Quorvane representative immediately!");
      dictation->SetErrorAction(Value(request.CurrentAction()));
      dictation->UpdateStatusCode(kStatusCodeUploadFailed);
    }
    MsgBox(message, vbOKOnly + vbCritical, "Serious System Problem at " + location);
    request.CloseRequest();
  });
}

void m_Fup_UploadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_Fup_UploadComplete";
  const auto requests = request.GenericRequests();
  const auto generic = requests ? requests->NextAction(0, REQUEST_STATE::NotCompleted) : nullptr;
  if (!generic) {
    GlobalTrace(where, "GenericObjects collection uninitialized on return from DBR_UPLOAD request.");
    request.SetGlobalErrorMessage("Unexpected internal error: Could not retrieve GenericRequest object when handling DBR_UPLOAD request.");
    GlobalErrorsLog(where, request.GlobalErrorMessage());
    request.CloseRequest();
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
      HandleNoRemoteHostOnUpload(request);
      return;
    }
    if (request.HandleFileListErrorsOrRetry(service, 0, generic)) return;
  }
  request.ApplyStatusUpdates(kStatusChangeUploaded);
  request.UpdateStatusCodes(kStatusCodeUploaded, "");
  request.ResumePump();
}

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_UPLOAD,
     .takesParameterSet = true,
     .prepare = PrepareUpload,
     .arguments = UploadArguments,
     .complete = m_Fup_UploadComplete},
    {.action = Action::DBR_DOWNLOAD,
     .arguments = DownloadArguments,
     .complete = m_Fud_DownloadComplete},
    {.action = Action::DBR_GETWORKQUEUE,
     .prepare = PrepareWorkQueue,
     .complete = m_Wr_RetrievalComplete},
    {.action = Action::DBR_DOWNLOADTEXT,
     .arguments = DownloadArguments,
     .complete = m_objDownloadText_DownloadComplete},
};

}  // namespace

void WriteRedoUploadFile(clsDatabaseRequest& request, const std::string& sUtteranceID) {
  ErrorTrap(kClass, "WriteRedoUploadFile")([&] {
    // The identifier becomes part of a file name: anything but digits could lead out of the
    // download folder.
    const auto number = PlainDictationNumber(sUtteranceID);
    if (!number) RaiseServerError("Invalid dictation identifier for a redo file: " + sUtteranceID);
    const std::string file = request.sfnFileRootFromUtterance(std::to_string(*number)) + ".rdu";
    GlobalTrace("clsDatabaseRequest.WriteRedoUploadFile", "Writing " + file);
    platform::WriteFileAtomically(file, "Upload of utterance " + sUtteranceID +
                                            " failed because remote host was unavailable.\r\n");
  });
}

std::span<const ActionBranch> MainLoopBranches() { return kBranches; }

}  // namespace vz
