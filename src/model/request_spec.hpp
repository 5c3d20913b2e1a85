#pragma once
// clsRequestSpec: one unit of work as a client states it: the ordered actions, the dictations they
// apply to, the work-queue values, the generic requests, and flags that steer execution and
// retries. The request queue copies these references (not the objects) into the request it
// builds, so later changes to the same objects are seen by the request.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/generic_requests.hpp"
#include "model/work_queue.hpp"
#include "object/automation_object.hpp"
#include "object/value.hpp"

namespace vz {

class clsRequestSpec : public AutomationObject<clsRequestSpec> {
 public:
  static constexpr std::string_view kClassName = "clsRequestSpec";
  static void Describe(ClassBuilder<clsRequestSpec>& c);

  // Resets the request specification for reuse: each given argument is stored, each one left out
  // clears its property (ShowProgress becomes False). Discardable, CompletionAction, MaxRetries,
  // IsVersionGraded and GenericRequests stay.
  void ReInitialize(std::optional<Value> objUtterances, std::optional<Value> objWorkQueue,
                    std::optional<Value> arrRequests, std::optional<Value> sLocation,
                    std::optional<Value> bShowProgress);

  // The dictation collection. Its class, clsUtterances, belongs to a layer above this one, so the
  // property holds a plain object reference and checks the class by name: another class is a
  // type mismatch (13). Nothing is allowed.
  ObjectRef Utterances() const { return utterances_; }
  void SetUtterances(ObjectRef utterances);
  std::shared_ptr<clsWorkQueue> WorkQueue() const { return workQueue_; }
  void SetWorkQueue(std::shared_ptr<clsWorkQueue> queue) { workQueue_ = std::move(queue); }

  // The action identifiers in order. Written through dispatch, the value is first converted to
  // an array of 32-bit identifiers (any array of numbers converts): a value that does not is an
  // error for the caller (13, or 6 for a number out of range) and changes nothing.
  std::vector<std::int32_t> ActionList() const { return actions_; }
  void SetActionList(std::vector<std::int32_t> actions) { actions_ = std::move(actions); }

  bool ShowProgress() const { return showProgress_; }
  void SetShowProgress(bool show) { showProgress_ = show; }
  const std::string& Location() const { return location_; }
  void SetLocation(std::string location) { location_ = std::move(location); }
  // Created empty on first read.
  std::shared_ptr<clsGenericRequests> GenericRequests();
  bool Discardable() const { return discardable_; }
  void SetDiscardable(bool discardable) { discardable_ = discardable; }
  // Values from the client's own enumeration; carried through to the request.
  std::int32_t CompletionAction() const { return completionAction_; }
  void SetCompletionAction(std::int32_t action) { completionAction_ = action; }
  // The retry limit handed to the request; -1 until set.
  std::int16_t MaxRetries() const { return maxRetries_; }
  void SetMaxRetries(std::int16_t retries) { maxRetries_ = retries; }
  bool IsVersionGraded() const { return isVersionGraded_; }
  void SetIsVersionGraded(bool graded) { isVersionGraded_ = graded; }

 private:
  ObjectRef utterances_;
  std::shared_ptr<clsWorkQueue> workQueue_;
  std::vector<std::int32_t> actions_;
  bool showProgress_ = true;  // note: ReInitialize without the argument makes it False
  std::string location_;
  std::shared_ptr<clsGenericRequests> genericRequests_;
  bool discardable_ = false;
  std::int32_t completionAction_ = 0;
  std::int16_t maxRetries_ = -1;
  bool isVersionGraded_ = false;
};

}  // namespace vz
