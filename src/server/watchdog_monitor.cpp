#include "server/watchdog_monitor.hpp"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "diagnostics/trace.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

using Steady = std::chrono::steady_clock;

std::int64_t SteadyNow() { return Steady::now().time_since_epoch().count(); }

// Wakes often enough to probe the loop several times per interval, but not busily.
std::chrono::milliseconds CheckPeriod(std::chrono::milliseconds interval) {
  return std::clamp(interval / 4, std::chrono::milliseconds(5), std::chrono::milliseconds(1000));
}

}  // namespace

void WatchdogMonitor::State::Beat() { lastBeat.store(clock()); }

WatchdogMonitor::WatchdogMonitor(Options options) : options_(std::move(options)) {
  state_->clock = options_.clock ? options_.clock : SteadyNow;
  state_->Beat();
}

WatchdogMonitor::~WatchdogMonitor() { Stop(); }

void WatchdogMonitor::Start(const std::string& applicationName, std::int32_t milliseconds,
                            const MonitorLogSettings& settings, bool) {
  Stop();
  Arm(applicationName, milliseconds, settings);
  thread_ = std::thread([this] { Watch(); });
}

void WatchdogMonitor::Arm(const std::string& applicationName, std::int32_t milliseconds,
                          const MonitorLogSettings& settings) {
  // The errors folder is worked out here, on the loop thread: the trace module is not shared.
  std::string folder = ErrorsFolder();
  if (folder.empty()) folder = options_.fallbackErrorsFolder;
  {
    std::lock_guard lock(mutex_);
    applicationName_ = applicationName;
    settings_ = settings;
    reportFolder_ = folder;
    interval_ = std::chrono::milliseconds(std::max<std::int32_t>(milliseconds, 1));
    stopping_ = false;
    reportedBeat_ = -1;
  }
  state_->Beat();
}

void WatchdogMonitor::SetInterval(std::int32_t milliseconds) {
  {
    std::lock_guard lock(mutex_);
    interval_ = std::chrono::milliseconds(std::max<std::int32_t>(milliseconds, 1));
  }
  state_->Beat();
  wake_.notify_all();
}

void WatchdogMonitor::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool WatchdogMonitor::Running() const { return thread_.joinable() && !stopping_; }

void WatchdogMonitor::Heartbeat() {
  state_->Beat();
  if (options_.onHeartbeat) options_.onHeartbeat();
}

void WatchdogMonitor::Watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, CheckPeriod(interval_), [this] { return stopping_; });
    if (stopping_) break;
    lock.unlock();
    Check();
    lock.lock();
  }
}

void WatchdogMonitor::Check() {
  std::lock_guard lock(mutex_);
  const std::int64_t beat = state_->lastBeat.load();
  const auto silence = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::duration(state_->clock() - beat));
  // A hang is known by the heartbeat it follows: any heartbeat since, seen or not, ends it.
  if (silence >= interval_ && beat != reportedBeat_) {
    reportedBeat_ = beat;
    WriteReport(silence);
  }
  if (silence >= CheckPeriod(interval_) && options_.postToLoop && !state_->probeOutstanding.exchange(true)) {
    options_.postToLoop([weak = std::weak_ptr<State>(state_)] {
      if (const auto state = weak.lock()) {
        state->Beat();
        ++state->probesAnswered;
        state->probeOutstanding.store(false);
      }
    });
  }
}

void WatchdogMonitor::WriteReport(std::chrono::milliseconds silence) {
  // The watchdog thread never touches the trace module: the report is a file of its own.
  const int number = state_->reports.load() + 1;
  std::error_code ignored;
  std::filesystem::create_directories(reportFolder_, ignored);
  const std::string path = (reportFolder_.empty() ? std::string(".") : reportFolder_) + "/Hang_" + applicationName_ +
                           "_" + std::to_string(::getpid()) + "_" + std::to_string(number) + ".txt";
  std::ostringstream report;
  report << "Hang report\n"
         << "Application: " << applicationName_ << "\n"
         << "Process: " << ::getpid() << "\n"
         << "Written: " << FormatSystemTimeStamp(std::chrono::system_clock::now()) << "\n"
         << "No heartbeat for " << silence.count() << " ms (interval " << interval_.count() << " ms)\n"
         << "Detail log: " << settings_.logFilePath << "\n"
         << "Global log: " << settings_.globalLogFile << "\n"
         << "Summary log: " << settings_.globalSummaryLogFile << "\n"
         << "Trace level: " << settings_.traceLevel << "\n";
  platform::AppendWhole(path.c_str(), report.str());  // one write, never through a planted link
  state_->reports.store(number);  // counted once the report is on disk
}

}  // namespace vz
