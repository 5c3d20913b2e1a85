#include "daemon.hpp"

#include <csignal>
#include <filesystem>
#include <iostream>

#include "clientservices/http_client_services.hpp"
#include "diagnostics/message_box.hpp"
#include "execution/standard_action_catalogue.hpp"
#include "diagnostics/prompter.hpp"
#include "diagnostics/trace.hpp"
#include "instant_actions.hpp"
#include "object/class_registry.hpp"
#include "platform/service_notify.hpp"
#include "protocol/forwarding_prompter.hpp"
#include "server/exit_window.hpp"
#include "server/register_server_classes.hpp"
#include "server/request_queue.hpp"
#include "server/server_environment.hpp"
#include "server/server_object.hpp"
#include "server/watchdog_monitor.hpp"
#include "transport/socket_activation.hpp"

namespace vzed {
namespace {

using namespace std::chrono_literals;
constexpr std::string_view kWhere = "vzed.Daemon";

// Sends WATCHDOG=1 with the pump's heartbeats, but not more than four times a second.
void ThrottledServiceWatchdog() {
  static auto last = std::chrono::steady_clock::time_point{};
  const auto now = std::chrono::steady_clock::now();
  if (now - last < 250ms) return;
  last = now;
  vz::platform::NotifyWatchdog();
}

std::string ErrorsFallback(const Options& options) { return options.logFolder + "/Errors"; }

}  // namespace

vz::CloseReason CloseReasonNamed(std::string_view name) {
  if (name == "systemShutdown") return vz::CloseReason::SystemShutdown;
  if (name == "taskManager") return vz::CloseReason::TaskManager;
  if (name == "owner") return vz::CloseReason::OwnerShutdown;
  if (name == "controlMenu") return vz::CloseReason::ControlMenu;
  return vz::CloseReason::Other;
}

Daemon::Daemon(Options options) : options_(std::move(options)), signals_(loop_.Context()) {}

Daemon::~Daemon() {
  // Whatever holds the loop's clock goes before the loop.
  vz::SetPrompter(nullptr);
  // The server object outlives the daemon and may still hold the publisher.
  if (progress_) progress_->Stop();
  hub_.reset();
  listener_.reset();
  serviceWatchdog_.reset();
  idleAlarm_.reset();
  vz::frmExitProcess::Unload();
  vz::InstallServerEnvironment({});
}

int Daemon::Run() {
  std::error_code ignored;
  std::filesystem::create_directories(options_.logFolder, ignored);
  vz::SetLogFilePath(options_.logFolder + "/vzed.log");
  if (options_.traceLevel) vz::SetTraceLevel(*options_.traceLevel);
  vz::RegisterServerClasses(vz::ClassRegistry::Global());

  vz::protocol::HubOptions hubOptions;
  hubOptions.eventTimeout = options_.eventTimeout;
  hubOptions.maxClientBacklog = static_cast<std::size_t>(options_.maxClientBacklog);
  hubOptions.maxTotalBacklog = static_cast<std::size_t>(options_.maxTotalBacklog);
  hubOptions.onCloseRequest = [this](std::string_view reason) { return OnCloseRequest(CloseReasonNamed(reason)); };
  hubOptions.onConnectionCount = [this](std::size_t count) {
    vz::platform::NotifyStatus("serving " + std::to_string(count) + " connection(s)");
    // With --stdio the one client leaving ends the daemon.
    if (options_.stdio && count == 0) loop_.Post([this] { BeginShutdown("standard input ended"); });
    if (idleAlarm_ && count == 0) idleAlarm_->Arm(options_.idleExit, [this] { OnIdle(); });
    if (idleAlarm_ && count > 0) idleAlarm_->Cancel();
  };
  hub_ = std::make_unique<vz::protocol::Hub>(loop_, std::move(hubOptions));
  vz::SetPrompter(std::make_shared<vz::protocol::ForwardingPrompter>(*hub_));
  progress_ = std::make_shared<vz::protocol::ProgressPublisher>(*hub_, loop_.LoopClock());
  InstallEnvironment();

  // Signals first: once the socket listens a client may connect and signal us at once, and an
  // unwatched SIGUSR1 or SIGHUP would end the process.
  WatchSignals();
  StartTransport();
  StartServiceWatchdog();
  if (options_.idleExit.count() > 0 && !options_.stdio) {
    idleAlarm_ = loop_.LoopClock().NewAlarm();
    idleAlarm_->Arm(options_.idleExit, [this] { OnIdle(); });
  }
  const std::string where = options_.stdio            ? std::string("standard input and output")
                            : listener_->Inherits() ? listener_->Path() + " (the service manager's socket)"
                                                    : listener_->Path();
  vz::GlobalTrace(kWhere, "Serving on " + where);
  vz::platform::NotifyReady("serving on " + where);

  loop_.Run();
  FinishShutdown();
  return 0;
}

void Daemon::InstallEnvironment() {
  vz::ServerEnvironment environment;
  environment.clock = &loop_.LoopClock();
  if (options_.testActions == "instant") {
    environment.catalogue = std::make_shared<InstantActionCatalogue>();
  } else {
    // Every action goes to the institution's servlets over HTTP(S) on this loop.
    vz::http_client::HttpOptions http;
    http.caFile = options_.caFile;
    http.fileLimit = options_.maxFileAnswer;
    http.xmlCallLimit = options_.maxXmlAnswers;
    http.transfers = options_.transfers;
    http.ioTimeout = std::chrono::seconds(options_.ioTimeoutSeconds);
    environment.catalogue = std::make_shared<vz::StandardActionCatalogue>(
        std::make_shared<vz::HttpClientServices>(loop_.Context(), std::move(http)));
  }
  environment.makeTimeOutMonitor = [this] {
    vz::WatchdogMonitor::Options watchdog;
    watchdog.postToLoop = [this](std::function<void()> task) { loop_.Post(std::move(task)); };
    watchdog.fallbackErrorsFolder = ErrorsFallback(options_);
    watchdog.onHeartbeat = ThrottledServiceWatchdog;
    return std::make_shared<vz::WatchdogMonitor>(std::move(watchdog));
  };
  environment.makeCrashHandler = [this] { return vz::MakeSignalCrashHandler(ErrorsFallback(options_)); };
  environment.pumpInterval = options_.tickInterval;
  environment.progressObserver = progress_;
  vz::InstallServerEnvironment(std::move(environment));
}

void Daemon::StartTransport() {
  if (options_.stdio) {
    hub_->Attach(vz::transport::MakeStdioChannel(loop_.Context()));
    return;
  }
  auto attach = [this](std::shared_ptr<vz::transport::LineChannel> channel) {
    if (stopping_) {
      channel->Close();
      return;
    }
    hub_->Attach(std::move(channel));
  };
  // Started by the socket unit: its socket is the one clients know, whatever --socket says.
  if (const std::optional<int> inherited = vz::transport::ListeningSocketFromServiceManager()) {
    listener_ = std::make_unique<vz::transport::UnixListener>(loop_.Context(), vz::transport::UnixListener::Inherited{*inherited},
                                                              std::move(attach));
    return;
  }
  listener_ = std::make_unique<vz::transport::UnixListener>(loop_.Context(), options_.socketPath, std::move(attach));
}

void Daemon::OnIdle() {
  if (stopping_ || hub_->ConnectionCount() > 0) return;
  // A request its client left behind still runs to its end; look again a whole quiet time later.
  const auto server = vz::clsZERUredoz::Current();
  if (server && server->DatabaseRequests() && server->DatabaseRequests()->Count() > 0) {
    idleAlarm_->Arm(options_.idleExit, [this] { OnIdle(); });
    return;
  }
  BeginShutdown("no client and no request for " + std::to_string(options_.idleExit.count()) + " ms");
}

void Daemon::WatchSignals() {
  for (const int signal : {SIGTERM, SIGHUP, SIGINT, SIGUSR1}) signals_.add(signal);
  signals_.async_wait([this](const boost::system::error_code& error, int signal) {
    if (error) return;
    switch (signal) {
      case SIGTERM: OnCloseRequest(vz::CloseReason::SystemShutdown); break;
      case SIGHUP: OnCloseRequest(vz::CloseReason::OwnerShutdown); break;
      case SIGINT: OnCloseRequest(vz::CloseReason::ControlMenu); break;
      case SIGUSR1:
        if (!vz::frmExitProcess::StartTimerFromOutside()) {
          vz::GlobalTrace(kWhere, "SIGUSR1 ignored: the exit window is not loaded");
        }
        break;
      default: break;
    }
    if (!stopping_) WatchSignals();
  });
}

void Daemon::StartServiceWatchdog() {
  const auto period = vz::platform::ServiceWatchdogPeriod();
  if (!period) return;
  const auto half = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(*period / 2), 1ms);
  serviceWatchdog_ = std::make_unique<vz::Timer>(loop_.LoopClock(), half, [] { vz::platform::NotifyWatchdog(); });
  serviceWatchdog_->SetEnabled(true);
}

bool Daemon::OnCloseRequest(vz::CloseReason reason) {
  if (stopping_) return false;
  const auto server = vz::clsZERUredoz::Current();
  vz::frmTimer* pump = server ? server->Pump() : nullptr;
  // Without a pump window nothing holds the process.
  const bool cancelled = pump ? pump->Form_QueryUnload(reason) : false;
  if (!cancelled) {
    // After the current handler: the closeRequest answer is queued first.
    loop_.Post([this] { BeginShutdown("close request accepted"); });
  }
  return cancelled;
}

void Daemon::BeginShutdown(const std::string& why) {
  if (stopping_) return;
  stopping_ = true;
  vz::GlobalTrace(kWhere, "Shutting down: " + why);
  vz::platform::NotifyStopping();
  boost::system::error_code ignored;
  signals_.cancel(ignored);
  if (listener_) listener_->Close();
  if (serviceWatchdog_) serviceWatchdog_->SetEnabled(false);
  idleAlarm_.reset();
  hub_->CloseAll();
  // Run() returns; the stack unwinds before anything is released.
  loop_.Stop();
}

void Daemon::FinishShutdown() {
  // Answers still queued go out (bounded: a client that does not read is cut off).
  loop_.Restart();
  loop_.RunUntil([this] { return hub_->ConnectionCount() == 0; }, 2s);
  vz::SetErrorBoxesEnabled(false);
  if (const auto server = vz::clsZERUredoz::Current()) server->Cleanup();
  vz::GlobalTrace(kWhere, "Ended");
}

}  // namespace vzed
