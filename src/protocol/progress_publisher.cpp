#include "protocol/progress_publisher.hpp"

#include "protocol/hub.hpp"
#include "protocol/session.hpp"

namespace vz::protocol {

Json ProgressParams(const RequestProgress& progress) {
  Json params{{"request", progress.requestID},
              {"step", StepName(progress.step)},
              {"action", progress.action},
              {"actionName", progress.actionName},
              {"actionNumber", progress.actionNumber},
              {"actionCount", progress.actionCount},
              {"dictationsListed", progress.dictationsListed},
              {"dictationsDone", progress.dictationsDone},
              {"utteranceID", progress.utteranceID},
              {"bytesSent", progress.bytesSent},
              {"bytesReceived", progress.bytesReceived}};
  Json transfers = Json::array();
  for (const DictationTransfer& transfer : progress.transfers)
    transfers.push_back(
        {{"utteranceID", transfer.utteranceID}, {"bytesSent", transfer.bytesSent}, {"bytesReceived", transfer.bytesReceived}});
  params["transfers"] = std::move(transfers);
  if (progress.step == RequestProgress::Step::kDone) params["error"] = progress.error;
  return params;
}

ProgressPublisher::ProgressPublisher(Hub& hub, Clock& clock, std::chrono::milliseconds transferInterval)
    : hub_(&hub), alarm_(clock.NewAlarm()), interval_(transferInterval) {}

ProgressPublisher::~ProgressPublisher() = default;

void ProgressPublisher::Stop() {
  hub_ = nullptr;
  alarm_.reset();
  pending_.reset();
}

void ProgressPublisher::OnProgress(const RequestProgress& progress) {
  if (hub_ == nullptr) return;
  if (progress.step != RequestProgress::Step::kTransfer) {
    pending_.reset();  // this report carries the byte counts too
    Publish(progress);
    return;
  }
  if (holding_) {
    pending_ = progress;
    return;
  }
  Publish(progress);
  holding_ = true;
  alarm_->Arm(interval_, [this] { OnIntervalEnd(); });
}

void ProgressPublisher::OnIntervalEnd() {
  holding_ = false;
  if (!pending_) return;
  const RequestProgress latest = std::move(*pending_);
  pending_.reset();
  OnProgress(latest);
}

void ProgressPublisher::Publish(const RequestProgress& progress) {
  std::optional<Json> params;
  const auto sessions = hub_->Sessions();  // a connection that cannot keep up closes meanwhile
  for (const auto& session : sessions) {
    if (!session->WatchesProgress()) continue;
    if (!params) params = ProgressParams(progress);
    session->Notify("progress", *params);
  }
}

}  // namespace vz::protocol
