// Dictation operations and QA over HTTP: updates, split, link, creation, gateway sends, options,
// release and metrics (0300-0311), QA scores, reviews and criteria (0400-0407), and the calls made
// per dictation: dictation information (0312), permissions (0313), the QA grading upload (0408)
// and download (0409) and the pending reasons (0410).
#include <map>

#include "clientservices/calls/call_building.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/form_codec.hpp"

namespace vz::http_client {
namespace {

const std::map<std::string, SingleCall, std::less<>>& Calls() {
  static const std::map<std::string, SingleCall, std::less<>> calls = {
      // Updates, splits and creations change the institution's state: a repeat must not do them twice.
      {"m_objDictationUpdate", {"0300", {"PendingNote", "parmString"}, {}, false, true}},
      {"m_objUpdateField", {"0301", {"locationID", "utteranceID", "type", "value", "PendingNote"}, {}, false, true}},
      {"m_objUpdateDictFields", {"0302", {"utteranceID", "headerData"}, {}, false, true}},
      {"m_objSplitDictation", {"0303", {"utteranceID", "audioStart", "audioEnd"}, {}, false, true}},
      {"m_objLinkDictation", {"0304", {"utteranceID", "parentID"}, {}}},
      {"m_objCreateDictation", {"0305", {"machineID"}, {}, true, true}},
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

// Calls made once per dictation of the list, each answering an XML document for it. `extra` names
// the call's arguments after the list, sent with every entry.
struct PerDictationCall {
  const char* number;
  std::vector<const char*> extra;
};

const std::map<std::string, PerDictationCall, std::less<>>& PerDictationCalls() {
  static const std::map<std::string, PerDictationCall, std::less<>> calls = {
      {"m_objDictationInfo", {"0312", {}}},
      {"m_objGetDictPermissions", {"0313", {}}},
      {"m_objDownloadQAG", {"0409", {"workQueueMode", "useMTReview"}}},
      {"m_objDownloadPRs", {"0410", {"workQueueMode"}}},
  };
  return calls;
}

HttpCallPlan PerDictation(const CallInputs& call, const PerDictationCall& perDictation) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  plan.concurrent = true;  // each only reads
  for (const ListEntry& entry : call.entries) {
    Pairs pairs = entry.Values();
    for (std::size_t i = 0; i < perDictation.extra.size(); ++i) {
      const Value* value = i < call.rest.size() ? &call.rest[i] : nullptr;
      // Flags travel as "True"/"False", as everywhere else in the protocol.
      pairs.emplace_back(perDictation.extra[i],
                         value && value->GetType() == Value::Type::Boolean ? TrueFalse(*value) : call.Argument(i));
    }
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query(perDictation.number), servlet_wire::FormBody(pairs))}});
  }
  return plan;
}

// The QA grading upload: each dictation's ".QAG" file from the download folder (the argument after
// the list) as the body, its entry values in the query, as the uploads of 0103 do. A missing file
// is that dictation's error.
HttpCallPlan QAGradingUpload(const CallInputs& call) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  const std::filesystem::path folder = call.Argument(0);
  for (const ListEntry& entry : call.entries) {
    HttpStep step = Step(Query("0408", entry.Values()), "");
    step.uploadFile = folder / servlet_wire::DictationFileName(entry.utteranceID, ".QAG");
    ChangesState(step, call.KeyFor("0408", entry.utteranceID));
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {std::move(step)}});
  }
  return plan;
}

}  // namespace

std::optional<HttpCallPlan> DictationOperationCall(const CallInputs& call, std::string&) {
  if (const auto found = Calls().find(call.field); found != Calls().end()) return SingleCallPlan(call, found->second);
  if (const auto found = PerDictationCalls().find(call.field); found != PerDictationCalls().end()) return PerDictation(call, found->second);
  if (call.field == "m_objUploadQAG") return QAGradingUpload(call);
  return std::nullopt;
}

}  // namespace vz::http_client
