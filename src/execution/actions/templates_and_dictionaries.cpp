// Document templates and speech dictionaries kept on the workstation: the lists of what changed,
// the server's time of the template download, and the downloads of the listed files into the
// application folder's "Downloads".
#include "diagnostics/trace.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "model/generic_files.hpp"
#include "model/generic_request.hpp"

namespace vz {
namespace {

std::string DownloadFolder() { return ApplicationPath() + "/Downloads"; }

// --- template files and dictionaries -------------------------------------------------------------

bool PrepareTemplateFiles(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  GlobalTrace(kRunLocation, "Branching into DBR_GETTEMPLATEDOCS");
  if (!generic) GlobalTrace(kRunLocation, "After retrieving genericrequest. objGenericRequest is Nothing = True");
  const auto files = generic ? generic->GenericFiles() : nullptr;
  if (!files || files->Count() == 0) return Skip(request, "No template files in filelist to download in DBR_GETTEMPLATEDOCS");
  GlobalTrace(kRunLocation, "About to download " + std::to_string(files->Count()) + " template docs:");
  return true;
}

std::vector<Value> TemplateFilesArguments(clsDatabaseRequest&, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  Value::Array files;
  if (generic && generic->GenericFiles()) {
    for (const auto& file : generic->GenericFiles()->Items()) {
      files.emplace_back(Value::Array{Value(file->FileID()), Value(file->FileName()), Value(file->FilePath())});
    }
  }
  return {Value(std::move(files)), Value(DownloadFolder())};
}

bool PrepareDictionaries(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  GlobalTrace(kRunLocation, "Beginning Download Dictionary Request");
  if (!generic) {
    GlobalTrace(kRunLocation, "After retrieving genericrequest. For DBR_DOWNLOADDICTIONARY objGenericRequest is Nothing = True");
  }
  if (!generic || generic->DictionaryFiles().empty()) {
    return Skip(request, "Dictionary Files array is empty, no dictionaries to download.");
  }
  return true;
}

std::vector<Value> DictionaryArguments(clsDatabaseRequest&, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  return {TextsValue(generic ? generic->DictionaryFiles() : std::vector<std::string>{}), Value(DownloadFolder())};
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
  FileDownloadComplete(request, service, bErrors, 30, "DBR_GETTEMPLATEDOCS", "m_objGetTemplateDocs_RetrievalComplete");
}

void m_objDownloadDictionaries_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  FileDownloadComplete(request, service, bErrors, 57, "DBR_DOWNLOADDICTIONARY", "m_objDownloadDictionaries_RetrievalComplete");
}

// --- lists and the download time ---------------------------------------------------------------

// These keep only what every single answer keeps until the lists fill the downloads that follow.
constexpr GenericAnswer kTemplateList{29, "m_objTemplateDocList_RetrievalComplete", GenericLookup::Vanilla, "DBR_GETTEMPLATEDOCLIST"};
constexpr GenericAnswer kDownloadTime{45, "m_objTemplateDownloadTime_RetrievalComplete", GenericLookup::Vanilla, "DBR_GETTEMPLATEDOWNLOADTIME"};
constexpr GenericAnswer kDictionaryList{56, "m_objDictionariesList_RetrievalComplete", GenericLookup::Vanilla, "DBR_GETDICTIONARIESLIST"};

void m_objTemplateDocList_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kTemplateList); }
void m_objTemplateDownloadTime_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kDownloadTime); }
void m_objDictionariesList_RetrievalComplete(clsDatabaseRequest& r, ClientServiceObject& s, bool e) { CompleteGenericAnswer(r, s, e, kDictionaryList); }

constexpr ActionBranch kBranches[] = {
    {.action = 29, .complete = m_objTemplateDocList_RetrievalComplete},
    {.action = 30,
     .takesParameterSet = true,
     .prepare = PrepareTemplateFiles,
     .arguments = TemplateFilesArguments,
     .complete = m_objGetTemplateDocs_RetrievalComplete},
    {.action = 45, .complete = m_objTemplateDownloadTime_RetrievalComplete},
    {.action = 56, .complete = m_objDictionariesList_RetrievalComplete},
    {.action = 57,
     .takesParameterSet = true,
     .prepare = PrepareDictionaries,
     .arguments = DictionaryArguments,
     .complete = m_objDownloadDictionaries_RetrievalComplete},
};

}  // namespace

std::span<const ActionBranch> TemplatesAndDictionariesBranches() { return kBranches; }

}  // namespace vz
