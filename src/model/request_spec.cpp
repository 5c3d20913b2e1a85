#include "model/request_spec.hpp"

#include "diagnostics/error_trap.hpp"
#include "object/class_info.hpp"
#include "object/standard_errors.hpp"
#include "object/value_traits.hpp"

namespace vz {
namespace {

// Any array of numbers as 32-bit identifiers (Empty is no actions); error 13 for anything else,
// 6 for a number out of range.
std::vector<std::int32_t> ActionsFrom(const Value& value) { return FromValue<std::vector<std::int32_t>>(value); }

// Nothing, or a dictation collection.
ObjectRef UtterancesFrom(ObjectRef object) {
  if (object && object->Class().Name() != "clsUtterances") RaiseStandardError(kErrTypeMismatch, "Utterances");
  return object;
}

}  // namespace

void clsRequestSpec::SetUtterances(ObjectRef utterances) { utterances_ = UtterancesFrom(std::move(utterances)); }

std::shared_ptr<clsGenericRequests> clsRequestSpec::GenericRequests() {
  if (!genericRequests_) genericRequests_ = std::make_shared<clsGenericRequests>();
  return genericRequests_;
}

void clsRequestSpec::ReInitialize(std::optional<Value> objUtterances, std::optional<Value> objWorkQueue,
                                  std::optional<Value> arrRequests, std::optional<Value> sLocation,
                                  std::optional<Value> bShowProgress) {
  ErrorTrap(kClassName, "ReInitialize")([&] {
    // Everything is converted first, so a bad argument leaves the request specification as it was.
    ObjectRef utterances = objUtterances ? UtterancesFrom(objUtterances->ToObject()) : nullptr;
    auto workQueue = objWorkQueue ? FromValue<std::shared_ptr<clsWorkQueue>>(*objWorkQueue) : nullptr;
    std::vector<std::int32_t> actions = arrRequests ? ActionsFrom(*arrRequests) : std::vector<std::int32_t>();
    std::string location = sLocation ? sLocation->ToString() : std::string();
    const bool showProgress = bShowProgress ? bShowProgress->ToBoolean() : false;

    utterances_ = std::move(utterances);
    workQueue_ = std::move(workQueue);
    actions_ = std::move(actions);
    location_ = std::move(location);
    showProgress_ = showProgress;
  });
}

void clsRequestSpec::Describe(ClassBuilder<clsRequestSpec>& c) {
  using C = clsRequestSpec;
  c.Creatable()
      .Property("Utterances", &C::Utterances, &C::SetUtterances)
      .Property("WorkQueue", &C::WorkQueue, &C::SetWorkQueue)
      .Property("Actions", &C::ActionList, &C::SetActionList)
      .Property("ShowProgress", &C::ShowProgress, &C::SetShowProgress)
      .Property("Location", &C::Location, &C::SetLocation)
      .Property("GenericRequests", &C::GenericRequests)
      .Property("Discardable", &C::Discardable, &C::SetDiscardable)
      .Property("CompletionAction", &C::CompletionAction, &C::SetCompletionAction)
      .Property("MaxRetries", &C::MaxRetries, &C::SetMaxRetries)
      .Property("IsVersionGraded", &C::IsVersionGraded, &C::SetIsVersionGraded)
      .Operation("ReInitialize", &C::ReInitialize,
                 {"objUtterances", "objWorkQueue", "arrRequests", "sLocation", "bShowProgress"});
}

}  // namespace vz
