#pragma once
// The catalogue of actions: for each action its name, the request field that holds its
// client-services object (the name traces give the object), the call started on it, the
// parameters read from its parameter set, the text used when the call is refused, and the handler
// that continues it.
#include <cstdint>
#include <string_view>
#include <vector>

#include "execution/action.hpp"

namespace vz {

// How a call's flag and refusal are read.
enum class FlagMeaning {
  NotHandled,     // no branch: "Unrecognized Request Type"
  Accepted,       // true when accepted; false sets GlobalErrorMessage and closes
  Failed,         // true when the call failed: the text goes to the error log and the request closes
  LoginAccepted,  // true when accepted; false raises "Unspecified error trying to login to database"
  SourceControl,  // an operation of the source-control object
};

struct ActionEntry {
  Action action;
  std::string_view name;
  std::string_view field;
  std::string_view call;
  std::vector<std::string_view> parameters;
  std::string_view refusal;
  FlagMeaning flag;
  std::string_view handler;
};

// The entry of `action`; DBR_SOFTCHECKOUT's has FlagMeaning::NotHandled.
const ActionEntry& ActionEntryFor(Action action);
// The entry of an identifier from the editor; one with FlagMeaning::NotHandled (and no name) for a
// number that names no action.
const ActionEntry& ActionEntryFor(std::int32_t action);

// Whether the flag the action's call returns reports failure (the single "request" calls) rather
// than acceptance.
inline bool FlagReportsFailure(Action action) { return ActionEntryFor(action).flag == FlagMeaning::Failed; }

// Whether the action works on the request's dictations (and needs their list first).
bool bfnUtteranceListNeeded(std::int32_t eAction);

}  // namespace vz
