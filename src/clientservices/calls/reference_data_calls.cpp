// Reference data over HTTP: locked dictations (0107), lists (0201) and compressed lists (0202), the
// contact list (0206) and its changes (0207), searches (0210-0213), header documents per dictation
// (0106), the template list (0220) and files (0221), the dictionary list (0231) and files (0232),
// and the template download time (0009).
//
// The engine names, besides the call's own arguments, where file answers go (the list's ".zip" or
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

const std::map<Action, SingleCall>& Calls() {
  static const std::map<Action, SingleCall> calls = {
      {Action::DBR_GETLOCKEDLIST, {"0107", {}, {{"machineID", ""}}}},
      {Action::DBR_GETSPEAKERS, {"0201", {"institutionID", "application", "selector"}, {}}},
      {Action::DBR_GETWORKTYPES, {"0201", {"institutionID", "application", "selector"}, {}}},
      {Action::DBR_GETSEARCHLISTS, {"0201", {"institutionID", "application", "selector"}, {}}},
      {Action::DBR_SEARCHPATIENTINFO, {"0210", {"LastName", "MRN", "VisitCode"}, {}}},
      {Action::DBR_HL7SEARCH, {"0211", {"parmString"}, {}}},
      {Action::DBR_ONLINESEARCH, {"0212", {"utteranceID", "paramString"}, {}}},
      {Action::DBR_DICTATIONSEARCH, {"0213", {"searchParameters"}, {}}},
      {Action::DBR_GETTEMPLATEDOWNLOADTIME, {"0009", {}, {}}},
      {Action::DBR_GETTEMPLATEDOCLIST, {"0220", {"lastModifiedDate"}, {}}},
      {Action::DBR_GETDICTIONARIESLIST, {"0231", {"lastModifiedFlagPath", "lastModifiedDate"}, {}}},
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

// One exchange whose answer is a file saved as the argument named argument::kAnswerFile.
std::optional<HttpCallPlan> FileAnswer(const CallInputs& call, std::string_view number, const Pairs& pairs, std::string& problem) {
  const std::string file = call.Named(argument::kAnswerFile);
  if (file.empty()) {
    problem = "No file named for the answer of " + call.Name();
    return std::nullopt;
  }
  HttpCallPlan plan = OneExchange(call, number, servlet_wire::FormBody(pairs));
  plan.entries.front().steps.front().answer = AnswerKind::kFile;
  plan.entries.front().steps.front().saveAs = file;
  return plan;
}

// The institution, application, selector and certificate; the answer is the ".zip".
std::optional<HttpCallPlan> CompressedLists(const CallInputs& call, std::string& problem) {
  return FileAnswer(call, "0202",
                    {{"institutionID", call.Named("institutionID")},
                     {"application", call.Named("application")},
                     {"selector", call.Named("selector")},
                     {"certificate", call.Named("certificate")}},
                    problem);
}

// "VersionID", "doCompress" and the institution; the answer is the list's file, the list's time
// stamp kept in the time-stamp file.
std::optional<HttpCallPlan> ContactsFile(const CallInputs& call, std::string& problem) {
  auto plan = FileAnswer(call, "0206",
                         {{"institutionID", call.Named("institutionID")},
                          {"locationID", call.LocationID()},
                          {"VersionID", call.Named("VersionID")},
                          {"doCompress", call.Named("doCompress")}},
                         problem);
  if (const std::string stamp = call.Named(argument::kTimestampFile); plan && !stamp.empty()) {
    HttpStep& step = plan->entries.front().steps.front();
    step.headerName = kListTimestampHeader;
    step.headerFile = stamp;
  }
  return plan;
}

// "VersionID", "doCompress", the institution and the time of the last full list.
std::optional<HttpCallPlan> ContactChanges(const CallInputs& call, std::string& problem) {
  return FileAnswer(call, "0207",
                    {{"institutionID", call.Named("institutionID")},
                     {"locationID", call.LocationID()},
                     {"VersionID", call.Named("VersionID")},
                     {"doCompress", call.Named("doCompress")},
                     {"since", call.Named("since")}},
                    problem);
}

// One exchange per file of the list (templates, or dictionaries by name) into the download folder.
std::optional<HttpCallPlan> FileList(const CallInputs& call, bool templates, std::string& problem) {
  const std::string folder = call.Named(argument::kDownloadFolder);
  if (folder.empty()) {
    problem = call.Name() + " needs its list of files and the download folder";
    return std::nullopt;
  }
  std::vector<std::pair<std::string, Pairs>> files;  // each file's name and what asks for it
  if (templates) {
    for (const TemplateFile& file : call.arguments.templates) {
      files.push_back({file.fileName, {{"fileID", file.fileID}, {"fileName", file.fileName}, {"filePath", file.filePath}}});
    }
  } else {
    for (const std::string& name : call.arguments.dictionaries) files.push_back({name, {{"fileName", name}}});
  }
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  for (const auto& [name, pairs] : files) {
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

std::vector<std::string> ListedNames(std::string_view xml, std::string_view path) {
  pugi::xml_document document;
  if (!document.load_buffer(xml.data(), xml.size())) return {};
  std::vector<std::string> names;
  for (const pugi::xpath_node& found : document.select_nodes(std::string(path).c_str())) names.emplace_back(found.node().text().get());
  return names;
}

std::optional<HttpCallPlan> ReferenceDataCall(const CallInputs& call, std::string& problem) {
  if (const auto found = Calls().find(call.action); found != Calls().end()) {
    HttpCallPlan plan = SingleCallPlan(call, found->second);
    if (call.action == Action::DBR_GETDICTIONARIESLIST) plan.namesAt = "InfoResponse/Dictionary";
    return plan;
  }
  switch (call.action) {
    case Action::DBR_GETTEMPLATES:
    case Action::DBR_GETCHANGEDHEADER:
    case Action::DBR_GETHEADER: return Headers(call);
    case Action::DBR_GETLISTSCOMPRESSED: return CompressedLists(call, problem);
    case Action::DBR_GETCONTACTSFILE: return ContactsFile(call, problem);
    case Action::DBR_GETCONTACTCHANGES: return ContactChanges(call, problem);
    case Action::DBR_GETTEMPLATEDOCS: return FileList(call, true, problem);
    case Action::DBR_DOWNLOADDICTIONARY: return FileList(call, false, problem);
    default: return std::nullopt;
  }
}

}  // namespace vz::http_client
