#pragma once
// The action-specific part of each branch of Run: the checks and inputs before a call (which may
// skip the action or close the request), and the arguments the call is given.
#include <memory>
#include <vector>

#include "object/value.hpp"

namespace vz {

class clsDatabaseRequest;
class clsGenericRequest;
struct ActionEntry;

// The action's parameter set not yet transmitted, for actions that take one; null otherwise.
std::shared_ptr<clsGenericRequest> TakeParameterSet(clsDatabaseRequest& request, const ActionEntry& entry);

// The checks and inputs before the call. False when the branch has ended without a call: the
// action was skipped (the pump re-enabled) or the request closed.
bool PrepareAction(clsDatabaseRequest& request, const ActionEntry& entry,
                   const std::shared_ptr<clsGenericRequest>& generic);

// The call's arguments, in the order the action's call takes them.
std::vector<Value> CallArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                 const std::shared_ptr<clsGenericRequest>& generic);

// The request's dictation list as a call receives it: an array of entries.
Value DictationListValue(const clsDatabaseRequest& request);

}  // namespace vz
