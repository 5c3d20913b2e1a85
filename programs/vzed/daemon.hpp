#pragma once
// The daemon: one event loop serving the automation protocol on its own socket, on the one the
// service manager hands it, or on standard input and output, the server object's environment
// (the loop's clock, the action catalogue, the watchdog and the crash handler), the service
// manager's notifications, and the close requests that arrive by signal or by closeRequest.
#include <memory>
#include <string>

#include <boost/asio/signal_set.hpp>

#include "options.hpp"
#include "platform/event_loop.hpp"
#include "platform/timer.hpp"
#include "protocol/hub.hpp"
#include "protocol/progress_publisher.hpp"
#include "server/request_pump.hpp"
#include "transport/unix_listener.hpp"

namespace vzed {

class Daemon {
 public:
  explicit Daemon(Options options);
  ~Daemon();
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  // Serves until an accepted close (or, with --stdio, the end of standard input). Throws
  // std::runtime_error when the daemon cannot start.
  int Run();

 private:
  void InstallEnvironment();
  void StartTransport();
  void WatchSignals();
  void StartServiceWatchdog();
  // With --idle-exit: no client has been connected for the whole quiet time.
  void OnIdle();
  // Asks the pump; true when the close is cancelled. An accepted close ends the daemon.
  bool OnCloseRequest(vz::CloseReason reason);
  void BeginShutdown(const std::string& why);
  void FinishShutdown();

  Options options_;
  vz::EventLoop loop_;
  std::unique_ptr<vz::protocol::Hub> hub_;
  std::shared_ptr<vz::protocol::ProgressPublisher> progress_;
  std::unique_ptr<vz::transport::UnixListener> listener_;
  boost::asio::signal_set signals_;
  std::unique_ptr<vz::Timer> serviceWatchdog_;
  std::unique_ptr<vz::Alarm> idleAlarm_;
  bool stopping_ = false;
};

// "systemShutdown", "taskManager", "owner", "controlMenu", "other".
vz::CloseReason CloseReasonNamed(std::string_view name);

}  // namespace vzed
