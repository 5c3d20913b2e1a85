#pragma once
// What the process gives the server object when it is created: the clock its pump's timer runs
// on, the catalogue that starts actions, and how to make a time-out monitor. The daemon installs
// the event loop's clock; tests install a manual clock and scripted actions.
#include <functional>
#include <memory>

#include "execution/action_catalogue.hpp"
#include "platform/clock.hpp"
#include "server/time_out_monitor.hpp"

namespace vz {

struct ServerEnvironment {
  Clock* clock = nullptr;
  std::shared_ptr<ActionCatalogue> catalogue;
  std::function<std::shared_ptr<TimeOutMonitor>()> makeTimeOutMonitor;
};

// Installs the environment for server objects created from now on.
void InstallServerEnvironment(ServerEnvironment environment);
const ServerEnvironment& CurrentServerEnvironment();

}  // namespace vz
