// Check-out, check-in (with or without a pending note), unlock and the related operations: one
// call of the source-control object for the request's dictation list, with an operation code
// chosen from the action and the work-queue mode, and the status changes its completion applies.
#include "execution/actions/source_control.hpp"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/error_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "model/connect_info.hpp"
#include "model/status_string.hpp"
#include "model/work_queue.hpp"
#include "platform/files.hpp"
#include "platform/random_name.hpp"
#include "xml/parse_failure.hpp"

namespace vz {
namespace {

constexpr std::string_view kOperationLocation = "clsDatabaseRequest.DoSourceControlOperation";
constexpr std::string_view kCompletionLocation = "clsDatabaseRequest.m_Sc_RequestComplete";
constexpr const char* kCrLf = "\r\n";

// Status codes a check-in gives its dictations: under way, done, and failed (an upload still
// pending after an error).
constexpr std::int32_t kCheckInUnderWay = 4;
constexpr std::int32_t kCheckedIn = 5;
constexpr std::int32_t kPendingAfterError = 6;
// The status change of a completed check-in.
constexpr std::int32_t kRecordCheckIn = 5;

// Operation codes the server gives a meaning to.
constexpr std::int16_t kCheckOut = 1;
constexpr std::int16_t kCheckIn = 2;
constexpr std::int16_t kUnlock = 3;
constexpr std::int16_t kCheckInWithPendingNote = 4;
constexpr std::int16_t kReviewCheckOut = 6;
constexpr std::int16_t kReviewUnlock = 8;
constexpr std::int16_t kReviewCheckIn = 9;

// The name of the check-out that holds a dictation, kept in its record and configuration file. A
// check-in or unlock ending the check-out is sent under a key made from it, so that when its answer
// is lost, the repeat (by this request, or by a later one after vzed was killed) gets the
// institution's first answer instead of being refused as not checked out.
constexpr std::string_view kCheckOutID = "CheckOutID";

bool EndsCheckOut(std::int16_t operation) {
  return operation == kCheckIn || operation == kCheckInWithPendingNote || operation == kReviewCheckIn ||
         operation == kUnlock || operation == kReviewUnlock;
}

// Writes the record to its configuration file; a failure is told in the request's error message.
void SaveRecord(clsDatabaseRequest& request, clsUtteranceObject& record) {
  if (record.ConfigFile().find_first_not_of(' ') == std::string::npos) return;
  try {
    record.WriteObjectToConfigFile(record.ConfigFile());
  } catch (...) {
    const std::string description = CurrentErrorAsAutomationError().Description();
    request.NoteUnsavedRecord(record, description.substr(0, description.find_first_of("\r\n")));
  }
}

// Each dictation a completed check-out now holds gets a new check-out name.
void NameCheckOuts(clsDatabaseRequest& request) {
  const auto dictations = request.Dictations();
  if (!dictations) return;
  for (const auto& dictation : dictations->Items()) {
    if (!dictation->ErrorString().empty() || !request.bfnInUtteranceList(dictation->UtteranceID())) continue;
    dictation->SetTextProperty(kCheckOutID, kCheckOutID, platform::RandomName());
    SaveRecord(request, *dictation);
  }
}

// The dictation list with the check-out each entry's operation ends. A record without one (its
// check-out was made before records kept it) names it now, saved before the call.
std::vector<DictationListEntry> ListEndingCheckOuts(clsDatabaseRequest& request) {
  const auto dictations = request.Dictations();
  std::vector<DictationListEntry> entries;
  for (DictationListEntry entry : request.DictationList()) {
    const auto record = dictations ? dictations->Item("U" + std::to_string(entry.utteranceID), entry.documentVersion) : nullptr;
    if (record) {
      entry.checkOutID = record->TextProperty(kCheckOutID, kCheckOutID);
      if (entry.checkOutID.empty()) {
        entry.checkOutID = platform::RandomName();
        record->SetTextProperty(kCheckOutID, kCheckOutID, entry.checkOutID);
        SaveRecord(request, *record);
      }
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

// The source-control operation of an action in a work-queue mode; 0 when a check-in of an ungraded
// version is skipped, -1 when the mode has no operation for the action.
std::int16_t SourceControlOperation(Action action, std::int16_t mode, bool versionGraded) {
  const bool review = mode == 3;
  switch (action) {
    case Action::DBR_CHECKOUT: return review ? 6 : 1;
    case Action::DBR_CHECKIN: return review ? (versionGraded ? 9 : 0) : 2;
    case Action::DBR_CHECKINPENDING: return 4;
    case Action::DBR_UNLOCK: return review ? 8 : 3;
    case Action::DBR_SCOPERATION5: return review ? 6 : (mode == 2 || mode == 4 ? -1 : 5);
    case Action::DBR_SCOPERATION7: return 7;
    default: return -1;
  }
}

std::string ErrorReadingText(const AutomationError& error, const std::string& file) {
  return "Error " + std::to_string(error.Number()) + " reading " + file + ": " + error.Description();
}

// Loads `record` from `file`. A file that is missing or is no XML counts as a failed load here
// rather than as one to repair: the record's repair keeps only the utterance ID, while a saved copy
// of the whole record is at hand.
std::optional<AutomationError> LoadRecord(clsUtteranceObject& record, const std::string& file) {
  std::error_code ignored;
  if (!std::filesystem::exists(file, ignored)) return AutomationError(53, "File not found");
  const std::optional<std::string> content = platform::ReadWholeFile(file);
  if (!content) return AutomationError(75, "Path/File access error");
  pugi::xml_document scratch;
  if (const auto failure = xml::ParseBuffer(scratch, *content, pugi::encoding_auto)) {
    return AutomationError(kServerDetectedError, failure->reason + " at line " + std::to_string(failure->line) + ", position " +
                                                     std::to_string(failure->position));
  }
  try {
    record.ReadConfigFileToObject(file);
  } catch (...) {
    return CurrentErrorAsAutomationError();
  }
  return std::nullopt;
}

// Puts `replacement` in the first dictation's place, keeping the collection (which the client
// shares) and the order of the others. When the replacement's key is taken by another version of
// the dictation, the collection is restored and the error raised again.
void ReplaceFirstDictation(clsUtterances& dictations, const std::shared_ptr<clsUtteranceObject>& replacement,
                           const std::string& configFile) {
  const std::vector<std::shared_ptr<clsUtteranceObject>> items = dictations.Items();
  const auto refill = [&](const std::shared_ptr<clsUtteranceObject>& first, const std::string& firstFile) {
    dictations.ReInitialize();
    dictations.AddCompleteObject(first, firstFile);
    for (std::size_t i = 1; i < items.size(); ++i) dictations.AddCompleteObject(items[i], items[i]->ConfigFile());
  };
  try {
    refill(replacement, configFile);
  } catch (...) {
    refill(items.front(), configFile);
    throw;
  }
}

// The check-in works on the record as the editor last wrote it: the record is saved beside its
// configuration file, read back from the file, and when the file cannot be read, rebuilt from the
// saved copy or, failing that too, from the file's name. Returns the record to check in.
std::shared_ptr<clsUtteranceObject> ReloadForCheckIn(clsUtterances& dictations, std::shared_ptr<clsUtteranceObject> record) {
  const std::string configFile = record->ConfigFile();
  if (configFile.find_first_not_of(' ') == std::string::npos) {
    GlobalTrace(kOperationLocation, "No configuration file to read dictation " + std::to_string(record->UtteranceID()) + " back from.");
    return record;
  }
  const std::string savedCopy = configFile + ".sav";
  try {
    record->WriteObjectToConfigFile(savedCopy);
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError();
    GlobalErrorsLog(kOperationLocation, "Error " + std::to_string(error.Number()) + " writing " + savedCopy + ": " + error.Description());
  }
  std::shared_ptr<clsUtteranceObject> replacement;
  if (const auto failure = LoadRecord(*record, configFile)) {
    GlobalErrorsLog(kOperationLocation, ErrorReadingText(*failure, configFile));
    replacement = std::make_shared<clsUtteranceObject>();
    if (const auto savedFailure = LoadRecord(*replacement, savedCopy)) {
      GlobalErrorsLog(kOperationLocation, ErrorReadingText(*savedFailure, savedCopy));
      replacement = std::make_shared<clsUtteranceObject>();
      const std::string id = sfnUtteranceFromFileName(configFile);
      replacement->SetUtteranceID(IsPlainDictationID(id) ? static_cast<std::int32_t>(std::stol(id)) : record->UtteranceID());
    }
    replacement->SetDownloadPath(record->DownloadPath());
  }
  std::error_code ignored;
  std::filesystem::remove(savedCopy, ignored);
  const clsUtteranceObject& checkedIn = replacement ? *replacement : *record;
  if (!checkedIn.ErrorString().empty()) {
    // The editor cleared the errors in memory but did not write the record: the old error is
    // back, and the dictation's check-in will end with it whatever the institution answers.
    GlobalTrace(kOperationLocation, "Warning: the record of dictation " + std::to_string(checkedIn.UtteranceID()) + " read back from " +
                                        configFile + " carries the error \"" + checkedIn.ErrorString() +
                                        "\"; write the record after ClearErrors to check it in afresh.");
  }
  if (!replacement) return record;
  try {
    ReplaceFirstDictation(dictations, replacement, configFile);
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError();
    GlobalErrorsLog(kOperationLocation, "Error " + std::to_string(error.Number()) + " replacing dictation " +
                                            std::to_string(record->UtteranceID()) + ": " + error.Description());
    return record;
  }
  return replacement;
}

std::string EscapedText(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

bool CarriesPendingNote(const clsUtteranceObject& record) {
  return !record.Notes().ToString().empty() || !record.CurrentPendingNote().empty();
}

// A note the editor wrote only as readable text becomes the one item the document carries.
void RefreshPendingNoteItems(clsUtteranceObject& record) {
  if (!record.Notes().ToString().empty()) return;
  record.SetNotes(Value(std::string("<item>") + kCrLf + "<type>7</type>" + kCrLf + "<text>" +
                        EscapedText(record.CurrentPendingNote()) + "</text>" + kCrLf + "</item>"));
}

void DoSourceControlOperation(clsDatabaseRequest& request, const ActionEntry& entry, ServiceStarter& starter,
                              std::int16_t operation) {
  const auto service = starter.NewService(request, entry);
  GlobalTrace(kOperationLocation, "operation =" + std::to_string(operation));
  const auto info = request.ConnectionInfo();
  SourceControlInit init;
  init.url = info ? info->CurrentDatabaseURL() : std::string();
  init.login = info ? info->Transcriptionist() : std::string();
  init.password = info ? info->Password() : std::string();
  init.machineID = info ? info->MachineID() : std::string();
  init.workQueueMode = SourceControlMode(request);
  init.usePendingReasons = request.UsePendingReasons();
  init.useMTReview = request.UseMTReview();

  const auto dictations = request.Dictations();
  auto first = dictations && dictations->Count() > 0 ? dictations->Items().front() : nullptr;
  const bool checkIn = operation == kCheckIn || operation == kCheckInWithPendingNote;
  if (checkIn && first) {
    first = ReloadForCheckIn(*dictations, first);
    if (CarriesPendingNote(*first)) {
      RefreshPendingNoteItems(*first);
      init.pendingNote = PendingNoteDocument(first->Notes().ToString());
      operation = kCheckInWithPendingNote;
      GlobalTrace(kOperationLocation,
                  "Checkin dictation " + std::to_string(first->UtteranceID()) + " with pending note: " + init.pendingNote);
    }
    if (operation == kCheckInWithPendingNote) {
      init.splitPendingNote = first->TextProperty("PotentialPendingNoteForSplit", "PotentialPendingNoteForSplit");
      if (init.splitPendingNote.empty()) init.splitPendingNote = "-1";
    }
    request.UpdateStatusCodes(kCheckInUnderWay, "");
  }
  if ((operation == kCheckOut || operation == kReviewCheckOut) && first) {
    GlobalTrace(kOperationLocation,
                "Checkout dictation " + std::to_string(first->UtteranceID()) + " using MachineID: " + init.machineID);
  }

  init.operation = operation;
  service->Init(init);
  GlobalTrace(kOperationLocation, "m_Sc.init " + init.url + ", " + std::to_string(operation) + ", " + init.login);
  GlobalTrace(kOperationLocation, "Operation = " + std::to_string(operation));
  CallArguments arguments;
  arguments.dictations = EndsCheckOut(operation) ? ListEndingCheckOuts(request) : request.DictationList();
  if (service->Start(std::move(arguments))) return;

  ErrMsgBox("Bad call to controlSourceAsync()", vbCritical, "Penwright MT", true, kOperationLocation);
  if (checkIn) request.UpdateStatusCodes(kPendingAfterError, "Error returned from m_Sc.controlSourceAsync");
  // The editor learns from the request itself why it ended.
  request.SetGlobalErrorMessage(std::string(entry.refusal));
  request.CloseRequest();
}

void StartSourceControl(clsDatabaseRequest& request, const ActionEntry& entry, ServiceStarter& starter) {
  const std::int16_t operation = SourceControlOperation(entry.action, SourceControlMode(request), request.IsVersionGraded());
  if (operation == 0) {
    // Nothing to check in: the request goes on with its next action.
    request.ResumePump();
    return;
  }
  if (operation < 0) {
    // This mode has no such operation: go on with the next action rather than leave the request
    // waiting for a completion nothing will bring.
    GlobalTrace(kRunLocation, "No source-control operation for action " + std::to_string(IdOf(entry.action)) + " in this work-queue mode.");
    request.ResumePump();
    return;
  }
  DoSourceControlOperation(request, entry, starter, operation);
}

void m_Sc_RequestComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  GlobalTrace(kCompletionLocation, "Entering sc_RequestComplete");
  const std::int32_t action = request.CurrentAction();
  const auto traceTimeOut = [](std::size_t) { GlobalTrace(kCompletionLocation, "Handling timeout"); };
  if (bErrors && request.HandleFileListErrorsOrRetry(service, action, nullptr, traceTimeOut)) return;
  switch (action) {
    case 3:
    case 7:
      // A reviewer's check-out leaves the dictation as the queue showed it.
      if (SourceControlMode(request) != 3) request.ApplyStatusUpdates(kRecordCheckOut);
      NameCheckOuts(request);
      break;
    case 32:
      NameCheckOuts(request);
      break;
    case 4:
    case 5:
    case 53:
      request.ApplyStatusUpdates(kRecordCheckIn);
      request.UpdateStatusCodes(kCheckedIn, "");
      break;
    case 6:
      request.ApplyStatusUpdates(kReturnToReady);
      break;
    default:
      break;
  }
  request.ResumePump();
  GlobalTrace(kCompletionLocation, "Leaving sc_RequestComplete");
}

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_CHECKOUT, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = Action::DBR_CHECKIN, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = Action::DBR_CHECKINPENDING, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = Action::DBR_UNLOCK, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = Action::DBR_SCOPERATION5, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = Action::DBR_SCOPERATION7, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
};

}  // namespace

std::int16_t SourceControlMode(const clsDatabaseRequest& request) {
  const auto queue = request.WorkQueue();
  return queue ? queue->WorkQueueMode() : std::int16_t{0};
}

std::string sfnUtteranceFromFileName(std::string_view name) {
  if (const auto slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  name.remove_suffix(std::min<std::size_t>(name.size(), 4));
  if (const auto underscore = name.rfind('_'); underscore != std::string_view::npos) name.remove_prefix(underscore + 1);
  return std::string(name);
}

std::string PendingNoteDocument(std::string_view notes) {
  return std::string("<?xml version=\"1.0\" ?>") + kCrLf + "<pendingNote>" + kCrLf + std::string(notes) + kCrLf + "</pendingNote>";
}

std::span<const ActionBranch> SourceControlBranches() { return kBranches; }

}  // namespace vz
