// Source control over HTTP: one exchange of 0105 per dictation of the list, carrying everything
// the source-control object was initialised with: URL, operation, login, password, whether pending
// reasons are used, the pending-note document, the machine ID, the work-queue mode, the
// split-related note and whether MT review is used.
#include "clientservices/calls/call_building.hpp"
#include "execution/action_table.hpp"
#include "servlet_wire/form_codec.hpp"

namespace vz::http_client {
namespace {

// What an operation does to a lock: check-ins and unlocks end a check-out, and are done once; a
// check-out again by its holder changes nothing, and operation 7 nothing at all.
std::string_view EndsCheckOut(std::string_view operation) {
  if (operation == "2" || operation == "4" || operation == "9") return "checkin";
  if (operation == "3" || operation == "8") return "unlock";
  return {};
}

// A check-in or unlock is named by the check-out it ends: a repeat of it, by this request or by a
// later one after the answer was lost, is the same call. Without the check-out, by the engine's
// name of the call.
std::string EndingKey(const CallInputs& call, const ListEntry& entry, std::string_view ending) {
  if (entry.checkOutID.empty()) return call.KeyFor("0105", entry.utteranceID);
  return IdempotencyKey({"0105", ending, entry.utteranceID, entry.documentVersion, entry.checkOutID});
}

}  // namespace

std::optional<HttpCallPlan> SourceControlCall(const CallInputs& call, std::string& problem) {
  if (ActionEntryFor(call.action).flag != FlagMeaning::SourceControl) return std::nullopt;
  const auto* init = call.InitAs<SourceControlInit>();
  if (init == nullptr) {
    problem = call.OfAnotherKind();
    return std::nullopt;
  }
  HttpCallPlan plan = call.base;
  plan.dictationList = true;
  const std::string operation = std::to_string(init->operation);
  const Pairs values = {{"operation", operation},
                        {"usePendingReasons", init->usePendingReasons ? "True" : "False"},
                        {"pendingNote", init->pendingNote},
                        {"machineID", init->machineID},
                        {"workQueueMode", call.Mode()},
                        {"splitPendingNote", init->splitPendingNote},
                        {"useMTReview", call.UseMTReview()}};
  const std::string_view ending = EndsCheckOut(operation);
  for (const ListEntry& entry : call.entries) {
    Pairs pairs = entry.Values();
    pairs.insert(pairs.end(), values.begin(), values.end());
    HttpStep step = Step(Query("0105"), servlet_wire::FormBody(pairs));
    if (!ending.empty()) ChangesState(step, EndingKey(call, entry, ending));
    plan.entries.push_back(HttpEntry{entry.utteranceID, entry.documentVersion, {std::move(step)}});
  }
  return plan;
}

}  // namespace vz::http_client
