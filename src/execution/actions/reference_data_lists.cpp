// Reference data for the editor: speakers, worktypes, search lists (plain and compressed), the
// contact list and its changes, locked dictations, patient, HL7, online and dictation searches, and
// the header values of dictations. Most answers go to the action's parameter set for the editor;
// the contact, search-list and header actions also leave files under the application or download
// folder (contacts_files.hpp, header_documents.hpp).
#include <cstdlib>
#include <system_error>

#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/actions/login_and_institution.hpp"
#include "execution/client_service.hpp"
#include "execution/contacts_files.hpp"
#include "execution/database_request.hpp"
#include "execution/header_documents.hpp"
#include "execution/query_strings.hpp"
#include "execution/quote_free_xml.hpp"
#include "execution/retry_classification.hpp"
#include "execution/zip_unpacker.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"
#include "model/variant_collection.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

constexpr const char* kSearchListSelector = "NNYYNNNNNNNNNNNNY";

std::string LocationIDText(const clsDatabaseRequest& request) {
  const auto info = request.ConnectionInfo();
  return std::to_string(info ? info->CurrentLocationID() : 0);
}

std::string InstitutionIDText(const clsDatabaseRequest& request) {
  const auto info = request.ConnectionInfo();
  return info ? info->InstitutionID() : std::string();
}

std::string RealmText(const clsDatabaseRequest& request) {
  const auto info = request.ConnectionInfo();
  return info ? info->Realm() : std::string();
}

void RaiseLoginStatus(clsDatabaseRequest& request, const std::string& status) {
  if (const auto host = request.Host()) host->Fire_LoginStatus(status);
}

std::string ContactsStatus(const clsDatabaseRequest& request) {
  const auto info = request.ConnectionInfo();
  return "Downloading latest " + (info ? info->InstitutionDirectory() : std::string()) + " contacts.";
}

// "doCompress" asks for a compressed answer when it reads as the number 1 ("1", "1.0", " 1 ").
bool ReadsAsOne(const std::string& text) {
  const char* start = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0' && value == 1.0;
}

// --- contacts ---------------------------------------------------------------------------------

// The contact list lives in the folder the editor names in "AppPath", or the application folder.
std::string ContactsFolder(const std::shared_ptr<clsGenericRequest>& generic) {
  std::string appPath = ParameterValue(generic, "AppPath");
  return appPath.empty() ? ApplicationPath() : appPath;
}

std::string ContactsRoot(const clsDatabaseRequest& request, const std::string& folder, bool deltas) {
  return sfnContactsFileRoot(folder, InstitutionIDText(request), LocationIDText(request), RealmText(request), deltas);
}

bool PrepareContactsFile(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  const std::string folder = ContactsFolder(generic);
  // A complete list already on the workstation is kept; only its changes are fetched later.
  if (bfnContactsFileExists(folder, InstitutionIDText(request), LocationIDText(request), RealmText(request))) {
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

// "VersionID", "doCompress", then where the answer goes: the institution, the list's file (".zip"
// when compressed) and the server's time stamp of the list.
CallArguments ContactsFileArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                    const std::shared_ptr<clsGenericRequest>& generic) {
  const std::string folder = ContactsFolder(generic);
  CallArguments arguments = TableArguments(entry, generic);
  arguments.named.emplace("institutionID", InstitutionIDText(request));
  arguments.named.emplace(argument::kAnswerFile,
                          ContactsRoot(request, folder, false) + (ReadsAsOne(ParameterValue(generic, "doCompress")) ? ".zip" : ".xml"));
  arguments.named.emplace(argument::kTimestampFile, Request206TimeStampFile(folder));
  return arguments;
}

bool PrepareContactChanges(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  RaiseLoginStatus(request, ContactsStatus(request));
  return true;
}

// "VersionID", "doCompress", the time of the last full list, the institution and the changes' file.
CallArguments ContactChangesArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                      const std::shared_ptr<clsGenericRequest>& generic) {
  CallArguments arguments = TableArguments(entry, generic);
  arguments.named.emplace("since", sfnContactDeltaTimestamp(ApplicationPath(), InstitutionIDText(request), LocationIDText(request), RealmText(request)));
  arguments.named.emplace("institutionID", InstitutionIDText(request));
  arguments.named.emplace(argument::kAnswerFile,
                          ContactsRoot(request, ApplicationPath(), true) + (ReadsAsOne(ParameterValue(generic, "doCompress")) ? ".zip" : ".xml"));
  return arguments;
}

constexpr GenericAnswer kContactsFile{11, "m_objContactsFile_DownloadComplete", GenericLookup::Own, "ContactsFile"};
constexpr GenericAnswer kContactChanges{12, "m_objContactChanges_DownloadComplete", GenericLookup::Own, "ContactsFile"};

// The contact handlers find their parameter set with texts of their own.
std::shared_ptr<clsGenericRequest> ContactsGenericRequest(clsDatabaseRequest& request, const GenericAnswer& rule) {
  const std::string where = HandlerLocation(rule);
  const auto requests = request.GenericRequests();
  std::shared_ptr<clsGenericRequest> generic;
  if (!requests) {
    request.SetGlobalErrorMessage("XMLResponses collection uninitialized on return from ContactsFile request.");
  } else if (!(generic = requests->NextAction(rule.action, REQUEST_STATE::NotCompleted))) {
    request.SetGlobalErrorMessage("No free GenericRequest objects on return from ContactsFile request.");
  }
  if (!generic) {
    GlobalTrace(where, request.GlobalErrorMessage());
    request.CloseRequest();
  }
  return generic;
}

void m_objContactsFile_DownloadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = HandlerLocation(kContactsFile);
  GlobalTrace(where, "Entering ContactsFile_DownloadCompleteComplete");
  const auto generic = ContactsGenericRequest(request, kContactsFile);
  if (!generic) return;
  if (bErrors) {
    if (RecordErrorOrRetry(request, kContactsFile, generic, service.getErrorMessage())) return;
  } else {
    const std::string folder = ContactsFolder(generic);
    const std::string serverStamp = Request206TimeStampFile(folder);
    const std::string stamp = sfnTimeStampFile(folder, InstitutionIDText(request), LocationIDText(request), RealmText(request));
    // A new list has arrived: the markers of the one before no longer vouch for what is on disk.
    KillContactExistenceFiles(folder, InstitutionIDText(request), LocationIDText(request), RealmText(request));
    const auto contents = platform::IsRegularFile(serverStamp) ? platform::ReadWholeFile(serverStamp) : std::nullopt;
    if (contents) {
      GlobalTrace(where, "Copying request206.ts to " + stamp);
      try {
        platform::WriteFileAtomically(stamp, *contents);
      } catch (const std::system_error& failure) {
        GlobalErrorsLog(where, "Could not copy " + serverStamp + " to " + stamp + ": " + failure.what());
      }
    } else {
      GlobalErrorsLog(where, "No Request206.ts file written");
    }
  }
  request.ResumePump();
}

// Unpacks the changes and makes their quotes harmless for the editor; what goes wrong is the
// parameter set's error, and the request goes on.
void UnpackContactChanges(clsDatabaseRequest& request, clsGenericRequest& generic, const std::string& where) {
  const std::string zip = ContactsRoot(request, ApplicationPath(), true) + ".zip";
  const std::string xml = sfnFileNameExtensionToXML(zip);
  if (!DecompressFile(zip)) {
    GlobalTrace(where, "modPenwrightClientUtils.DecompressFile failed.");
    generic.ErrorMessages()->Add(Value("Unable to decompress " + zip + "."));
    return;
  }
  // Rewritten a block at a time: the unpacked file may be hundreds of MiB of quotes. A server's odd
  // document is its error, not a box on the workstation.
  const QuoteFreeRewrite rewrite = RewriteQuoteFree(xml);
  if (rewrite.outcome == QuoteFreeOutcome::kUnwritable) {
    generic.ErrorMessages()->Add(Value("Could not write " + xml + ": " + rewrite.detail));
    return;
  }
  if (rewrite.outcome != QuoteFreeOutcome::kRewritten) {
    generic.ErrorMessages()->Add(Value("No <InfoResponse> in " + xml + "."));
    return;
  }
  GlobalTrace(where, "Successfully wrote XML response to " + xml + ".");
}

void m_objContactChanges_DownloadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = HandlerLocation(kContactChanges);
  GlobalTrace(where, "Entering ContactChanges_DownloadCompleteComplete");
  const auto generic = ContactsGenericRequest(request, kContactChanges);
  if (!generic) return;
  if (bErrors) {
    if (RecordErrorOrRetry(request, kContactChanges, generic, service.getErrorMessage())) return;
  } else if (ReadsAsOne(ParameterValue(generic, "doCompress"))) {
    UnpackContactChanges(request, *generic, where);
  }
  request.ResumePump();
  GlobalTrace(where, "Leaving ContactChanges_DownloadCompleteComplete");
}

// --- lists ------------------------------------------------------------------------------------

CallArguments PeopleListArguments(clsDatabaseRequest&, const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>& generic) {
  CallArguments arguments;
  arguments.named = {{"institutionID", ParameterValue(generic, "institutionID")},
                     {"application", ""},
                     {"selector", entry.action == Action::DBR_GETSPEAKERS ? "NNY" : "NNNY"}};
  return arguments;
}

bool PrepareSearchLists(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  RaiseLoginStatus(request, "Downloading current speakers and worktypes...");
  return true;
}

std::string SearchListZip(const clsDatabaseRequest& request) {
  return sfnSearchListZIP(ApplicationPath(), InstitutionIDText(request), LocationIDText(request));
}

// The institution, the application, the selector; the compressed lists also the workstation's
// certificate and the ".zip" the answer is saved as.
CallArguments SearchListArguments(clsDatabaseRequest& request, const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>&) {
  CallArguments arguments;
  arguments.named = {{"institutionID", InstitutionIDText(request)}, {"application", "Penwright"}, {"selector", kSearchListSelector}};
  if (entry.action == Action::DBR_GETLISTSCOMPRESSED) {
    arguments.named.emplace("certificate", Certificate(request));
    arguments.named.emplace(argument::kAnswerFile, SearchListZip(request));
  }
  return arguments;
}

constexpr GenericAnswer kSearchLists{21, "m_objRetrieveSearchLists_RetrievalComplete", GenericLookup::Own, "RetrieveSearchLists"};
constexpr GenericAnswer kListsCompressed{40, "m_objGetListsCompressed_RetrievalComplete", GenericLookup::Own, "GetListsCompressed"};

// The answer becomes the search-list file instead of a response string.
void m_objRetrieveSearchLists_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = HandlerLocation(kSearchLists);
  const auto generic = FindGenericRequest(request, kSearchLists);
  if (!generic) return;
  if (bErrors) {
    if (RecordErrorOrRetry(request, kSearchLists, generic, service.getErrorMessage())) return;
  } else {
    const std::string file = sfnSearchListXML(ApplicationPath(), InstitutionIDText(request), LocationIDText(request));
    GlobalTrace(where, "Writing XML response to " + file);
    try {
      platform::WriteFileAtomically(file, service.getXMLResponse());
    } catch (const std::system_error& failure) {
      generic->ErrorMessages()->Add(Value("Could not write " + file + ": " + failure.what()));
    }
  }
  request.ResumePump();
}

// The client services saved the answer as the ".zip"; it is unpacked beside it, or the request ends.
void m_objGetListsCompressed_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = HandlerLocation(kListsCompressed);
  const auto generic = FindGenericRequest(request, kListsCompressed);
  if (!generic) return;
  if (bErrors) {
    std::string message = service.getErrorMessage();
    // Sent without the certificate that could not be written, the call can only be refused for
    // missing it: the editor is told why it was missing.
    if (!request.CertificateProblem().empty() && !bfnRequestTimeOutMessage(message)) message = request.CertificateProblem();
    if (RecordErrorOrRetry(request, kListsCompressed, generic, message)) return;
  } else {
    const std::string zip = SearchListZip(request);
    if (!DecompressFile(zip)) {
      GlobalTrace(where, "modPenwrightClientUtils.DecompressFile failed.");
      const std::string text = "Unable to decompress " + zip + ".";
      generic->ErrorMessages()->Add(Value(text));
      request.SetGlobalErrorMessage(text);
      request.CloseRequest();
      return;
    }
    GlobalTrace(where, "Successfully wrote XML response to " + sfnFileNameExtensionToXML(zip) + ".");
  }
  request.ResumePump();
}

// --- searches and other single answers ---------------------------------------------------------

CallArguments HL7SearchArguments(clsDatabaseRequest&, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  CallArguments arguments;
  arguments.named.emplace("parmString", sfnHL7SearchParameterString(generic ? generic->Parameters() : nullptr));
  return arguments;
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

CallArguments HeaderArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>&) {
  GlobalTrace(kRunLocation, "Retrieving headers for utterances: " + request.sfnUtteranceList());
  return DictationListArguments(request);
}

// One header document per dictation of the list, each kept as the dictation's ".hd3". After a
// communication failure the headers that did arrive are kept and the others asked again.
void m_objHeaderValues_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objHeaderValues_RetrievalComplete";
  const std::int32_t action = request.CurrentAction();
  if (bErrors) {
    const auto keepArrived = [&](std::size_t) {
      GlobalTrace(where, "MarkCompletedUtterances m_Tr.UtterancesCompleted, m_nCurrentRequest");
      PersistSuccessfullyRetrievedHeader(request, service.DictationResponses());
    };
    if (request.HandleFileListErrorsOrRetry(service, action, nullptr, keepArrived)) return;
    if (const auto dictations = request.Dictations()) {
      for (const auto& dictation : dictations->Items()) {
        if (!dictation->ErrorString().empty()) continue;
        dictation->SetErrorString("Header request error");
        dictation->SetErrorAction(Value(action));
      }
    }
    PersistSuccessfullyRetrievedHeader(request, service.DictationResponses());
  } else {
    GlobalTrace(where, "PersistSuccessfullyRetrievedHeader before");
    PersistSuccessfullyRetrievedHeader(request, service.DictationResponses());
    GlobalTrace(where, "PersistSuccessfullyRetrievedHeader after");
  }
  request.ResumePump();
}

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_GETTEMPLATES, .arguments = HeaderArguments, .complete = m_objHeaderValues_RetrievalComplete},
    {.action = Action::DBR_GETCONTACTSFILE, .prepare = PrepareContactsFile, .arguments = ContactsFileArguments, .complete = m_objContactsFile_DownloadComplete},
    {.action = Action::DBR_GETCONTACTCHANGES, .prepare = PrepareContactChanges, .arguments = ContactChangesArguments, .complete = m_objContactChanges_DownloadComplete},
    {.action = Action::DBR_GETLOCKEDLIST, .complete = m_objLockedList_RequestComplete},
    {.action = Action::DBR_SEARCHPATIENTINFO, .complete = m_objSearchPatientInfo_RetrievalComplete},
    {.action = Action::DBR_GETSPEAKERS, .arguments = PeopleListArguments, .complete = m_objRetrieveSpeakers_RetrievalComplete},
    {.action = Action::DBR_GETWORKTYPES, .arguments = PeopleListArguments, .complete = m_objRetrieveWorkTypes_RetrievalComplete},
    {.action = Action::DBR_GETSEARCHLISTS, .prepare = PrepareSearchLists, .arguments = SearchListArguments, .complete = m_objRetrieveSearchLists_RetrievalComplete},
    {.action = Action::DBR_HL7SEARCH, .takesParameterSet = true, .arguments = HL7SearchArguments, .complete = m_objHL7Search_RetrievalComplete},
    {.action = Action::DBR_GETCHANGEDHEADER, .prepare = ReduceToFirstDictation, .arguments = HeaderArguments, .complete = m_objHeaderValues_RetrievalComplete},
    {.action = Action::DBR_GETHEADER, .arguments = HeaderArguments, .complete = m_objHeaderValues_RetrievalComplete},
    {.action = Action::DBR_ONLINESEARCH, .complete = m_objOnlineSearch_RetrievalComplete},
    {.action = Action::DBR_DICTATIONSEARCH, .complete = m_objDictationSearch_RetrievalComplete},
    {.action = Action::DBR_GETLISTSCOMPRESSED, .arguments = SearchListArguments, .complete = m_objGetListsCompressed_RetrievalComplete},
};

}  // namespace

std::span<const ActionBranch> ReferenceDataListBranches() { return kBranches; }

}  // namespace vz
