// Dictation operations (03xx): field updates, split, link, creation, gateway sends, options,
// release and metrics, application features, and per dictation its information (the pending note)
// and permissions. QA (04xx) is served by dictation_operations_qa_servlets.cpp. Changes show in
// later work queues.
#include <pugixml.hpp>

#include <algorithm>
#include <optional>
#include <sstream>

#include "servlet_wire/form_codec.hpp"
#include "servlet_wire/xml_text.hpp"
#include "simulator/servlets/dictation_changes.hpp"
#include "simulator/servlets/dictation_operations_qa_servlets.hpp"

namespace vz::simulator {
namespace {

constexpr RequestKind kRequests[] = {
    {"0300", "dictationupdate"}, {"0301", "updatefield"},  {"0302", "updatedictfields"}, {"0303", "split"},
    {"0304", "link"},            {"0305", "create"},       {"0306", "gateway"},          {"0307", "getoptions"},
    {"0308", "sendoptions"},     {"0309", "release"},      {"0310", "metrics"},          {"0311", "appfeatures"},
    {"0312", "dictationinfo"},   {"0313", "permissions"},  {"0400", "qascore"},          {"0401", "removereview"},
    {"0402", "numreviews"},      {"0403", "gradecriteria"}, {"0404", "averagegrade"},    {"0405", "rdrtranscriptionists"},
    {"0406", "rdrreviewers"},    {"0407", "prcriteria"},   {"0408", "qagupload"},        {"0409", "qagdownload"},
    {"0410", "pendingreasons"},
};

// The release the institution offers.
constexpr long kRelease[] = {10, 4, 2};
// Errors of the dictation-fields servlet come with the class of the exception that reported them.
constexpr const char* kDictFieldsException = "com.quorvane.servlet.UpdateDictFieldsException: ";

std::string Attribute(std::string_view name, std::string_view value) { return " " + std::string(name) + "=\"" + servlet_wire::EscapeXml(value) + "\""; }

HttpReply Done(std::string_view element, const std::string& attributes) {
  return Xml("<InfoResponse><" + std::string(element) + attributes + "/></InfoResponse>\n");
}

// A dictation another user has checked out cannot be changed.
std::optional<HttpReply> LockedByOther(const Dictation& dictation, const ServletCall& call) {
  if (dictation.lockedBy.empty() || dictation.lockedBy == call.login) return std::nullopt;
  return Error(409, "Utterance " + std::to_string(dictation.utteranceID) + " is checked out to " + dictation.lockedBy);
}

// 0300: the engine's query string holds the dictation's values, the ones being changed among them.
// Those the servlet keeps are taken; the others (identifiers, fixed fields) and empty values, which
// a record without the field sends, are left as they are.
HttpReply UpdateDictation(Institution& institution, const ServletCall& call) {
  auto values = servlet_wire::ParseForm(call.Parameter("parmString"));
  const std::string id = values["utteranceID"];
  if (id.empty()) return Error(400, "Missing parameter utteranceID in parmString");
  Dictation* dictation = institution.Find(id);
  if (dictation == nullptr) return Error(404, "No such dictation");
  if (auto locked = LockedByOther(*dictation, call)) return *locked;
  std::vector<std::pair<std::string, std::string>> changes;
  for (auto& [name, value] : values) {
    if (!IsUpdatableField(name) || value.empty()) continue;
    if (const std::string problem = FieldUpdateProblem(name, value); !problem.empty()) return Error(400, problem);
    changes.emplace_back(name, value);
  }
  for (auto& [name, value] : changes) UpdateField(*dictation, name, std::move(value));
  if (const std::string note = call.Parameter("PendingNote"); !note.empty()) SetPendingNote(*dictation, note);
  return Done("Updated", Attribute("utteranceID", id) + Attribute("fields", std::to_string(changes.size())));
}

// 0301: one field.
HttpReply UpdateOneField(Institution& institution, const ServletCall& call) {
  if (call.Parameter("locationID") != std::to_string(institution.Config().locationID))
    return Error(400, "Wrong locationID " + call.Parameter("locationID"));
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  if (auto locked = LockedByOther(*dictation, call)) return *locked;
  const std::string type = call.Parameter("type");
  if (const std::string problem = FieldUpdateProblem(type, call.Parameter("value")); !problem.empty()) return Error(400, problem);
  UpdateField(*dictation, type, call.Parameter("value"));
  if (const std::string note = call.Parameter("PendingNote"); !note.empty()) SetPendingNote(*dictation, note);
  return Done("Updated", Attribute("utteranceID", call.Parameter("utteranceID")) + Attribute("field", type));
}

// 0302: the fields as the children of one XML element ("<headerData><priority>1</priority>...").
// All or nothing: one field the servlet does not take refuses the whole update.
HttpReply UpdateDictFields(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  if (auto locked = LockedByOther(*dictation, call)) return *locked;
  pugi::xml_document document;
  const std::string headerData = call.Parameter("headerData");
  if (!document.load_buffer(headerData.data(), headerData.size()) || !document.document_element())
    return Error(400, std::string(kDictFieldsException) + "Malformed headerData");
  std::vector<std::pair<std::string, std::string>> changes;
  for (const pugi::xml_node field : document.document_element().children()) {
    if (field.type() != pugi::node_element) continue;
    const std::string value = field.text().get();
    if (const std::string problem = FieldUpdateProblem(field.name(), value); !problem.empty())
      return Error(400, kDictFieldsException + problem);
    changes.emplace_back(field.name(), value);
  }
  for (auto& [name, value] : changes) UpdateField(*dictation, name, std::move(value));
  return Done("Updated", Attribute("utteranceID", call.Parameter("utteranceID")) + Attribute("fields", std::to_string(changes.size())));
}

// 0303: the part of the audio between the two offsets (milliseconds) becomes a dictation of its
// own, which the next work queue lists with where it came from.
HttpReply Split(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* parent = CalledDictation(institution, call, error);
  if (parent == nullptr) return error;
  if (auto locked = LockedByOther(*parent, call)) return *locked;
  const auto start = WholeNumber(call.Parameter("audioStart"));
  const auto end = WholeNumber(call.Parameter("audioEnd"));
  if (!start || !end || *start < 0 || *end <= *start || *end > static_cast<long>(parent->durationSeconds) * 1000)
    return Error(400, "Bad audio range " + call.Parameter("audioStart") + " to " + call.Parameter("audioEnd") + " for a dictation of " +
                          std::to_string(parent->durationSeconds) + " s");
  const std::string parentID = std::to_string(parent->utteranceID);
  std::string problem;
  Dictation* split = AddDictation(institution, parent, *start, *end, problem);  // `parent` is invalid from here on
  if (split == nullptr) return Error(500, problem);
  SetMoreField(*split, "OriginalID", parentID);
  SetMoreField(*split, "StartingAudioOffset", std::to_string(*start));
  SetMoreField(*split, "EndingAudioOffset", std::to_string(*end));
  return Xml("<InfoResponse>" + Element("UtteranceID", std::to_string(split->utteranceID)) + "</InfoResponse>\n");
}

// 0304: the dictation is linked to another one, its parent.
HttpReply Link(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  const std::string parentID = call.Parameter("parentID");
  if (institution.Find(parentID) == nullptr || parentID == call.Parameter("utteranceID")) return Error(404, "No such parent dictation " + parentID);
  SetMoreField(*dictation, "LinkedDocumentID", parentID);
  return Done("Linked", Attribute("utteranceID", call.Parameter("utteranceID")) + Attribute("parentID", parentID));
}

// 0305: a dictation without audio, ready for transcription, answered as a work-queue item.
HttpReply Create(Institution& institution, const ServletCall& call) {
  if (call.Parameter("locationID") != std::to_string(institution.Config().locationID))
    return Error(400, "Wrong locationID " + call.Parameter("locationID"));
  std::string problem;
  Dictation* made = AddDictation(institution, nullptr, 0, 0, problem);
  if (made == nullptr) return Error(500, problem);
  if (const std::string machine = call.Parameter("machineID"); !machine.empty()) SetMoreField(*made, "createdOn", machine);
  std::string item = Row(institution, *made);
  item.replace(item.find("<Row>"), 5, "<WorkQueueItem>");
  item.replace(item.rfind("</Row>"), 6, "</WorkQueueItem>");
  return Xml("<InfoResponse>\n" + item + "</InfoResponse>\n");
}

// 0306: a document sent on through the gateway.
HttpReply GatewaySend(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  if (call.Parameter("sTarget").empty()) return Error(400, "Missing parameter sTarget");
  return Done("Sent", Attribute("utteranceID", call.Parameter("utteranceID")) + Attribute("target", call.Parameter("sTarget")) +
                          Attribute("distribute", call.Parameter("sDoDistribute")));
}

// 0307 and 0308: the options a user sent come back to that user.
HttpReply GetOptions(Institution& institution, const ServletCall& call) {
  const auto& options = institution.Operations().optionsByLogin;
  const auto found = options.find(call.login);
  return Xml("<InfoResponse>" + (found == options.end() ? std::string("<Options/>") : found->second) + "</InfoResponse>\n");
}

HttpReply SendOptions(Institution& institution, const ServletCall& call) {
  const std::string text = call.Parameter("optionsXML");
  pugi::xml_document document;
  if (!document.load_buffer(text.data(), text.size()) || !document.document_element()) return Error(400, "Malformed optionsXML");
  // Kept as one "Options" element, whatever the editor named its root.
  pugi::xml_node root = document.document_element();
  if (std::string_view(root.name()) != "Options") {
    pugi::xml_node wrapper = document.prepend_child("Options");
    wrapper.append_move(root);
    root = wrapper;
  }
  std::ostringstream markup;
  root.print(markup, "", pugi::format_raw);
  institution.Operations().optionsByLogin[call.login] = markup.str();
  return Done("OptionsSaved", Attribute("login", call.login));
}

// 0309: whether the editor's version is the institution's release.
HttpReply ReleaseInfo(const ServletCall& call) {
  long given[3] = {};
  const char* names[] = {"majorVersion", "minorVersion", "patchNumber"};
  for (int i = 0; i < 3; ++i) {
    const auto number = WholeNumber(call.Parameter(names[i]));
    if (!number) return Error(400, "Bad " + std::string(names[i]) + " " + call.Parameter(names[i]));
    given[i] = *number;
  }
  const bool current = std::equal(std::begin(given), std::end(given), std::begin(kRelease));
  return Done("Release", Attribute("application", call.Parameter("application")) + Attribute("majorVersion", std::to_string(kRelease[0])) +
                             Attribute("minorVersion", std::to_string(kRelease[1])) + Attribute("patchNumber", std::to_string(kRelease[2])) +
                             Attribute("upToDate", current ? "True" : "False"));
}

// "MM/DD/YYYY", optionally followed by a time.
bool IsDate(std::string_view text) {
  if (text.size() < 10 || text[2] != '/' || text[5] != '/') return false;
  const auto month = WholeNumber(text.substr(0, 2));
  const auto day = WholeNumber(text.substr(3, 2));
  return month && day && WholeNumber(text.substr(6, 4)) && *month >= 1 && *month <= 12 && *day >= 1 && *day <= 31;
}

// 0310: the transcriptions finished (checked in) at the institution.
HttpReply Metrics(const Institution& institution, const ServletCall& call) {
  for (const char* name : {"startDate", "endDate"})
    if (!IsDate(call.Parameter(name))) return Error(400, "Bad " + std::string(name) + " " + call.Parameter(name));
  long finished = 0;
  long seconds = 0;
  for (const Dictation& dictation : institution.Dictations()) {
    if (!dictation.completed) continue;
    ++finished;
    seconds += dictation.durationSeconds;
  }
  return Done("Metrics", Attribute("login", call.login) + Attribute("startDate", call.Parameter("startDate")) +
                             Attribute("endDate", call.Parameter("endDate")) + Attribute("dictations", std::to_string(finished)) +
                             Attribute("seconds", std::to_string(seconds)));
}

HttpReply AppFeatures() {
  std::string features;
  for (const char* name : {"QAReview", "SplitDictation", "CreateDictation", "PendingReasons", "GatewaySend"})
    features += "<Feature" + Attribute("name", name) + Attribute("enabled", "True") + "/>";
  return Xml("<InfoResponse>" + features + "</InfoResponse>\n");
}

// 0312 and 0313, per dictation of the list.
HttpReply DictationInfo(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  return Xml("<InfoResponse><DictationInfo" + Attribute("utteranceID", std::to_string(dictation->utteranceID)) + ">" +
             Element("pendingNote", PendingNote(*dictation)) + "</DictationInfo></InfoResponse>\n");
}

HttpReply Permissions(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  const std::string version = call.Parameter("documentVersion").empty() ? dictation->documentVersion : call.Parameter("documentVersion");
  return Done("DictationPermission", Attribute("utteranceID", std::to_string(dictation->utteranceID)) + Attribute("documentVersion", version) +
                                         Attribute("HasMTReviewSGPermission", IsRestricted(institution, *dictation) ? "False" : "True"));
}

HttpReply Serve(ServletContext& context, Institution* institution, ServletCall& call) {
  const std::string& number = call.number;
  if (number.rfind("04", 0) == 0) return ServeQA(context, *institution, call);
  if (number == "0300") return UpdateDictation(*institution, call);
  if (number == "0301") return UpdateOneField(*institution, call);
  if (number == "0302") return UpdateDictFields(*institution, call);
  if (number == "0303") return Split(*institution, call);
  if (number == "0304") return Link(*institution, call);
  if (number == "0305") return Create(*institution, call);
  if (number == "0306") return GatewaySend(*institution, call);
  if (number == "0307") return GetOptions(*institution, call);
  if (number == "0308") return SendOptions(*institution, call);
  if (number == "0309") return ReleaseInfo(call);
  if (number == "0310") return Metrics(*institution, call);
  if (number == "0311") return AppFeatures();
  if (number == "0312") return DictationInfo(*institution, call);
  return Permissions(*institution, call);
}

}  // namespace

const ServletFamily& DictationOperationsServlets() {
  static const ServletFamily family{kRequests, Serve};
  return family;
}

}  // namespace vz::simulator
