#pragma once
// What an action family provides for each of its actions: the checks before the call, the call's
// arguments, and the completion handler that continues the request. The catalogue
// (standard_action_catalogue.cpp) does what every branch shares: the common start (object, Init,
// call, refusal) and the hand-over to the handler. A family file of this folder holds what is
// particular to its actions, from the checks before the call to the files its completion writes.
#include <cstdint>
#include <memory>
#include <span>

#include "execution/action.hpp"
#include "execution/call_arguments.hpp"

namespace vz {

class clsDatabaseRequest;
class clsGenericRequest;
class ClientServiceObject;
struct ActionEntry;

// For a branch that starts its call itself (source control): the catalogue's part of the start.
class ServiceStarter {
 public:
  virtual ~ServiceStarter() = default;
  // A fresh object of the action's kind, stored in the action's field, its completion connected to
  // the action's handler and its status texts to the request's trace.
  virtual std::shared_ptr<ClientServiceObject> NewService(clsDatabaseRequest& request, const ActionEntry& entry) = 0;
};

using PrepareBranch = bool (*)(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic);
using BuildArguments = CallArguments (*)(clsDatabaseRequest& request, const ActionEntry& entry,
                                         const std::shared_ptr<clsGenericRequest>& generic);
using StartBranch = void (*)(clsDatabaseRequest& request, const ActionEntry& entry, ServiceStarter& starter);
using CompletionHandler = void (*)(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors);

struct ActionBranch {
  Action action;
  // Takes the action's parameter set even though the table names no parameter it reads.
  bool takesParameterSet = false;
  // The checks and inputs before the call; false when the branch ended without a call (the action
  // was skipped and the pump re-enabled, or the request closed).
  PrepareBranch prepare = nullptr;
  // The call's arguments; without it, the values of the table's parameter names, by those names.
  BuildArguments arguments = nullptr;
  // A start of its own instead of the common one.
  StartBranch start = nullptr;
  CompletionHandler complete = nullptr;
};

// The families, one file each in this folder (a large one split by concern, its files named for
// it); the client services' calls and the simulator's servlets carry the same family names.
std::span<const ActionBranch> MainLoopBranches();               // work queue, downloads, uploads
std::span<const ActionBranch> LoginAndInstitutionBranches();    // institution information, ping, login, certificate
std::span<const ActionBranch> ReferenceDataListBranches();      // lists, contacts, searches, headers
std::span<const ActionBranch> ReferenceDataTemplateBranches();  // template and dictionary lists and files
std::span<const ActionBranch> DictationOperationsBranches();    // updates, split, link, create, QA, settings
std::span<const ActionBranch> SourceControlBranches();          // check-out, check-in, unlock

// The branch of `action`; null for an action no family handles.
const ActionBranch* BranchFor(Action action);

}  // namespace vz
