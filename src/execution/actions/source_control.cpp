// Check-out, check-in (with or without a pending note), unlock and the related operations: one
// call of the source-control object for the request's dictation list, with an operation code
// chosen from the action and the work-queue mode.
#include "diagnostics/trace.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/standard_action_catalogue.hpp"
#include "model/connect_info.hpp"
#include "model/work_queue.hpp"

namespace vz {
namespace {

// The source-control operation of an action in a work-queue mode; 0 when a check-in of an ungraded
// version is skipped, -1 when the mode has no operation for the action.
int SourceControlOperation(std::int32_t action, std::int16_t mode, bool versionGraded) {
  const bool review = mode == 3;
  switch (action) {
    case 3: return review ? 6 : 1;
    case 4: return review ? (versionGraded ? 9 : 0) : 2;
    case 5: return 4;
    case 6: return review ? 8 : 3;
    case 32: return review ? 6 : (mode == 2 || mode == 4 ? -1 : 5);
    case 53: return 7;
    default: return -1;
  }
}

void StartSourceControl(clsDatabaseRequest& request, const ActionEntry& entry, ServiceStarter& starter) {
  const auto queue = request.WorkQueue();
  const int operation = SourceControlOperation(entry.id, queue ? queue->WorkQueueMode() : 0, request.IsVersionGraded());
  if (operation == 0) {
    // Nothing to check in: the request goes on with its next action.
    request.ResumePump();
    return;
  }
  if (operation < 0) {
    // This mode has no such operation: go on with the next action rather than leave the request
    // waiting for a completion nothing will bring.
    GlobalTrace(kRunLocation, "No source-control operation for action " + std::to_string(entry.id) + " in this work-queue mode.");
    request.ResumePump();
    return;
  }
  const auto service = starter.NewService(request, entry);
  const auto values = InitValuesFor(request, entry.field);
  GlobalTrace(kRunLocation, std::string(entry.field) + ".Init " +
                                InitTrace(values, request.ConnectionInfo() ? request.ConnectionInfo()->Password() : ""));
  service->Init(values);
  if (!service->Start(std::string(entry.call), {Value(std::int32_t{operation}), DictationListValue(request)})) {
    request.SetGlobalErrorMessage(std::string(entry.refusal));
    request.CloseRequest();
  }
}

// Until the status changes are applied, a completed operation keeps only its per-dictation errors.
void m_Sc_RequestComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  CompleteDictationListAnswer(request, service, bErrors, request.CurrentAction());
}

constexpr ActionBranch kBranches[] = {
    {.action = 3, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = 4, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = 5, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = 6, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = 32, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
    {.action = 53, .start = StartSourceControl, .complete = m_Sc_RequestComplete},
};

}  // namespace

std::span<const ActionBranch> SourceControlBranches() { return kBranches; }

}  // namespace vz
