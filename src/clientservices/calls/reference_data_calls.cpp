// Reference data over HTTP: locked dictations (0107), lists (0201), searches (0210-0213), header
// documents per dictation (0106), and the template and dictionary lists (0220, 0231) with the
// template download time (0009).
#include <map>

#include "clientservices/calls/call_building.hpp"

namespace vz::http_client {
namespace {

const std::map<std::string, SingleCall, std::less<>>& Calls() {
  static const std::map<std::string, SingleCall, std::less<>> calls = {
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
  };
  return calls;
}

// One exchange per dictation, its XML answer kept per dictation.
HttpCallPlan Headers(const CallInputs& call) {
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  for (const ListEntry& entry : call.entries)
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query("0106"), FormBody(entry.Values()))}});
  return plan;
}

}  // namespace

std::optional<HttpCallPlan> ReferenceDataCall(const CallInputs& call, std::string&) {
  if (const auto found = Calls().find(call.field); found != Calls().end()) return SingleCallPlan(call, found->second);
  if (call.field == "m_objHeaderValues") return Headers(call);
  return std::nullopt;
}

}  // namespace vz::http_client
