#include "platform/service_notify.hpp"

#include <systemd/sd-daemon.h>

#include <cstdint>
#include <string>

namespace vz::platform {
namespace {

bool Notify(const std::string& state) { return ::sd_notify(0, state.c_str()) > 0; }

std::string StatusLine(std::string_view status) {
  std::string line = "STATUS=";
  for (const char c : status) line.push_back(c == '\n' ? ' ' : c);
  return line;
}

}  // namespace

bool NotifyReady(std::string_view status) { return Notify("READY=1\n" + StatusLine(status)); }

bool NotifyStatus(std::string_view status) { return Notify(StatusLine(status)); }

bool NotifyWatchdog() { return Notify("WATCHDOG=1"); }

bool NotifyStopping() { return Notify("STOPPING=1"); }

std::optional<std::chrono::microseconds> ServiceWatchdogPeriod() {
  std::uint64_t usec = 0;
  if (::sd_watchdog_enabled(0, &usec) <= 0 || usec == 0) return std::nullopt;
  return std::chrono::microseconds(usec);
}

}  // namespace vz::platform
