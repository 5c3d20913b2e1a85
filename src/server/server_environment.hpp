#pragma once
// What the process gives the server object when it is created: the clock its pump's timer runs
// on, the catalogue that starts actions, how to make a time-out monitor and a crash handler, the
// pump's interval, and who hears of the requests' progress. The daemon installs the event loop's clock; tests install a manual clock and
// scripted actions.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "execution/action_catalogue.hpp"
#include "model/request_progress.hpp"
#include "platform/clock.hpp"
#include "server/crash_handler.hpp"
#include "server/time_out_monitor.hpp"

namespace vz {

struct ServerEnvironment {
  Clock* clock = nullptr;
  std::shared_ptr<ActionCatalogue> catalogue;
  std::function<std::shared_ptr<TimeOutMonitor>()> makeTimeOutMonitor;
  // Without one, InitCrashHandlers leaves the server without a crash handler.
  std::function<std::shared_ptr<CrashHandler>()> makeCrashHandler{};
  // The pump timer's interval; 1000 ms when not given.
  std::optional<std::chrono::milliseconds> pumpInterval{};
  // Told how far each request has come; without one, progress goes nowhere.
  std::shared_ptr<ProgressObserver> progressObserver{};
};

// Installs the environment for server objects created from now on.
void InstallServerEnvironment(ServerEnvironment environment);
const ServerEnvironment& CurrentServerEnvironment();

}  // namespace vz
