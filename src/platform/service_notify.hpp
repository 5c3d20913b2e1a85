#pragma once
// Tells the service manager how the daemon is doing when it runs as a systemd unit (READY=1,
// STATUS=..., WATCHDOG=1, STOPPING=1). Outside systemd (NOTIFY_SOCKET unset) every call does
// nothing and returns false.
#include <chrono>
#include <optional>
#include <string_view>

namespace vz::platform {

bool NotifyReady(std::string_view status);
bool NotifyStatus(std::string_view status);
bool NotifyWatchdog();
bool NotifyStopping();

// The watchdog period the unit asks for (WatchdogSec=), when it asks for one for this process.
std::optional<std::chrono::microseconds> ServiceWatchdogPeriod();

}  // namespace vz::platform
