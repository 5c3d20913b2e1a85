#pragma once
// Sends the requests' progress to the connections that asked for it (watchProgress), as
// "progress" notifications. Actions, finished dictations and the end of a request go out at once;
// byte counts within a dictation at most once per interval, the latest one winning, so that a fast
// download does not flood a slow terminal.
#include <chrono>
#include <memory>
#include <optional>

#include "model/request_progress.hpp"
#include "platform/clock.hpp"
#include "protocol/json_rpc.hpp"

namespace vz::protocol {

class Hub;

class ProgressPublisher final : public ProgressObserver {
 public:
  static constexpr std::chrono::milliseconds kTransferInterval{100};

  ProgressPublisher(Hub& hub, Clock& clock, std::chrono::milliseconds transferInterval = kTransferInterval);
  ~ProgressPublisher() override;

  void OnProgress(const RequestProgress& progress) override;
  // Sends nothing more; for a daemon shutting down while a request still reports.
  void Stop();

 private:
  void Publish(const RequestProgress& progress);
  void OnIntervalEnd();

  Hub* hub_;
  std::unique_ptr<Alarm> alarm_;
  std::chrono::milliseconds interval_;
  bool holding_ = false;                    // within an interval after a byte count went out
  std::optional<RequestProgress> pending_;  // the latest byte count held back
};

// The params of a "progress" notification.
Json ProgressParams(const RequestProgress& progress);

}  // namespace vz::protocol
