// Dictation operations and QA over HTTP: updates, split, link, creation, gateway sends, options,
// release and metrics (0300-0311), QA scores, reviews and criteria (0400-0407), and the calls made
// per dictation: dictation information (0312), permissions (0313), QA grading (0409) and pending
// reasons (0410).
#include <map>

#include "clientservices/calls/call_building.hpp"

namespace vz::http_client {
namespace {

const std::map<std::string, SingleCall, std::less<>>& Calls() {
  static const std::map<std::string, SingleCall, std::less<>> calls = {
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

// Calls made once per dictation, each answering an XML document for it.
const std::map<std::string, const char*, std::less<>>& PerDictationCalls() {
  static const std::map<std::string, const char*, std::less<>> calls = {
      {"m_objDictationInfo", "0312"}, {"m_objGetDictPermissions", "0313"}, {"m_objDownloadQAG", "0409"}, {"m_objDownloadPRs", "0410"},
  };
  return calls;
}

}  // namespace

std::optional<HttpCallPlan> DictationOperationCall(const CallInputs& call, std::string&) {
  if (const auto found = Calls().find(call.field); found != Calls().end()) return SingleCallPlan(call, found->second);
  if (const auto found = PerDictationCalls().find(call.field); found != PerDictationCalls().end()) {
    HttpCallPlan plan = call.base;
    plan.dictationList = true;
    for (const ListEntry& entry : call.entries)
      plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query(found->second), FormBody(entry.Values()))}});
    return plan;
  }
  return std::nullopt;
}

}  // namespace vz::http_client
