// The request's progress reports: a snapshot kept on the request, updated at each step and handed
// to the host, which passes it on to whoever shows progress.
#include <algorithm>

#include "execution/action_table.hpp"
#include "execution/database_request.hpp"

namespace vz {

void clsDatabaseRequest::ReportActionStarted(std::int32_t actionNumber) {
  progress_ = RequestProgress{};
  progress_.step = RequestProgress::Step::kAction;
  progress_.requestID = id_;
  progress_.action = currentAction_;
  progress_.actionName = std::string(ActionEntryFor(currentAction_).name);
  progress_.actionNumber = actionNumber;
  progress_.actionCount = numRequests_;
  progress_.dictationsListed = bfnUtteranceListNeeded(currentAction_) ? dictationList_.size() : 0;
  if (const auto host = host_.lock()) host->ReportProgress(progress_);
}

void clsDatabaseRequest::ReportTransfer(const TransferProgress& transfer) {
  if (!active_) return;
  progress_.step = transfer.entryDone ? RequestProgress::Step::kDictation : RequestProgress::Step::kTransfer;
  // Only actions on the request's dictations count dictations; a single answer counts bytes.
  if (progress_.dictationsListed > 0) progress_.dictationsDone = std::min(transfer.entriesDone, progress_.dictationsListed);
  else if (transfer.entryDone) progress_.step = RequestProgress::Step::kTransfer;
  progress_.utteranceID = transfer.utteranceID;
  progress_.bytesSent = transfer.bytesSent;
  progress_.bytesReceived = transfer.bytesReceived;
  progress_.transfers = transfer.inFlight;
  if (const auto host = host_.lock()) host->ReportProgress(progress_);
}

void clsDatabaseRequest::ReportDone() {
  progress_.step = RequestProgress::Step::kDone;
  progress_.requestID = id_;
  progress_.actionCount = numRequests_;
  progress_.error = globalErrorMessage_;
  if (const auto host = host_.lock()) host->ReportProgress(progress_);
}

}  // namespace vz
