// Reference data over HTTP: locked dictations (0107), lists (0201) and compressed lists (0202), the
// contact list (0206) and its changes (0207), searches (0210-0213), header documents per dictation
// (0106), the template list (0220) and files (0221), the dictionary list (0231) and files (0232),
// and the template download time (0009).
//
// The engine passes, after the call's own arguments, where file answers go (the list's ".zip" or
// ".xml" under the application folder, the download folder for templates and dictionaries). Names
// of template and dictionary files come from the server: one that could leave the download folder
// is that file's error and no exchange is made for it.
#include <map>

#include <pugixml.hpp>

#include "clientservices/calls/call_building.hpp"
#include "execution/server_file_names.hpp"
#include "servlet_wire/form_codec.hpp"

namespace vz::http_client {
namespace {

constexpr const char* kListTimestampHeader = "X-List-Timestamp";

const std::map<std::string, SingleCall, std::less<>>& Calls() {
  static const std::map<std::string, SingleCall, std::less<>> calls = {
      {"m_objLockedList", {"0107", {}, {{"machineID", ""}}}},
      {"m_objRetrieveSpeakers", {"0201", {"institutionID", "application", "selector"}, {}}},
      {"m_objRetrieveWorkTypes", {"0201", {"institutionID", "application", "selector"}, {}}},
      {"m_objRetrieveSearchLists", {"0201", {"institutionID", "application", "selector"}, {}}},
      {"m_objSearchPatientInfo", {"0210", {"LastName", "MRN", "VisitCode"}, {}}},
      {"m_objHL7Search", {"0211", {"parmString"}, {}}},
      {"m_objOnlineSearch", {"0212", {"utteranceID", "paramString"}, {}}},
      {"m_objDictationSearch", {"0213", {"searchParameters"}, {}}},
      {"m_objTemplateDownloadTime", {"0009", {}, {}}},
      {"m_objTemplateDocList", {"0220", {"lastModifiedDate"}, {}}},
      {"m_objDictionariesList", {"0231", {"lastModifiedFlagPath", "lastModifiedDate"}, {}}},
  };
  return calls;
}

// One exchange per dictation, its XML answer kept per dictation.
HttpCallPlan Headers(const CallInputs& call) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  plan.concurrent = true;
  for (const ListEntry& entry : call.entries)
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query("0106"), servlet_wire::FormBody(entry.Values()))}});
  return plan;
}

// One exchange whose answer is a file saved as the argument at `fileAt`.
std::optional<HttpCallPlan> FileAnswer(const CallInputs& call, std::string_view number, const Pairs& pairs, std::size_t fileAt,
                                       std::string& problem) {
  const std::string file = call.Argument(fileAt);
  if (file.empty()) {
    problem = "No file named for the answer of " + std::string(call.field) + "." + std::string(call.operation);
    return std::nullopt;
  }
  HttpCallPlan plan = OneExchange(call, number, servlet_wire::FormBody(pairs));
  plan.entries.front().steps.front().answer = AnswerKind::kFile;
  plan.entries.front().steps.front().saveAs = file;
  return plan;
}

// Arguments: institution, application, selector, certificate, the ".zip".
std::optional<HttpCallPlan> CompressedLists(const CallInputs& call, std::string& problem) {
  return FileAnswer(call, "0202",
                    {{"institutionID", call.Argument(0)},
                     {"application", call.Argument(1)},
                     {"selector", call.Argument(2)},
                     {"certificate", call.Argument(3)}},
                    4, problem);
}

// Arguments: "VersionID", "doCompress", institution, the list's file, the time-stamp file.
std::optional<HttpCallPlan> ContactsFile(const CallInputs& call, std::string& problem) {
  auto plan = FileAnswer(call, "0206",
                         {{"institutionID", call.Argument(2)},
                          {"locationID", call.InitText(call.layout.locationID)},
                          {"VersionID", call.Argument(0)},
                          {"doCompress", call.Argument(1)}},
                         3, problem);
  if (plan && !call.Argument(4).empty()) {
    HttpStep& step = plan->entries.front().steps.front();
    step.headerName = kListTimestampHeader;
    step.headerFile = call.Argument(4);
  }
  return plan;
}

// Arguments: "VersionID", "doCompress", the time of the last full list, institution, the file.
std::optional<HttpCallPlan> ContactChanges(const CallInputs& call, std::string& problem) {
  return FileAnswer(call, "0207",
                    {{"institutionID", call.Argument(3)},
                     {"locationID", call.InitText(call.layout.locationID)},
                     {"VersionID", call.Argument(0)},
                     {"doCompress", call.Argument(1)},
                     {"since", call.Argument(2)}},
                    4, problem);
}

// Arguments: the files (templates: [fileID, fileName, filePath]; dictionaries: the names) and
// the download folder.
std::optional<HttpCallPlan> FileList(const CallInputs& call, bool templates, std::string& problem) {
  const std::string folder = call.Argument(1);
  if (call.rest.empty() || !call.rest[0].IsArray() || folder.empty()) {
    problem = std::string(call.field) + "." + std::string(call.operation) + " needs its list of files and the download folder";
    return std::nullopt;
  }
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  for (const Value& item : call.rest[0].ArrayItems()) {
    std::string name;
    Pairs pairs;
    if (templates) {
      const auto& values = item.IsArray() ? item.ArrayItems() : std::vector<Value>{};
      const auto at = [&values](std::size_t i) { return i < values.size() ? Text(values[i]) : std::string(); };
      name = at(1);
      pairs = {{"fileID", at(0)}, {"fileName", name}, {"filePath", at(2)}};
    } else {
      name = item.IsArray() ? std::string() : Text(item);
      pairs = {{"fileName", name}};
    }
    HttpStep step = Step(Query(templates ? "0221" : "0232"), servlet_wire::FormBody(pairs));
    if (const std::string refused = ServerFileNameProblem(name); !refused.empty()) {
      step.refusal = "refused file name from the server: " + refused;
    } else {
      step.answer = AnswerKind::kFile;
      step.saveAs = std::filesystem::path(folder) / name;
    }
    plan.fileNames.push_back(name.empty() ? "(none)" : name);
    plan.entries.push_back(HttpEntry{"", "", {std::move(step)}});
  }
  return plan;
}

}  // namespace

bool TakesFileList(std::string_view field) { return field == "m_objGetTemplateDocs" || field == "m_objDownloadDictionaries"; }

std::vector<std::string> ListedNames(std::string_view xml, std::string_view path) {
  pugi::xml_document document;
  if (!document.load_buffer(xml.data(), xml.size())) return {};
  std::vector<std::string> names;
  for (const pugi::xpath_node& found : document.select_nodes(std::string(path).c_str())) names.emplace_back(found.node().text().get());
  return names;
}

std::optional<HttpCallPlan> ReferenceDataCall(const CallInputs& call, std::string& problem) {
  if (const auto found = Calls().find(call.field); found != Calls().end()) {
    HttpCallPlan plan = SingleCallPlan(call, found->second);
    if (call.field == "m_objDictionariesList") plan.namesAt = "InfoResponse/Dictionary";
    return plan;
  }
  if (call.field == "m_objHeaderValues") return Headers(call);
  if (call.field == "m_objGetListsCompressed") return CompressedLists(call, problem);
  if (call.field == "m_objContactsFile") return ContactsFile(call, problem);
  if (call.field == "m_objContactChanges") return ContactChanges(call, problem);
  if (call.field == "m_objGetTemplateDocs") return FileList(call, true, problem);
  if (call.field == "m_objDownloadDictionaries") return FileList(call, false, problem);
  return std::nullopt;
}

}  // namespace vz::http_client
