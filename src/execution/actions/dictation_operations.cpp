// Operations on single dictations (field updates, split, link, create, gateway send), QA work
// (scores, reviews, grading and pending-reason files, criteria, averages, review lists), and the
// settings the server keeps for the editor (options, release, metrics, features, permissions).
#include <algorithm>
#include <filesystem>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/dictation_operations_files.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_list.hpp"
#include "execution/query_strings.hpp"
#include "execution/retry_classification.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"
#include "model/variant_collection.hpp"
#include "model/work_queue.hpp"
#include "platform/files.hpp"
#include "servlet_wire/dictation_file_names.hpp"

namespace vz {
namespace {

// --- arguments ----------------------------------------------------------------------------------

// Field updates and gateway sends name the location first.
CallArguments LocationFirstArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                     const std::shared_ptr<clsGenericRequest>& generic) {
  const auto info = request.ConnectionInfo();
  CallArguments arguments = TableArguments(entry, generic);
  arguments.named.emplace("locationID", std::to_string(info ? info->CurrentLocationID() : 0));
  return arguments;
}

CallArguments DictationUpdateArguments(clsDatabaseRequest& request, const ActionEntry&,
                                       const std::shared_ptr<clsGenericRequest>& generic) {
  if (generic) {
    // The update carries the dictation's current values besides the ones being changed.
    const auto dictations = request.Dictations();
    if (dictations && dictations->Count() > 0) request.FinalizeUtteranceUpdateRequest(*dictations->Items().front(), *generic->Parameters());
  }
  CallArguments arguments;
  arguments.named = {{"PendingNote", ParameterValue(generic, "PendingNote")},
                     {"parmString", sfn404ParameterString(generic ? generic->Parameters() : nullptr)}};
  return arguments;
}

// The new dictation is made for this workstation.
CallArguments CreateAudioArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>&) {
  const auto info = request.ConnectionInfo();
  CallArguments arguments;
  arguments.named.emplace("machineID", info ? info->MachineID() : std::string());
  return arguments;
}

std::int16_t WorkQueueMode(const clsDatabaseRequest& request) {
  const auto queue = request.WorkQueue();
  return queue ? queue->WorkQueueMode() : std::int16_t{0};
}

// The calls made per dictation work on the dictation list; the grading upload reads the ".QAG"
// files from the download folder, the QA downloads say how the editor works (work-queue mode, MT
// review).
CallArguments PerDictationArguments(clsDatabaseRequest& request, const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>&) {
  CallArguments arguments = DictationListArguments(request);
  const auto info = request.ConnectionInfo();
  switch (entry.action) {
    case Action::DBR_UPLOADQAG:
      arguments.named.emplace(argument::kDownloadFolder, info ? info->DownloadPath() : std::string());
      break;
    case Action::DBR_DOWNLOADQAG:
      arguments.named.emplace("workQueueMode", std::to_string(WorkQueueMode(request)));
      arguments.named.emplace("useMTReview", TrueFalse(request.UseMTReview()));
      break;
    case Action::DBR_DOWNLOADPRS:
      arguments.named.emplace("workQueueMode", std::to_string(WorkQueueMode(request)));
      break;
    default:
      break;
  }
  return arguments;
}

// Dictation information, permissions and pending reasons concern the request's dictations, which
// Run does not list for them: the branch does, and ends as Run does when none is left.
bool PrepareDictationList(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  if (request.lfnSetupUtteranceList() > 0) return true;
  GlobalTrace(kRunLocation, "No utterances found to process for an action which needs them.  Closing request.");
  if (request.Retries() > 0) {
    request.ResumePump();
  } else {
    request.CloseRequest();
  }
  return false;
}

bool PrepareAverageQAGrade(clsDatabaseRequest&, const std::shared_ptr<clsGenericRequest>& generic) {
  if (!generic) GlobalErrorsLog(kRunLocation, "Unable to retrieve generic request object for clsAverageQAScore.");
  return true;
}

// --- single answers for the editor ----------------------------------------------------------------

constexpr GenericAnswer kGatewaySender{25, "m_objGatewaySender_SendComplete", GenericLookup::Own, "GatewaySender"};
constexpr GenericAnswer kGetOptions{27, "m_objGetOptions_RetrievalComplete", GenericLookup::Own, "GetOptions"};
constexpr GenericAnswer kSendOptions{28, "m_objSendOptions_RetrievalComplete", GenericLookup::Own, "SendOptions"};
constexpr GenericAnswer kReleaseInfo{24, "m_objGetRelInfo_ResponseComplete", GenericLookup::Vanilla, "GetRelInfo"};
constexpr GenericAnswer kMetrics{20, "m_objTranscriptionMetrics_RetrievalComplete", GenericLookup::Vanilla, "Transcription Metrics", false};
constexpr GenericAnswer kLinkDictation{39, "m_objLinkDictation_RetrievalComplete", GenericLookup::Vanilla, "Link Dictation", false};
constexpr GenericAnswer kQAScore{.action = 42,
                                 .handler = "m_objQAScore_RetrievalComplete",
                                 .lookup = GenericLookup::Vanilla,
                                 .name = "QAScore",
                                 .succeeded = "Completed QAScore request successfully."};
constexpr GenericAnswer kRemoveQAReview{.action = 44,
                                        .handler = "m_objRemoveQAReview_RequestComplete",
                                        .lookup = GenericLookup::Vanilla,
                                        .name = "RemoveQAReview",
                                        .succeeded = "Completed RemoveQAReview request successfully."};
constexpr GenericAnswer kNumReviews{46, "m_objNumReviews_RetrievalComplete", GenericLookup::Vanilla, "NumReviews"};
constexpr GenericAnswer kAverageQAGrade{55, "m_objAverageQAGrade_RetrievalComplete", GenericLookup::Vanilla, "Average QA Grade"};
constexpr GenericAnswer kRDRTranscriptionists{49, "m_objRDRTranscriptionists_RetrievalComplete", GenericLookup::Vanilla, "RDRTranscriptionists"};
constexpr GenericAnswer kRDRReviewers{59, "m_objRDRReviewers_RetrievalComplete", GenericLookup::Vanilla, "RDRReviewers"};

void m_objGatewaySender_SendComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kGatewaySender); }
void m_objGetOptions_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kGetOptions); }
void m_objSendOptions_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kSendOptions); }
void m_objGetRelInfo_ResponseComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kReleaseInfo); }
void m_objTranscriptionMetrics_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kMetrics); }
void m_objLinkDictation_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kLinkDictation); }
void m_objQAScore_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kQAScore); }
void m_objRemoveQAReview_RequestComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kRemoveQAReview); }
void m_objNumReviews_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kNumReviews); }
void m_objAverageQAGrade_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kAverageQAGrade); }
void m_objRDRTranscriptionists_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kRDRTranscriptionists); }
void m_objRDRReviewers_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kRDRReviewers); }

// --- field updates: a failure becomes the dictation's pending note ---------------------------------

constexpr GenericAnswer kUpdateField{18, "m_objUpdateField_UpdateComplete", GenericLookup::Own, "UpdateField"};
constexpr GenericAnswer kDictationUpdate{15, "m_objDictationUpdate_UpdateComplete", GenericLookup::Own, "DictationUpdate"};
constexpr GenericAnswer kUpdateDictFields{36, "m_objUpdateDictFields_RetrievalComplete", GenericLookup::Vanilla, "Update Dictation Fields"};

bool IsClassNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '.'; }

// "com.example.UpdateException: Field x cannot be updated" without the exception's class: the
// part the user can read. A text that does not start with a dotted class name stays as it is.
std::string WithoutExceptionClass(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return text;
  const std::string_view name(text.data(), colon);
  const bool className = name.find('.') != std::string_view::npos && name.front() != '.' && name.back() != '.' &&
                         std::all_of(name.begin(), name.end(), IsClassNameCharacter);
  if (!className) return text;
  const auto start = text.find_first_not_of(' ', colon + 1);
  return start == std::string::npos ? std::string() : text.substr(start);
}

// The editor's "PendingNote" parameter and the error text, kept as the request's first dictation's
// pending note so that the failed change is not lost.
void UpdatePendingNoteAfterFailure(clsDatabaseRequest& request, const GenericAnswer& rule,
                                   const std::shared_ptr<clsGenericRequest>& generic, const std::string& error) {
  const std::string where = HandlerLocation(rule);
  GlobalTrace(where, "Retrieving pending note");
  const std::string parameter = ParameterValue(generic, "PendingNote");
  GlobalTrace(where, "Retrieved pending note: " + parameter);
  const std::string note = parameter.empty() ? error : parameter + ":\r\n" + error;
  const auto dictations = request.Dictations();
  if (!dictations || dictations->Count() == 0) {
    GlobalErrorsLog(where, "No dictation to keep the pending note: " + note);
    return;
  }
  GlobalTrace(where, "Calling UpdatePendingNote");
  request.UpdatePendingNote(*dictations->Items().front(), note);
  GlobalTrace(where, "After calling UpdatePendingNote");
}

void CompleteFieldUpdate(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, const GenericAnswer& rule) {
  const auto generic = FindGenericRequest(request, rule);
  if (!generic) return;
  if (bErrors) {
    const std::string message = service.getErrorMessage();
    const bool dictFields = rule.action == kUpdateDictFields.action;
    if (dictFields && bfnRequestTimeOutMessage(message)) {
      GlobalTrace(HandlerLocation(rule), "Handling communication error.  Calling SetupRequestForRetry");
    }
    if (RecordErrorOrRetry(request, rule, generic, message)) return;
    UpdatePendingNoteAfterFailure(request, rule, generic, dictFields ? WithoutExceptionClass(message) : message);
    // A failed update of the whole dictation ends the request; a single field does not.
    if (rule.action != kUpdateField.action) {
      request.CloseRequest();
      return;
    }
  } else {
    StoreAnswer(rule, *generic, service.getXMLResponse());
  }
  request.ResumePump();
}

void m_objUpdateField_UpdateComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteFieldUpdate(r, s, e, kUpdateField); }
void m_objDictationUpdate_UpdateComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteFieldUpdate(r, s, e, kDictationUpdate); }
void m_objUpdateDictFields_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteFieldUpdate(r, s, e, kUpdateDictFields); }

// --- split ------------------------------------------------------------------------------------

constexpr GenericAnswer kSplitDictation{26, "m_objSplitDictation_ResponseComplete", GenericLookup::Own, "SplitDictation"};
constexpr const char* kBogusError = "Bogus error message for debugging";

// A tester's hook: with "TestSplit.flg" in the application folder the tester chooses the outcome
// of the split, answering the box with the number of the entry. True when the request is to end.
bool TestSplitRequiresExit(clsDatabaseRequest& request, const std::string& answer) {
  if (!platform::IsRegularFile(std::filesystem::path(ApplicationPath()) / "TestSplit.flg")) return false;
  const int entry = MsgBox(
      "Testing split request. Enter one of the following:\r\n1 = Complete normal processing\r\n"
      "2 = Return an split ID and an error\r\n3 = Return an error with no split ID",
      vbOKOnly, "Penwright Debugging");
  switch (entry) {
    case 1:
      return false;
    case 2:
      request.SetSplitDictationID(SplitID(answer));
      request.SetGlobalErrorMessage(kBogusError);
      return true;
    case 3:
      request.SetGlobalErrorMessage(kBogusError);
      return true;
    default:
      GlobalTrace("clsDatabaseRequest.TestSplitRequiresExit", "Unexpected response.  Continuing with normal processing");
      return false;
  }
}

void m_objSplitDictation_ResponseComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const auto generic = FindGenericRequest(request, kSplitDictation);
  if (!generic) return;
  if (bErrors) {
    if (!RecordErrorOrRetry(request, kSplitDictation, generic, service.getErrorMessage())) request.CloseRequest();
    return;
  }
  const std::string answer = service.getXMLResponse();
  if (TestSplitRequiresExit(request, answer)) {
    request.CloseRequest();
    return;
  }
  StoreAnswer(kSplitDictation, *generic, answer);
  GlobalTrace(HandlerLocation(kSplitDictation), "Before retrieving sSplitUtteranceID");
  request.SetSplitDictationID(SplitID(answer));
  if (request.SplitDictationID().empty()) {
    request.SetGlobalErrorMessage("Unable to determine SplitDictations Utterance ID in SplitDictation request.");
    request.CloseRequest();
    return;
  }
  request.ResumePump();
}

// --- create -----------------------------------------------------------------------------------

// A created dictation the engine will not keep: the error goes to the action's parameter set when
// the editor gave one (to GlobalErrorMessage otherwise) and to the errors log; the request goes on
// with no dictation.
void RefuseCreatedDictation(clsDatabaseRequest& request, const std::string& where, const std::string& text) {
  GlobalErrorsLog(where, text);
  const auto requests = request.GenericRequests();
  if (const auto generic = requests ? requests->NextAction(33, REQUEST_STATE::NotCompleted) : nullptr) {
    generic->ErrorMessages()->Add(Value(text));
  } else {
    request.SetGlobalErrorMessage(text);
  }
}

// The request's dictations become the one the server created, with its configuration file in the
// record's download folder. The ID names that file, so only a plain ID is taken, and never one
// whose record exists already: the server's answer does not replace a dictation's own record.
// An answer without any ID gives a record without a file. False, with GlobalErrorMessage set,
// when the answer is not a dictation.
bool CreateSingleUtteranceCollectionFromXML(clsDatabaseRequest& request, const std::string& xml) {
  const std::string where = "clsDatabaseRequest.CreateSingleUtteranceCollectionFromXML";
  const auto collection = std::make_shared<clsUtterances>();
  request.SetUtterances(collection);
  const auto record = std::make_shared<clsUtteranceObject>();
  try {
    record->LoadRetrievedXML(xml);
  } catch (const AutomationError& error) {
    request.SetGlobalErrorMessage("The database returned invalid XML while creating a new dictation: " + error.Description());
    return false;
  }
  if (const auto info = request.ConnectionInfo()) {
    record->SetDatabaseURL(info->CurrentDatabaseURL());
    record->SetMachineID(info->MachineID());
  }
  const std::string id = record->Store().Read("utteranceID");
  if (id.empty()) {
    GlobalErrorsLog(where, "The database created a dictation without an utteranceID: no configuration file is named for it.");
    collection->AddCompleteObject(record, "");
    return true;
  }
  const auto number = PlainDictationNumber(id);
  if (!number) {
    RefuseCreatedDictation(request, where,
                           "The database created a dictation whose utteranceID \"" + id + "\" is not a plain number: it is not kept.");
    return true;
  }
  const std::filesystem::path configFile = std::filesystem::path(record->DownloadPath()) / servlet_wire::DictationFileName(*number, ".cfg");
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(configFile, error))) {
    RefuseCreatedDictation(request, where,
                           "The database created dictation " + std::to_string(*number) + ", which already has its record " +
                               configFile.string() + ": that record is kept, not replaced.");
    return true;
  }
  collection->AddCompleteObject(record, configFile.string());
  try {
    std::error_code ignored;
    std::filesystem::create_directories(configFile.parent_path(), ignored);
    record->WriteObjectToConfigFile(configFile.string());
  } catch (const AutomationError& failure) {
    GlobalErrorsLog(where, "Unable to write " + configFile.string() + ": " + failure.Description());
  }
  return true;
}

void m_objCreateDictation_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objCreateDictation_RetrievalComplete";
  if (EndedOnCallError(request, service, bErrors, where)) return;
  // An answer that is no dictation leaves nothing for the rest of the request to work on.
  if (!CreateSingleUtteranceCollectionFromXML(request, service.getXMLResponse())) {
    request.CloseRequest();
    return;
  }
  request.ResumePump();
}

// --- settings files ---------------------------------------------------------------------------

constexpr GenericAnswer kAppFeatures{47, "m_objAppFeatures_RetrievalComplete", GenericLookup::Vanilla, "AppFeatures"};
constexpr GenericAnswer kQAGradeCriteria{48, "m_objQAGradeCriteria_RetrievalComplete", GenericLookup::Vanilla, "GetGradeCriteria"};
constexpr GenericAnswer kPRCriteria{60, "m_objPRCriteria_RetrievalComplete", GenericLookup::Vanilla, "GetGradeCriteria"};

// The answer is a settings file instead of a response string. `failure`, when given, starts the
// text that ends the request on an error other than a time-out.
void CompleteSettingsAnswer(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, const GenericAnswer& rule,
                            std::string_view fileName, std::string_view failure) {
  const auto generic = FindGenericRequest(request, rule);
  if (!generic) return;
  if (bErrors) {
    const std::string message = service.getErrorMessage();
    if (RecordErrorOrRetry(request, rule, generic, message)) return;
    if (!failure.empty()) {
      request.SetGlobalErrorMessage(std::string(failure) + message);
      GlobalErrorsLog(HandlerLocation(rule), request.GlobalErrorMessage());
      request.CloseRequest();
      return;
    }
  } else {
    std::string problem;
    if (!WriteAppFeaturesToDisk(request, fileName, service.getXMLResponse(), problem)) generic->ErrorMessages()->Add(Value(problem));
  }
  request.ResumePump();
}

void m_objAppFeatures_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) {
  CompleteSettingsAnswer(r, s, e, kAppFeatures, "AppConsoleFeatures", {});
}
void m_objQAGradeCriteria_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) {
  CompleteSettingsAnswer(r, s, e, kQAGradeCriteria, "QAGradeCriteria",
                         "Unexpected internal error: Could not retrieve Grading Criteria.  Error returned: ");
}
void m_objPRCriteria_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) {
  CompleteSettingsAnswer(r, s, e, kPRCriteria, "PendingCriteria",
                         "Unexpected internal error: Could not retrieve Pending Criteria.  Error returned: ");
}

// --- QA grading and pending-reason files, records ------------------------------------------------

constexpr const char* kNoViewPermission = "You may not view the errors for dictation";

void m_objDownloadQAG_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objDownloadQAG_RetrievalComplete";
  if (bErrors) {
    const auto traceTimeOut = [&where](std::size_t) { GlobalTrace(where, "TimeoutOccurred"); };
    if (request.HandleFileListErrorsOrRetry(service, 51, nullptr, traceTimeOut)) return;
    // A dictation whose grading the user may not see still gets a grading file, an empty one.
    const auto errors = service.ErrorMessages();
    const auto first = std::find_if(errors.begin(), errors.end(), [](const std::string& text) { return !text.empty(); });
    if (first != errors.end() && first->find(kNoViewPermission) != std::string::npos) {
      GlobalTrace(where, "User doesn't have permission to download QAG file");
      const std::string id = DictationOfQAPermissionError(*first);
      if (!id.empty() && MayEmptyQAGFile(request, id)) {
        request.CreateEmptyQAGFile(id);
      } else if (!id.empty()) {
        GlobalErrorsLog(where, "The refusal names dictation " + id + ", which is not one of this request's: its grading file is kept.");
      }
    }
  }
  WriteQAGFiles(request, service.DictationResponses());
  request.ResumePump();
}

void m_objDownloadPRs_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objDownloadPRs_RetrievalComplete";
  const auto traceTimeOut = [&where](std::size_t) { GlobalTrace(where, "TimeoutOccurred"); };
  if (bErrors && request.HandleFileListErrorsOrRetry(service, 61, nullptr, traceTimeOut)) return;
  WritePRFiles(request, service.DictationResponses());
  request.ResumePump();
}

void CompleteRecordUpdates(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, std::int32_t action,
                           std::string_view handler, RecordUpdate what) {
  const auto traceTimeOut = [handler](std::size_t) { GlobalTrace("clsDatabaseRequest." + std::string(handler), "handling timeout"); };
  if (bErrors && request.HandleFileListErrorsOrRetry(service, action, nullptr, traceTimeOut)) return;
  UpdateRecordsFromAnswers(request, service.DictationResponses(), what);
  request.ResumePump();
}

void m_objDictationInfo_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) {
  CompleteRecordUpdates(r, s, e, 58, "m_objDictationInfo_RetrievalComplete", RecordUpdate::PendingNote);
}
void m_objGetDictPermissions_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) {
  CompleteRecordUpdates(r, s, e, 62, "m_objGetDictPermissions_RetrievalComplete", RecordUpdate::Permission);
}
void m_objUploadQAG_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteDictationListAnswer(r, s, e, 50); }

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_UPDATEDICTATION, .takesParameterSet = true, .arguments = DictationUpdateArguments, .complete = m_objDictationUpdate_UpdateComplete},
    {.action = Action::DBR_UPDATEFIELD, .arguments = LocationFirstArguments, .complete = m_objUpdateField_UpdateComplete},
    {.action = Action::DBR_GETMETRICS, .complete = m_objTranscriptionMetrics_RetrievalComplete},
    {.action = Action::DBR_GETRELEASEINFO, .complete = m_objGetRelInfo_ResponseComplete},
    {.action = Action::DBR_GATEWAYSEND, .arguments = LocationFirstArguments, .complete = m_objGatewaySender_SendComplete},
    {.action = Action::DBR_SPLITDICTATION, .complete = m_objSplitDictation_ResponseComplete},
    {.action = Action::DBR_GETOPTIONS, .complete = m_objGetOptions_RetrievalComplete},
    {.action = Action::DBR_SENDOPTIONS, .complete = m_objSendOptions_RetrievalComplete},
    {.action = Action::DBR_CREATEDICTATION, .arguments = CreateAudioArguments, .complete = m_objCreateDictation_RetrievalComplete},
    {.action = Action::DBR_UPDATEDICTFIELDS, .complete = m_objUpdateDictFields_RetrievalComplete},
    {.action = Action::DBR_LINKDICTATION, .complete = m_objLinkDictation_RetrievalComplete},
    {.action = Action::DBR_QASCORE, .complete = m_objQAScore_RetrievalComplete},
    {.action = Action::DBR_REMOVEQAREVIEW, .complete = m_objRemoveQAReview_RequestComplete},
    {.action = Action::DBR_GETNUMREVIEWS, .complete = m_objNumReviews_RetrievalComplete},
    {.action = Action::DBR_GETAPPFEATURES, .complete = m_objAppFeatures_RetrievalComplete},
    {.action = Action::DBR_GETQAGRADECRITERIA, .complete = m_objQAGradeCriteria_RetrievalComplete},
    {.action = Action::DBR_GETRDRTRANSCRIPTIONISTS, .complete = m_objRDRTranscriptionists_RetrievalComplete},
    {.action = Action::DBR_UPLOADQAG, .arguments = PerDictationArguments, .complete = m_objUploadQAG_RetrievalComplete},
    {.action = Action::DBR_DOWNLOADQAG, .arguments = PerDictationArguments, .complete = m_objDownloadQAG_RetrievalComplete},
    {.action = Action::DBR_GETAVERAGEQAGRADE, .prepare = PrepareAverageQAGrade, .complete = m_objAverageQAGrade_RetrievalComplete},
    {.action = Action::DBR_GETDICTATIONINFO, .prepare = PrepareDictationList, .arguments = PerDictationArguments, .complete = m_objDictationInfo_RetrievalComplete},
    {.action = Action::DBR_GETRDRREVIEWERS, .complete = m_objRDRReviewers_RetrievalComplete},
    {.action = Action::DBR_GETPRCRITERIA, .complete = m_objPRCriteria_RetrievalComplete},
    {.action = Action::DBR_DOWNLOADPRS, .prepare = PrepareDictationList, .arguments = PerDictationArguments, .complete = m_objDownloadPRs_RetrievalComplete},
    {.action = Action::DBR_GETDICTPERMISSIONS, .prepare = PrepareDictationList, .arguments = PerDictationArguments, .complete = m_objGetDictPermissions_RetrievalComplete},
};

}  // namespace

std::span<const ActionBranch> DictationOperationsBranches() { return kBranches; }

}  // namespace vz
