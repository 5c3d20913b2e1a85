// Reference data for the editor: speakers, worktypes, search lists (plain and compressed), the
// contact list and its changes, locked dictations, patient, HL7, online and dictation searches, and
// the header values of dictations.
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/contacts_files.hpp"
#include "execution/database_request.hpp"
#include "execution/query_strings.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/parameters.hpp"

namespace vz {
namespace {

constexpr const char* kSearchListSelector = "NNYYNNNNNNNNNNNNY";

std::string LocationIDText(const clsDatabaseRequest& request) {
  const auto info = request.ConnectionInfo();
  return std::to_string(info ? info->CurrentLocationID() : 0);
}

void RaiseLoginStatus(clsDatabaseRequest& request, const std::string& status) {
  if (const auto host = request.Host()) host->Fire_LoginStatus(status);
}

std::string ContactsStatus(const clsDatabaseRequest& request) {
  const auto info = request.ConnectionInfo();
  return "Downloading latest " + (info ? info->InstitutionDirectory() : std::string()) + " contacts.";
}

// --- contacts ---------------------------------------------------------------------------------

bool PrepareContactsFile(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  const auto info = request.ConnectionInfo();
  std::string appPath = ParameterValue(generic, "AppPath");
  if (appPath.empty()) appPath = ApplicationPath();
  // A complete list already on the workstation is kept; only its changes are fetched later.
  if (info && bfnContactsFileExists(appPath, info->InstitutionID(), LocationIDText(request), info->Realm())) {
    if (generic) generic->Parameters()->Add("False", "DownloadInitiated");
    return Skip(request, "Skipping download of contacts file.");
  }
  GlobalTrace(kRunLocation, "Initiating download of contacts file.");
  if (const auto host = request.Host()) host->Fire_NewLogin();
  GlobalTrace(kRunLocation, "Returned from NewLogin event.");
  RaiseLoginStatus(request, ContactsStatus(request));
  if (generic && !generic->Parameters()->Exists("DownloadInitiated")) {
    GlobalTrace(kRunLocation, "Adding DownloadInitiated Parameter");
    generic->Parameters()->Add("True", "DownloadInitiated");
  }
  return true;
}

bool PrepareContactChanges(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  RaiseLoginStatus(request, ContactsStatus(request));
  return true;
}

std::vector<Value> ContactChangesArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                           const std::shared_ptr<clsGenericRequest>& generic) {
  const auto info = request.ConnectionInfo();
  auto arguments = TableArguments(entry, generic);
  arguments.emplace_back(info ? sfnContactDeltaTimestamp(ApplicationPath(), info->InstitutionID(), LocationIDText(request), info->Realm())
                              : std::string());
  return arguments;
}

void m_objContactsFile_DownloadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors);
void m_objContactChanges_DownloadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors);

// --- lists ------------------------------------------------------------------------------------

std::vector<Value> PeopleListArguments(clsDatabaseRequest&, const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>& generic) {
  return {Value(ParameterValue(generic, "institutionID")), Value(""), Value(entry.id == 16 ? "NNY" : "NNNY")};
}

bool PrepareSearchLists(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  RaiseLoginStatus(request, "Downloading current speakers and worktypes...");
  return true;
}

std::vector<Value> SearchListArguments(clsDatabaseRequest& request, const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>&) {
  const auto info = request.ConnectionInfo();
  std::vector<Value> arguments = {Value(info ? info->InstitutionID() : std::string()), Value("Penwright"), Value(kSearchListSelector)};
  if (entry.id == 40) arguments.emplace_back(request.Certificate());
  return arguments;
}

void m_objRetrieveSearchLists_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors);
void m_objGetListsCompressed_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors);

// --- searches and other single answers ---------------------------------------------------------

std::vector<Value> HL7SearchArguments(clsDatabaseRequest&, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  return {Value(sfnHL7SearchParameterString(generic ? generic->Parameters() : nullptr))};
}

constexpr GenericAnswer kLockedList{13, "m_objLockedList_RequestComplete", GenericLookup::Own, "LockedList"};
constexpr GenericAnswer kSpeakers{16, "m_objRetrieveSpeakers_RetrievalComplete", GenericLookup::Own, "RetrieveSpeakers"};
constexpr GenericAnswer kWorkTypes{17, "m_objRetrieveWorkTypes_RetrievalComplete", GenericLookup::Own, "RetrieveWorkTypes"};
constexpr GenericAnswer kPatientSearch{14, "m_objSearchPatientInfo_RetrievalComplete", GenericLookup::Own, "SearchPatientInfo"};
constexpr GenericAnswer kHL7Search{23, "m_objHL7Search_RetrievalComplete", GenericLookup::Own, "HL7Search"};
constexpr GenericAnswer kOnlineSearch{35, "m_objOnlineSearch_RetrievalComplete", GenericLookup::Vanilla, "Online Search", false};
constexpr GenericAnswer kDictationSearch{37, "m_objDictationSearch_RetrievalComplete", GenericLookup::Vanilla, "Dictation Search"};

void m_objLockedList_RequestComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kLockedList); }
void m_objRetrieveSpeakers_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kSpeakers); }
void m_objRetrieveWorkTypes_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kWorkTypes); }
void m_objSearchPatientInfo_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kPatientSearch); }
void m_objHL7Search_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kHL7Search); }
void m_objOnlineSearch_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kOnlineSearch); }
void m_objDictationSearch_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kDictationSearch); }

// --- headers ----------------------------------------------------------------------------------

// The changed-header fetch works on the request's first dictation alone.
bool ReduceToFirstDictation(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  const auto dictations = request.Dictations();
  if (!dictations || dictations->Count() == 0) {
    GlobalTrace(kRunLocation, "No utterances found to process for an action which needs them.  Closing request.");
    request.CloseRequest();
    return false;
  }
  const std::string id = std::to_string(dictations->Items().front()->UtteranceID());
  request.buildSingleFileRequestList(id, LocationIDText(request));
  request.CreateSingleUtteranceCollection(id);
  return true;
}

std::vector<Value> HeaderArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>&) {
  GlobalTrace(kRunLocation, "Retrieving headers for utterances: " + request.sfnUtteranceList());
  return {DictationListValue(request)};
}

void m_objHeaderValues_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors);

constexpr ActionBranch kBranches[] = {
    {.action = 9, .arguments = HeaderArguments, .complete = m_objHeaderValues_RetrievalComplete},
    {.action = 11, .prepare = PrepareContactsFile, .complete = m_objContactsFile_DownloadComplete},
    {.action = 12, .prepare = PrepareContactChanges, .arguments = ContactChangesArguments, .complete = m_objContactChanges_DownloadComplete},
    {.action = 13, .complete = m_objLockedList_RequestComplete},
    {.action = 14, .complete = m_objSearchPatientInfo_RetrievalComplete},
    {.action = 16, .arguments = PeopleListArguments, .complete = m_objRetrieveSpeakers_RetrievalComplete},
    {.action = 17, .arguments = PeopleListArguments, .complete = m_objRetrieveWorkTypes_RetrievalComplete},
    {.action = 21, .prepare = PrepareSearchLists, .arguments = SearchListArguments, .complete = m_objRetrieveSearchLists_RetrievalComplete},
    {.action = 23, .takesParameterSet = true, .arguments = HL7SearchArguments, .complete = m_objHL7Search_RetrievalComplete},
    {.action = 31, .prepare = ReduceToFirstDictation, .arguments = HeaderArguments, .complete = m_objHeaderValues_RetrievalComplete},
    {.action = 34, .arguments = HeaderArguments, .complete = m_objHeaderValues_RetrievalComplete},
    {.action = 35, .complete = m_objOnlineSearch_RetrievalComplete},
    {.action = 37, .complete = m_objDictationSearch_RetrievalComplete},
    {.action = 40, .arguments = SearchListArguments, .complete = m_objGetListsCompressed_RetrievalComplete},
};

// The completions below keep only what every single answer keeps until their files are written.
constexpr GenericAnswer kContactsFile{11, "m_objContactsFile_DownloadComplete", GenericLookup::Own, "ContactsFile"};
constexpr GenericAnswer kContactChanges{12, "m_objContactChanges_DownloadComplete", GenericLookup::Own, "ContactsFile"};
constexpr GenericAnswer kSearchLists{21, "m_objRetrieveSearchLists_RetrievalComplete", GenericLookup::Own, "RetrieveSearchLists"};
constexpr GenericAnswer kListsCompressed{40, "m_objGetListsCompressed_RetrievalComplete", GenericLookup::Own, "GetListsCompressed"};

void m_objContactsFile_DownloadComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kContactsFile); }
void m_objContactChanges_DownloadComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kContactChanges); }
void m_objRetrieveSearchLists_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kSearchLists); }
void m_objGetListsCompressed_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kListsCompressed); }
void m_objHeaderValues_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  CompleteDictationListAnswer(request, service, bErrors, request.CurrentAction());
}

}  // namespace

std::span<const ActionBranch> ListsAndSearchesBranches() { return kBranches; }

}  // namespace vz
