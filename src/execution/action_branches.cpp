#include "execution/action_branches.hpp"

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/action_table.hpp"
#include "execution/contacts_files.hpp"
#include "execution/database_request.hpp"
#include "execution/query_strings.hpp"
#include "model/connect_info.hpp"
#include "model/generic_files.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"
#include "model/work_queue.hpp"
#include "object/case_fold.hpp"

namespace vz {
namespace {

constexpr std::string_view kRunLocation = "clsDatabaseRequest.Run";
constexpr const char* kSearchListSelector = "NNYYNNNNNNNNNNNNY";

// A parameter by name, in any letter case, as the collection's keys are matched.
std::optional<std::string> FindParameter(const std::shared_ptr<clsGenericRequest>& generic, std::string_view name) {
  if (!generic) return std::nullopt;
  for (const auto& parameter : generic->Parameters()->Items()) {
    if (EqualsIgnoreCase(parameter->ParmName(), name)) return parameter->ParmValue();
  }
  return std::nullopt;
}

std::string ParameterValue(const std::shared_ptr<clsGenericRequest>& generic, std::string_view name) {
  return FindParameter(generic, name).value_or(std::string());
}

bool IsHeaderAction(std::int32_t action) { return action == 9 || action == 31 || action == 34; }

// Ends the branch with the request closed and the reason for the client.
bool Refuse(clsDatabaseRequest& request, std::string message) {
  request.SetGlobalErrorMessage(std::move(message));
  request.CloseRequest();
  return false;
}

// Ends the branch with nothing to do: the next tick runs the following action.
bool Skip(clsDatabaseRequest& request, std::string_view trace) {
  GlobalTrace(kRunLocation, trace);
  request.ResumePump();
  return false;
}

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

bool PrepareContactsFile(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  const auto info = request.ConnectionInfo();
  std::string appPath = ParameterValue(generic, "AppPath");
  if (appPath.empty()) appPath = ApplicationPath();
  // A complete list already on the workstation is kept; only its changes are fetched later.
  if (info && bfnContactsFileExists(appPath, info->InstitutionID(), std::to_string(info->CurrentLocationID()), info->Realm())) {
    if (generic) generic->Parameters()->Add("False", "DownloadInitiated");
    return Skip(request, "Skipping download of contacts file.");
  }
  GlobalTrace(kRunLocation, "Initiating download of contacts file.");
  GlobalTrace(kRunLocation, "Returned from NewLogin event.");
  if (const auto host = request.Host()) {
    host->Fire_LoginStatus("Downloading latest " + (info ? info->InstitutionDirectory() : std::string()) + " contacts.");
  }
  if (generic && !generic->Parameters()->Exists("DownloadInitiated")) {
    GlobalTrace(kRunLocation, "Adding DownloadInitiated Parameter");
    generic->Parameters()->Add("True", "DownloadInitiated");
  }
  return true;
}

// The changed-header fetch works on the request's first dictation alone.
bool ReduceToFirstDictation(clsDatabaseRequest& request) {
  const auto dictations = request.Dictations();
  if (!dictations || dictations->Count() == 0) {
    GlobalTrace(kRunLocation, "No utterances found to process for an action which needs them.  Closing request.");
    request.CloseRequest();
    return false;
  }
  const std::string id = std::to_string(dictations->Items().front()->UtteranceID());
  const auto info = request.ConnectionInfo();
  request.buildSingleFileRequestList(id, std::to_string(info ? info->CurrentLocationID() : 0));
  request.CreateSingleUtteranceCollection(id);
  return true;
}

Value TemplateFilesValue(const std::shared_ptr<clsGenericRequest>& generic) {
  Value::Array files;
  if (generic && generic->GenericFiles()) {
    for (const auto& file : generic->GenericFiles()->Items()) {
      files.emplace_back(Value::Array{Value(file->FileID()), Value(file->FileName()), Value(file->FilePath())});
    }
  }
  return Value(std::move(files));
}

Value TextsValue(const std::vector<std::string>& texts) {
  Value::Array values;
  for (const auto& text : texts) values.emplace_back(text);
  return Value(std::move(values));
}

}  // namespace

Value DictationListValue(const clsDatabaseRequest& request) {
  Value::Array entries;
  for (const auto& entry : request.DictationList()) entries.push_back(entry.ToValue());
  return Value(std::move(entries));
}

std::shared_ptr<clsGenericRequest> TakeParameterSet(clsDatabaseRequest& request, const ActionEntry& entry) {
  const bool takesOne = !entry.parameters.empty() || entry.id == 0 || entry.id == 15 || entry.id == 23 ||
                        entry.id == 30 || entry.id == 41 || entry.id == 57;
  const auto requests = request.GenericRequests();
  return takesOne && requests ? requests->NextAction(entry.id, REQUEST_STATE::NotTransmitted) : nullptr;
}

bool PrepareAction(clsDatabaseRequest& request, const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>& generic) {
  const auto info = request.ConnectionInfo();
  const std::string directory = info ? info->InstitutionDirectory() : std::string();
  switch (entry.id) {
    case 0:
      return PrepareUpload(request, generic);
    case 2: {
      const auto queue = request.WorkQueue();
      if (!queue || queue->RetrieveLocation() < 0) return Refuse(request, "RetrieveLocation not initialized in WorkQueue object");
      GlobalTrace(kRunLocation, "During refresh. Location = " + request.Location() +
                                    ". LocationID = " + std::to_string(queue->RetrieveLocation()));
      GlobalTrace(kRunLocation, "Querying " + (info ? info->CurrentDatabaseURL() : std::string()) +
                                    " for utterances in work queue.");
      return true;
    }
    case 10: {
      const auto host = request.Host();
      if (host && host->LoggedIn() && request.CompletionAction() == 8) {
        GlobalTrace(kRunLocation, "Discarding redundant login.");
        request.CloseRequest();
        return false;
      }
      return true;
    }
    case 11:
      return PrepareContactsFile(request, generic);
    case 12:
      if (const auto host = request.Host()) host->Fire_LoginStatus("Downloading latest " + directory + " contacts.");
      return true;
    case 21:
      if (const auto host = request.Host()) host->Fire_LoginStatus("Downloading current speakers and worktypes...");
      return true;
    case 30: {
      GlobalTrace(kRunLocation, "Branching into DBR_GETTEMPLATEDOCS");
      if (!generic) GlobalTrace(kRunLocation, "After retrieving genericrequest. objGenericRequest is Nothing = True");
      const auto files = generic ? generic->GenericFiles() : nullptr;
      if (!files || files->Count() == 0) return Skip(request, "No template files in filelist to download in DBR_GETTEMPLATEDOCS");
      GlobalTrace(kRunLocation, "About to download " + std::to_string(files->Count()) + " template docs:");
      return true;
    }
    case 31:
      return ReduceToFirstDictation(request);
    case 41:
      GlobalTrace(kRunLocation, "Running DBR_SECURELOGIN");
      if (request.GenericRequests()) request.GenericRequests()->LogErrors("DBR_SECURELOGIN");
      return true;
    case 55:
      if (!generic) GlobalErrorsLog(kRunLocation, "Unable to retrieve generic request object for clsAverageQAScore.");
      return true;
    case 57:
      GlobalTrace(kRunLocation, "Beginning Download Dictionary Request");
      if (!generic) {
        GlobalTrace(kRunLocation, "After retrieving genericrequest. For DBR_DOWNLOADDICTIONARY objGenericRequest is Nothing = True");
      }
      if (!generic || generic->DictionaryFiles().empty()) {
        return Skip(request, "Dictionary Files array is empty, no dictionaries to download.");
      }
      return true;
    default:
      return true;
  }
}

std::vector<Value> CallArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                 const std::shared_ptr<clsGenericRequest>& generic) {
  const auto info = request.ConnectionInfo();
  const std::string institutionID = info ? info->InstitutionID() : std::string();
  const std::string downloads = ApplicationPath() + "/Downloads";
  std::vector<Value> arguments;
  if (entry.id == 18 || entry.id == 25) arguments.emplace_back(std::to_string(info ? info->CurrentLocationID() : 0));
  if (IsHeaderAction(entry.id)) {
    GlobalTrace(kRunLocation, "Retrieving headers for utterances: " + request.sfnUtteranceList());
    arguments.emplace_back(DictationListValue(request));
  } else if (bfnUtteranceListNeeded(entry.id)) {
    GlobalTrace(kRunLocation, (entry.id == 0 ? "Uploading utterances: " : "Downloading utterances: ") + request.sfnUtteranceList());
    arguments.emplace_back(DictationListValue(request));
  }
  switch (entry.id) {
    case 0:
      arguments.emplace_back(UploadFlags(generic));
      return arguments;
    case 12:
      arguments.emplace_back(ParameterValue(generic, "VersionID"));
      arguments.emplace_back(ParameterValue(generic, "doCompress"));
      arguments.emplace_back(info ? sfnContactDeltaTimestamp(ApplicationPath(), institutionID,
                                                             std::to_string(info->CurrentLocationID()), info->Realm())
                                  : std::string());
      return arguments;
    case 15:
      if (generic) {
        // The update carries the dictation's current values besides the ones being changed.
        const auto dictations = request.Dictations();
        if (dictations && dictations->Count() > 0) {
          request.FinalizeUtteranceUpdateRequest(*dictations->Items().front(), *generic->Parameters());
        }
      }
      arguments.emplace_back(ParameterValue(generic, "PendingNote"));
      arguments.emplace_back(sfn404ParameterString(generic ? generic->Parameters() : nullptr));
      return arguments;
    case 16:
    case 17:
      arguments.emplace_back(ParameterValue(generic, "institutionID"));
      arguments.emplace_back("");
      arguments.emplace_back(entry.id == 16 ? "NNY" : "NNNY");
      return arguments;
    case 21:
    case 40:
      arguments.emplace_back(institutionID);
      arguments.emplace_back("Penwright");
      arguments.emplace_back(kSearchListSelector);
      if (entry.id == 40) arguments.emplace_back(request.Certificate());
      return arguments;
    case 23:
      arguments.emplace_back(sfnHL7SearchParameterString(generic ? generic->Parameters() : nullptr));
      return arguments;
    case 30:
      arguments.emplace_back(TemplateFilesValue(generic));
      arguments.emplace_back(downloads);
      return arguments;
    case 41:
      arguments.emplace_back(request.Location());
      arguments.emplace_back(request.Certificate());
      arguments.emplace_back(info ? info->MachineID() : std::string());
      arguments.emplace_back(info ? info->PenwrightVersion() : std::string());
      return arguments;
    case 57:
      arguments.emplace_back(TextsValue(generic ? generic->DictionaryFiles() : std::vector<std::string>{}));
      arguments.emplace_back(downloads);
      return arguments;
    default:
      break;
  }
  for (const auto name : entry.parameters) arguments.emplace_back(ParameterValue(generic, name));
  if (entry.id == 43) arguments.emplace_back(request.Certificate());
  return arguments;
}

}  // namespace vz
