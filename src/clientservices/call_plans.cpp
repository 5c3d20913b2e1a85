#include "clientservices/call_plans.hpp"

#include <filesystem>
#include <map>
#include <utility>

#include "diagnostics/automation_error.hpp"

namespace vz::http_client {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The positions of the Init values per kind of object (standard_action_catalogue.cpp).
struct InitLayout {
  int url, login, password, downloadPath, mode, useMTReview, locationID;
};
InitLayout LayoutOf(std::string_view field) {
  if (field == "m_Wr") return {0, 3, 4, -1, 6, 11, -1};
  if (field == "m_Ir") return {0, 2, 3, -1, -1, -1, -1};
  if (field == "m_Fud" || field == "m_objDownloadText") return {0, 2, 3, 1, 4, 5, -1};
  if (field == "m_Fup") return {0, 2, 3, 1, 7, 8, -1};
  return {0, 1, 2, -1, -1, -1, 3};
}

std::string Text(const Value& value) {
  try {
    return value.ToString();
  } catch (const AutomationError&) {
    return {};
  }
}
std::string InitText(const std::vector<Value>& init, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < init.size() ? Text(init[index]) : std::string();
}
bool Truth(const Value& value) {
  try {
    return value.ToBoolean();
  } catch (const AutomationError&) {
    return false;
  }
}
std::string TrueFalse(const Value& value) { return Truth(value) ? "True" : "False"; }
std::string InitTrueFalse(const std::vector<Value>& init, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < init.size() ? TrueFalse(init[index]) : "False";
}
// A review argument: "Y"/"N" for a Boolean, the text otherwise.
std::string YesNo(const Value& value) {
  if (value.GetType() == Value::Type::Boolean) return Truth(value) ? "Y" : "N";
  return Text(value);
}

// A single-answer call: its number and the names of its arguments in the order they come.
struct SingleCall {
  const char* number;
  std::vector<const char*> argumentNames;
  Pairs fixed;  // further parameters with fixed values
  bool withLocationID = false;  // `locationID` from Init, first
};

const std::map<std::string, SingleCall, std::less<>>& SingleCalls() {
  static const std::map<std::string, SingleCall, std::less<>> calls = {
      {"m_Sp", {"0010", {}, {}, true}},
      {"m_objSecureLogin", {"0012", {"location", "certificate", "machineID", "clientVersion"}, {}, true}},
      {"m_objRequestCert", {"0013", {"firstName", "lastName", "reason", "emailAddress", "certificate"}, {}}},
      {"m_objLockedList", {"0107", {}, {{"machineID", ""}}}},
      {"m_objRetrieveSpeakers", {"0201", {"institutionID"}, {{"application", ""}, {"selector", "NNY"}}}},
      {"m_objRetrieveWorkTypes", {"0201", {"institutionID"}, {{"application", ""}, {"selector", "NNNY"}}}},
      {"m_objRetrieveSearchLists", {"0201", {}, {{"institutionID", ""}, {"application", "Penwright"}, {"selector", "NNYYNNNNNNNNNNNNY"}}}},
      {"m_objSearchPatientInfo", {"0210", {"LastName", "MRN", "VisitCode"}, {}}},
      {"m_objHL7Search", {"0211", {"parmString"}, {}}},
      {"m_objOnlineSearch", {"0212", {"utteranceID", "paramString"}, {}}},
      {"m_objDictationSearch", {"0213", {"searchParameters"}, {}}},
      {"m_objTemplateDownloadTime", {"0009", {}, {}}},
      {"m_objTemplateDocList", {"0220", {"lastModifiedDate"}, {}}},
      {"m_objDictionariesList", {"0231", {"lastModifiedFlagPath", "lastModifiedDate"}, {}}},
      {"m_objDictationUpdate", {"0300", {"PendingNote", "parmString"}, {}}},
      {"m_objUpdateField", {"0301", {"locationID", "utteranceID", "type", "value", "PendingNote"}, {}}},
      {"m_objUpdateDictFields", {"0302", {"utteranceID", "headerData"}, {}}},
      {"m_objSplitDictation", {"0303", {"utteranceID", "audioStart", "audioEnd"}, {}}},
      {"m_objLinkDictation", {"0304", {"utteranceID", "parentID"}, {}}},
      {"m_objCreateDictation", {"0305", {}, {{"machineID", ""}}, true}},
      {"m_objGatewaySender", {"0306", {"locationID", "utteranceID", "sClientTypeID", "sTarget", "sDoDistribute"}, {}}},
      {"m_objGetOptions", {"0307", {}, {}}},
      {"m_objSendOptions", {"0308", {"optionsXML"}, {}}},
      {"m_objGetRelInfo", {"0309", {"application", "majorVersion", "minorVersion", "patchNumber"}, {}}},
      {"m_objTranscriptionMetrics", {"0310", {"startDate", "endDate"}, {}}},
      {"m_objAppFeatures", {"0311", {}, {}}},
      {"m_objQAScore", {"0400", {"transcriptionistLogin", "utteranceID", "reviewScore", "reviewNote"}, {}}},
      {"m_objRemoveQAReview", {"0401", {"utteranceID", "reviewStatusID"}, {}}},
      {"m_objNumReviews", {"0402", {}, {}}},
      {"m_objQAGradeCriteria", {"0403", {}, {}}},
      {"m_objAverageQAGrade", {"0404", {"parmString"}, {}}},
      {"m_objRDRTranscriptionists", {"0405", {}, {}}},
      {"m_objRDRReviewers", {"0406", {}, {}}},
      {"m_objPRCriteria", {"0407", {}, {}}},
  };
  return calls;
}

// Dictation-list calls with XML answers per dictation.
const std::map<std::string, const char*, std::less<>>& XmlListCalls() {
  static const std::map<std::string, const char*, std::less<>> calls = {
      {"m_Sc", "0105"},           {"m_objHeaderValues", "0106"}, {"m_objDictationInfo", "0312"},
      {"m_objGetDictPermissions", "0313"}, {"m_objDownloadQAG", "0409"}, {"m_objDownloadPRs", "0410"},
  };
  return calls;
}

struct ListEntry {
  std::string locationID, utteranceID, linkedDocumentID, isAddendum, documentVersion;
  Pairs Values() const {
    return {{"locationID", locationID}, {"utteranceID", utteranceID}, {"linkedDocumentID", linkedDocumentID},
            {"isAddendum", isAddendum}, {"documentVersion", documentVersion}};
  }
};

// The first array argument is the dictation list; the others keep their order.
bool SplitArguments(const std::vector<Value>& arguments, std::vector<ListEntry>& entries, std::vector<Value>& rest,
                    std::string& problem) {
  bool seenList = false;
  for (const Value& argument : arguments) {
    if (!seenList && argument.IsArray()) {
      seenList = true;
      for (const Value& item : argument.ArrayItems()) {
        if (!item.IsArray() || item.ArrayItems().size() < 5) {
          problem = "A dictation list entry is not [locationID, utteranceID, linkedDocumentID, isAddendum, documentVersion]";
          return false;
        }
        const auto& v = item.ArrayItems();
        ListEntry entry{Text(v[0]), Text(v[1]), Text(v[2]), TrueFalse(v[3]), Text(v[4])};
        if (entry.utteranceID.empty()) {
          problem = "A dictation list entry has no utterance ID";
          return false;
        }
        entries.push_back(std::move(entry));
      }
    } else {
      rest.push_back(argument);
    }
  }
  return true;
}

std::string Query(const char* number, const Pairs& pairs = {}) {
  std::string query = std::string("request=") + number;
  if (!pairs.empty()) query += "&" + FormBody(pairs);
  return query;
}

HttpStep Step(std::string query, std::string form) {
  HttpStep step;
  step.query = std::move(query);
  step.form = std::move(form);
  return step;
}

constexpr const char* kUploadExtensions[] = {".rtf", ".doc", ".docx", ".txt", ".hd3", ".ft3", ".QAG", ".cfg"};

}  // namespace

std::string LoginOf(std::string_view field, const std::vector<Value>& init) { return InitText(init, LayoutOf(field).login); }
std::string PasswordOf(std::string_view field, const std::vector<Value>& init) { return InitText(init, LayoutOf(field).password); }

std::optional<HttpCallPlan> BuildCallPlan(std::string_view field, std::string_view operation, const std::vector<Value>& init,
                                          const std::vector<Value>& arguments, std::string& problem) {
  const InitLayout layout = LayoutOf(field);
  const std::string url = InitText(init, layout.url);
  const auto parsed = ParseServletUrl(url);
  if (!parsed) {
    problem = "Bad servlet URL: " + url;
    return std::nullopt;
  }
  HttpCallPlan plan;
  plan.url = *parsed;
  plan.authorization = BasicAuthorization(InitText(init, layout.login), InitText(init, layout.password));

  std::vector<ListEntry> entries;
  std::vector<Value> rest;
  if (!SplitArguments(arguments, entries, rest, problem)) return std::nullopt;
  const std::string mode = InitText(init, layout.mode);
  const std::string useMTReview = InitTrueFalse(init, layout.useMTReview);
  const std::filesystem::path folder = InitText(init, layout.downloadPath);

  auto single = [&plan](std::string query, std::string form) {
    plan.entries.push_back(HttpEntry{"", "", {Step(std::move(query), std::move(form))}});
    return plan;
  };

  if (field == "m_Wr" && operation == "getWorkAsync") {
    const auto at = [&init](std::size_t i) { return i < init.size() ? init[i] : Value(); };
    return single(Query("0100"), FormBody({{"retrieveLocked", Truth(at(1)) ? "1" : "0"},
                                           {"retrieveLocation", Text(at(2))},
                                           {"numToRetrieve", Text(at(5))},
                                           {"workQueueMode", mode},
                                           {"rdrTranscriptionist", Text(at(7))},
                                           {"includeViewing", YesNo(at(8))},
                                           {"includeViewed", YesNo(at(9))},
                                           {"rdrReviewer", Text(at(10))},
                                           {"useMTReview", useMTReview}}));
  }
  if (field == "m_Ir" && operation == "getWorkAsync") return single(Query("0011"), FormBody({{"location", InitText(init, 1)}}));

  if (const auto found = SingleCalls().find(field); found != SingleCalls().end()) {
    const SingleCall& call = found->second;
    Pairs pairs;
    if (call.withLocationID) pairs.emplace_back("locationID", InitText(init, layout.locationID));
    for (std::size_t i = 0; i < call.argumentNames.size(); ++i)
      pairs.emplace_back(call.argumentNames[i], i < rest.size() ? Text(rest[i]) : std::string());
    pairs.insert(pairs.end(), call.fixed.begin(), call.fixed.end());
    return single(Query(call.number), FormBody(pairs));
  }

  plan.dictationList = true;
  if (field == "m_Fud" && operation == "getFilesAsync") {
    for (const ListEntry& entry : entries) {
      Pairs pairs = entry.Values();
      pairs.insert(pairs.end(), {{"workQueueMode", mode}, {"useMTReview", useMTReview}});
      HttpStep step = Step(Query("0101"), FormBody(pairs));
      step.answer = AnswerKind::kFile;
      step.saveAs = folder / ("Local_" + entry.utteranceID + ".pcm");
      step.literalMarker = folder / ("Local_" + entry.utteranceID + ".wal");
      plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {std::move(step)}});
    }
    return plan;
  }
  if (field == "m_objDownloadText" && operation == "DownloadTextFilesAsync") {
    for (const ListEntry& entry : entries) {
      Pairs pairs = entry.Values();
      pairs.insert(pairs.end(), {{"workQueueMode", mode}, {"useMTReview", useMTReview}});
      HttpStep step = Step(Query("0102"), FormBody(pairs));
      step.answer = AnswerKind::kNamedFile;
      step.saveAs = folder;
      plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {std::move(step)}});
    }
    return plan;
  }
  if (field == "m_Fup" && operation == "putFilesAsync") {
    const std::string uploadFlags = rest.empty() ? std::string() : Text(rest[0]);
    for (const ListEntry& entry : entries) {
      HttpEntry planned{entry.utteranceID, entry.documentVersion, {}};
      std::string files;
      for (const char* extension : kUploadExtensions) {
        const std::string name = "Local_" + entry.utteranceID + extension;
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(folder / name, ignored)) continue;
        Pairs query = entry.Values();
        query.emplace_back("fileName", name);
        HttpStep step = Step(Query("0103", query), "");
        step.uploadFile = folder / name;
        planned.steps.push_back(std::move(step));
        files += (files.empty() ? "" : ",") + name;
      }
      Pairs pairs = entry.Values();
      pairs.insert(pairs.end(), {{"uploadFlags", uploadFlags},
                                 {"files", files},
                                 {"clientVersion", InitText(init, 4)},
                                 {"closingAudioSpeed", InitText(init, 5)},
                                 {"timeOpen", InitText(init, 6)},
                                 {"workQueueMode", mode},
                                 {"useMTReview", useMTReview}});
      planned.steps.push_back(Step(Query("0104"), FormBody(pairs)));
      plan.entries.push_back(std::move(planned));
    }
    return plan;
  }
  if (const auto found = XmlListCalls().find(field); found != XmlListCalls().end()) {
    for (const ListEntry& entry : entries) {
      Pairs pairs = entry.Values();
      if (field == "m_Sc") {
        pairs.insert(pairs.end(), {{"operation", rest.empty() ? std::string() : Text(rest[0])},
                                   {"usePendingReasons", ""},
                                   {"pendingNote", ""},
                                   {"machineID", ""},
                                   {"workQueueMode", ""},
                                   {"splitPendingNote", ""},
                                   {"useMTReview", "False"}});
      }
      plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query(found->second), FormBody(pairs))}});
    }
    return plan;
  }
  problem = "The HTTP client services have no call " + std::string(operation) + " for " + std::string(field);
  return std::nullopt;
}

}  // namespace vz::http_client
