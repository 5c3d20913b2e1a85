// The editor's main loop: the work queue, the audio and text downloads and the upload. Their
// completions live with the request (main_loop_handlers.cpp, normalize_downloads.cpp,
// upload_without_host.cpp); this file holds what their branches check and send.
#include "diagnostics/automation_error.hpp"
#include "diagnostics/trace.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/database_request.hpp"
#include "model/connect_info.hpp"
#include "model/work_queue.hpp"

namespace vz {
namespace {

// The "UploadFlags" value as a number, or the error that reading it gave.
std::int32_t UploadFlags(const std::shared_ptr<clsGenericRequest>& generic) {
  const auto text = FindParameter(generic, "UploadFlags");
  if (!text) Raise(kErrInvalidProcedureCall, "Invalid procedure call or argument");
  return Value(*text).ToLong();
}

bool PrepareUpload(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>& generic) {
  if (!request.WorkQueue()) return Refuse(request, "Workqueue object is nothing.  This is needed when uploading files");
  const size_t count = request.DictationList().size();
  if (count > 1) {
    GlobalTrace(kRunLocation, "We should only be uploading one dictation at a time through this request, but " +
                                  std::to_string(count) +
                                  " dictations have been specified.  As a result we are going to leave the upload "
                                  "information parameters blank.");
  }
  if (!request.GenericRequests()) return Refuse(request, "GenericRequests collection uninitialized in DBR_UPLOAD");
  if (!generic) return Refuse(request, "GenericRequest object uninitialized in DBR_UPLOAD");
  try {
    UploadFlags(generic);
  } catch (const AutomationError& error) {
    return Refuse(request, "Error " + std::to_string(error.Number()) + " retrieving UploadFlags parameter in DBR_UPLOAD: " +
                               error.Description());
  }
  return true;
}

CallArguments UploadArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>& generic) {
  GlobalTrace(kRunLocation, "Uploading utterances: " + request.sfnUtteranceList());
  CallArguments arguments = DictationListArguments(request);
  arguments.named.emplace("UploadFlags", std::to_string(UploadFlags(generic)));
  return arguments;
}

CallArguments DownloadArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>&) {
  GlobalTrace(kRunLocation, "Downloading utterances: " + request.sfnUtteranceList());
  return DictationListArguments(request);
}

bool PrepareWorkQueue(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  const auto queue = request.WorkQueue();
  const auto info = request.ConnectionInfo();
  if (!queue || queue->RetrieveLocation() < 0) return Refuse(request, "RetrieveLocation not initialized in WorkQueue object");
  GlobalTrace(kRunLocation, "During refresh. Location = " + request.Location() + ". LocationID = " + std::to_string(queue->RetrieveLocation()));
  GlobalTrace(kRunLocation, "Querying " + (info ? info->CurrentDatabaseURL() : std::string()) + " for utterances in work queue.");
  return true;
}

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_UPLOAD,
     .takesParameterSet = true,
     .prepare = PrepareUpload,
     .arguments = UploadArguments,
     .complete = [](clsDatabaseRequest& r, ClientServiceObject& s, bool e) { r.m_Fup_UploadComplete(s, e); }},
    {.action = Action::DBR_DOWNLOAD,
     .arguments = DownloadArguments,
     .complete = [](clsDatabaseRequest& r, ClientServiceObject& s, bool e) { r.m_Fud_DownloadComplete(s, e); }},
    {.action = Action::DBR_GETWORKQUEUE,
     .prepare = PrepareWorkQueue,
     .complete = [](clsDatabaseRequest& r, ClientServiceObject& s, bool e) { r.m_Wr_RetrievalComplete(s, e); }},
    {.action = Action::DBR_DOWNLOADTEXT,
     .arguments = DownloadArguments,
     .complete = [](clsDatabaseRequest& r, ClientServiceObject& s, bool e) { r.m_objDownloadText_DownloadComplete(s, e); }},
};

}  // namespace

std::span<const ActionBranch> MainLoopBranches() { return kBranches; }

}  // namespace vz
