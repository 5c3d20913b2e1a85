// Document templates and speech dictionaries kept on the workstation: the lists of what changed,
// the server's time of the template download, and the downloads of the listed files into the
// application folder's "Downloads". A list fills the file list of the download action that follows
// it in the same request; the file names come from the server and are checked by the client
// services before anything is written (server_file_names.hpp).
#include <memory>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/date_text.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "model/generic_files.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"
#include "xml/xml_document.hpp"

namespace vz {
namespace {

constexpr std::int32_t DBR_GETTEMPLATEDOCS = 30;
constexpr std::int32_t DBR_DOWNLOADDICTIONARY = 57;

std::string DownloadFolder() { return ApplicationPath() + "/Downloads"; }

// The parameter set a list hands its files to: the first of the download action that has not been
// started yet, so that a request with two list-and-download pairs feeds each download once.
std::shared_ptr<clsGenericRequest> FirstWaitingRequest(clsDatabaseRequest& request, std::int32_t action) {
  const auto requests = request.GenericRequests();
  if (!requests) return nullptr;
  for (const auto& generic : requests->Entries()) {
    if (generic->RequestType() == action && !generic->Transmitted()) return generic;
  }
  return nullptr;
}

// --- template files and dictionaries -------------------------------------------------------------

bool PrepareTemplateFiles(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  GlobalTrace(kRunLocation, "Branching into DBR_GETTEMPLATEDOCS");
  if (!generic) GlobalTrace(kRunLocation, "After retrieving genericrequest. objGenericRequest is Nothing = True");
  const auto files = generic ? generic->GenericFiles() : nullptr;
  if (!files || files->Count() == 0) return Skip(request, "No template files in filelist to download in DBR_GETTEMPLATEDOCS");
  GlobalTrace(kRunLocation, "About to download " + std::to_string(files->Count()) + " template docs:");
  if (!ApplicationPath().empty()) request.SafeMakeDir(DownloadFolder());
  return true;
}

CallArguments TemplateFilesArguments(clsDatabaseRequest&, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  CallArguments arguments;
  if (generic && generic->GenericFiles()) {
    for (const auto& file : generic->GenericFiles()->Items()) {
      GlobalTrace(kRunLocation, file->FileName());
      arguments.templates.push_back({file->FileID(), file->FileName(), file->FilePath()});
    }
  }
  arguments.named.emplace(argument::kDownloadFolder, DownloadFolder());
  return arguments;
}

bool PrepareDictionaries(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  GlobalTrace(kRunLocation, "Beginning Download Dictionary Request");
  if (!generic) {
    GlobalTrace(kRunLocation, "After retrieving genericrequest. For DBR_DOWNLOADDICTIONARY objGenericRequest is Nothing = True");
  }
  if (!generic || generic->DictionaryFiles().empty()) {
    return Skip(request, "Dictionary Files array is empty, no dictionaries to download.");
  }
  if (!ApplicationPath().empty()) request.SafeMakeDir(DownloadFolder());
  return true;
}

CallArguments DictionaryArguments(clsDatabaseRequest&, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  CallArguments arguments;
  if (generic) arguments.dictionaries = generic->DictionaryFiles();
  arguments.named.emplace(argument::kDownloadFolder, DownloadFolder());
  return arguments;
}

// The twins: errors name files; they go to the parameter set, a communication failure retries.
void FileDownloadComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, std::int32_t action,
                          const std::string& name, const std::string& handler) {
  const std::string where = "clsDatabaseRequest." + handler;
  const auto generic = request.objfnHandleVanillaGenericRequest(name, action);
  if (!generic) return;
  if (bErrors) {
    bool timedOut = false;
    std::string timeOutMessage;
    request.HandleFileListErrors(service.ErrorMessages(), timedOut, timeOutMessage, generic);
    if (timedOut) {
      GlobalTrace(where, "Timeout occurred.");
      request.SetupRequestForRetry(timeOutMessage, generic);
      return;
    }
    GlobalTrace(where, "Errors returned.");
  }
  request.ResumePump();
}

void m_objGetTemplateDocs_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  FileDownloadComplete(request, service, bErrors, DBR_GETTEMPLATEDOCS, "DBR_GETTEMPLATEDOCS", "m_objGetTemplateDocs_RetrievalComplete");
}

void m_objDownloadDictionaries_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  FileDownloadComplete(request, service, bErrors, DBR_DOWNLOADDICTIONARY, "DBR_DOWNLOADDICTIONARY",
                       "m_objDownloadDictionaries_RetrievalComplete");
}

// --- the template list ---------------------------------------------------------------------------

constexpr GenericAnswer kTemplateList{29, "m_objTemplateDocList_RetrievalComplete", GenericLookup::Vanilla, "DBR_GETTEMPLATEDOCLIST"};
constexpr GenericAnswer kDownloadTime{45, "m_objTemplateDownloadTime_RetrievalComplete", GenericLookup::Vanilla,
                                      "DBR_GETTEMPLATEDOWNLOADTIME"};
constexpr GenericAnswer kDictionaryList{56, "m_objDictionariesList_RetrievalComplete", GenericLookup::Vanilla, "DBR_GETDICTIONARIESLIST"};

// The answer as a document; null when it does not parse.
std::unique_ptr<clsXMLDocument> ConstructXMLDoc(const std::string& xml) {
  auto document = std::make_unique<clsXMLDocument>();
  try {
    document->LoadXMLFromMemory(xml);
  } catch (const AutomationError& failure) {
    GlobalTrace("clsDatabaseRequest.ConstructXMLDoc", failure.Description());
    return nullptr;
  }
  return document;
}

// True when "InfoResponse/Count" is a number of 1 or more.
bool NewTemplateDocs(const clsXMLDocument& document) {
  const std::string count = clsXMLDocument::NodeText(document.RetrieveNode("InfoResponse/Count"));
  try {
    std::size_t used = 0;
    const long value = std::stol(count, &used);
    return used == count.size() && value >= 1;
  } catch (const std::exception&) {
    return false;
  }
}

std::string TemplateAttribute(const pugi::xml_node& node, std::string_view name) {
  const std::string value = node.attribute(std::string(name).c_str()).value();
  GlobalTrace("clsDatabaseRequest.TemplateAttribute", "Attribute: " + std::string(name) + ". Value: " + value + ".");
  return value;
}

std::shared_ptr<clsGenericFiles> ConstructTemplateList(const clsXMLDocument& document) {
  auto files = std::make_shared<clsGenericFiles>();
  files->SetFileType(GenericRequestFileType::grftTemplate);
  for (const pugi::xml_node& node : document.RetrieveNodeList("InfoResponse/Template")) {
    const auto file = files->Add();
    file->SetFileID(TemplateAttribute(node, "TemplateID"));
    file->SetFileName(TemplateAttribute(node, "Filename"));
    file->SetFilePath(TemplateAttribute(node, "Path"));
    GlobalTrace("clsDatabaseRequest.ConstructTemplateList", "TemplateID = " + file->FileID());
  }
  return files;
}

void m_objTemplateDocList_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = HandlerLocation(kTemplateList);
  const auto generic = FindGenericRequest(request, kTemplateList);
  if (!generic) return;
  if (bErrors) {
    if (RecordErrorOrRetry(request, kTemplateList, generic, service.getErrorMessage())) return;
  } else {
    GlobalTrace(where, "Assigning XML response.");
    const std::string answer = service.getXMLResponse();
    if (const auto document = ConstructXMLDoc(answer)) {
      if (NewTemplateDocs(*document)) {
        if (const auto download = FirstWaitingRequest(request, DBR_GETTEMPLATEDOCS)) download->SetGenericFiles(ConstructTemplateList(*document));
      }
      generic->ResponseStrings()->Add(answer, "1");
    } else {
      generic->ErrorMessages()->Add(Value("Unable to parse XML."));
    }
  }
  request.ResumePump();
  GlobalTrace(where, "Leaving sub.");
}

// --- the template download time ------------------------------------------------------------------

// "MM/DD/YYYY hh:nn:ss" from the attributes of "InfoResponse", or "" when they make no time.
std::string ContsructTemplateDownloadTime(const clsXMLDocument& document) {
  const pugi::xml_node answer = document.RetrieveNode("InfoResponse");
  const auto part = [&answer](const char* name) { return std::string(answer.attribute(name).value()); };
  const std::string joined =
      part("Month") + "/" + part("Day") + "/" + part("Year") + " " + part("Hour") + ":" + part("Minute") + ":" + part("Second");
  const auto when = answer && part("Year").size() == 4 ? dictation::ParseDateText(joined) : std::nullopt;
  if (!when) {
    GlobalErrorsLog("clsDatabaseRequest.ContsructTemplateDownloadTime", "Error parsing time from request 009.");
    return {};
  }
  const std::string time = dictation::FormatDateText(*when, "MM/DD/YYYY hh:nn:ss");
  GlobalTrace("clsDatabaseRequest.ContsructTemplateDownloadTime", "Time of template download is " + time);
  return time;
}

void m_objTemplateDownloadTime_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const auto generic = FindGenericRequest(request, kDownloadTime);
  if (!generic) return;
  if (bErrors) {
    if (RecordErrorOrRetry(request, kDownloadTime, generic, service.getErrorMessage())) return;
  } else {
    const auto document = ConstructXMLDoc(service.getXMLResponse());
    const std::string time = document ? ContsructTemplateDownloadTime(*document) : std::string();
    if (!time.empty()) {
      StoreAnswer(kDownloadTime, *generic, time);
    } else {
      generic->ErrorMessages()->Add(Value("Could not load XML document from request 9"));
    }
  }
  request.ResumePump();
}

// --- the dictionary list -------------------------------------------------------------------------

void m_objDictionariesList_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = HandlerLocation(kDictionaryList);
  const auto generic = FindGenericRequest(request, kDictionaryList);
  if (!generic) {
    GlobalTrace(where, "objGeneric Request is nothing, exiting sub...");
    return;
  }
  if (bErrors) {
    const std::string message = service.getErrorMessage();
    if (message.find("Class Request0231 not found") != std::string::npos) {
      // An older servlet: the editor keeps the dictionaries it has.
      GlobalTrace(where, "Running against a servlet where request 231 is not yet implemented. Exiting request...");
    } else if (RecordErrorOrRetry(request, kDictionaryList, generic, message)) {
      return;
    }
  } else {
    const std::vector<std::string> names = service.ListNames();
    if (const auto download = FirstWaitingRequest(request, DBR_DOWNLOADDICTIONARY)) {
      if (names.empty()) GlobalTrace(where, "No dictionaries returned.");
      download->SetDictionaryFiles(names);
    } else {
      GlobalErrorsLog(where, "Could not get first DBR_DOWNLOADDICTIONARY request.");
    }
    StoreAnswer(kDictionaryList, *generic, service.getXMLResponse());
  }
  request.ResumePump();
}

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_GETTEMPLATEDOCLIST, .complete = m_objTemplateDocList_RetrievalComplete},
    {.action = Action::DBR_GETTEMPLATEDOCS,
     .takesParameterSet = true,
     .prepare = PrepareTemplateFiles,
     .arguments = TemplateFilesArguments,
     .complete = m_objGetTemplateDocs_RetrievalComplete},
    {.action = Action::DBR_GETTEMPLATEDOWNLOADTIME, .complete = m_objTemplateDownloadTime_RetrievalComplete},
    {.action = Action::DBR_GETDICTIONARIESLIST, .complete = m_objDictionariesList_RetrievalComplete},
    {.action = Action::DBR_DOWNLOADDICTIONARY,
     .takesParameterSet = true,
     .prepare = PrepareDictionaries,
     .arguments = DictionaryArguments,
     .complete = m_objDownloadDictionaries_RetrievalComplete},
};

}  // namespace

std::span<const ActionBranch> ReferenceDataTemplateBranches() { return kBranches; }

}  // namespace vz
