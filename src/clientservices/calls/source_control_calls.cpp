// Source control over HTTP: one exchange of 0105 per dictation of the list, carrying everything
// the source-control object was initialised with: URL, operation, login, password, whether pending
// reasons are used, the pending-note document, the machine ID, the work-queue mode, the
// split-related note and whether MT review is used.
#include "clientservices/calls/call_building.hpp"

namespace vz::http_client {
namespace {

// The positions of the source-control object's Init values besides the common ones (LayoutOf).
constexpr int kOperation = 1;
constexpr int kUsePendingReasons = 4;
constexpr int kPendingNote = 5;
constexpr int kMachineID = 6;
constexpr int kSplitPendingNote = 8;

}  // namespace

std::optional<HttpCallPlan> SourceControlCall(const CallInputs& call, std::string&) {
  if (call.field != "m_Sc") return std::nullopt;
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  const Pairs values = {{"operation", call.InitText(kOperation)},
                        {"usePendingReasons", call.InitTrueFalse(kUsePendingReasons)},
                        {"pendingNote", call.InitText(kPendingNote)},
                        {"machineID", call.InitText(kMachineID)},
                        {"workQueueMode", call.Mode()},
                        {"splitPendingNote", call.InitText(kSplitPendingNote)},
                        {"useMTReview", call.UseMTReview()}};
  for (const ListEntry& entry : call.entries) {
    Pairs pairs = entry.Values();
    pairs.insert(pairs.end(), values.begin(), values.end());
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {Step(Query("0105"), FormBody(pairs))}});
  }
  return plan;
}

}  // namespace vz::http_client
