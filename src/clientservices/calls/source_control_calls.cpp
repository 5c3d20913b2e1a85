// Source control over HTTP: one exchange of 0105 per dictation of the list, with the operation.
#include "clientservices/calls/call_building.hpp"

namespace vz::http_client {

std::optional<HttpCallPlan> SourceControlCall(const CallInputs& call, std::string&) {
  if (call.field != "m_Sc") return std::nullopt;
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  for (const ListEntry& entry : call.entries) {
    Pairs pairs = entry.Values();
    pairs.insert(pairs.end(), {{"operation", call.Argument(0)},
                               {"usePendingReasons", ""},
                               {"pendingNote", ""},
                               {"machineID", ""},
                               {"workQueueMode", ""},
                               {"splitPendingNote", ""},
                               {"useMTReview", "False"}});
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query("0105"), FormBody(pairs))}});
  }
  return plan;
}

}  // namespace vz::http_client
