#pragma once
// The time-out monitor as a watchdog thread in the server's own process. The loop thread gives it
// heartbeats; the watchdog wakes a few times per interval and, while no heartbeat comes, posts a
// probe to the loop (an idle loop answers it at once, which counts as a heartbeat). When neither a
// heartbeat nor a probe gets through for a whole interval, the loop thread is stuck: the watchdog
// writes a hang report "Hang_<application>_<pid>_<n>.txt" to the errors folder, once per hang.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "server/time_out_monitor.hpp"

namespace vz {

class WatchdogMonitor final : public TimeOutMonitor {
 public:
  struct Options {
    // Runs a task on the loop thread; may be called from the watchdog thread. Without it the
    // watchdog only hears real heartbeats.
    std::function<void(std::function<void()>)> postToLoop;
    // Where reports go while the trace module has no global log (and so no errors folder).
    std::string fallbackErrorsFolder;
    // Called on the loop thread with every heartbeat (the daemon sends WATCHDOG=1 from here).
    std::function<void()> onHeartbeat;
    // The steady clock in nanoseconds; tests give a manual one and call Check themselves.
    std::function<std::int64_t()> clock;
  };

  explicit WatchdogMonitor(Options options);
  ~WatchdogMonitor() override;

  void SetInterval(std::int32_t milliseconds) override;
  void Start(const std::string& applicationName, std::int32_t milliseconds, const MonitorLogSettings& settings,
             bool watchParent) override;
  void Stop() override;
  void Heartbeat() override;

  // Takes the settings Start takes without starting the thread, for tests that call Check.
  void Arm(const std::string& applicationName, std::int32_t milliseconds, const MonitorLogSettings& settings);
  // One look at the loop, as the thread takes a few times per interval: reports a hang that has
  // lasted a whole interval (once per hang) and probes a loop that has been silent for a while.
  void Check();

  bool Running() const;
  int HangReportsWritten() const { return state_->reports.load(); }
  int ProbesAnswered() const { return state_->probesAnswered.load(); }

 private:
  // Shared with probes that may still be queued on the loop after the monitor is gone.
  struct State {
    std::function<std::int64_t()> clock;
    std::atomic<std::int64_t> lastBeat{0};  // clock's nanoseconds
    std::atomic<bool> probeOutstanding{false};
    std::atomic<int> reports{0};
    std::atomic<int> probesAnswered{0};
    void Beat();
  };

  void Watch();
  void WriteReport(std::chrono::milliseconds silence);

  Options options_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
  bool stopping_ = false;
  std::chrono::milliseconds interval_{60000};
  std::int64_t reportedBeat_ = -1;  // the last heartbeat before the hang already reported
  std::string applicationName_;
  MonitorLogSettings settings_;
  std::string reportFolder_;
};

}  // namespace vz
