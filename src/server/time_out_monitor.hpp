#pragma once
// The time-out monitor watches the pump: the pump gives it a heartbeat at every tick and a request
// when it is deactivated; a monitor that hears nothing for its interval reports a hang.
#include <cstdint>
#include <string>

namespace vz {

class TimeOutMonitor {
 public:
  virtual ~TimeOutMonitor() = default;
  virtual void SetInterval(std::int32_t milliseconds) = 0;
  virtual void Start(const std::string& applicationName, std::int32_t milliseconds) = 0;
  virtual void Stop() = 0;
  virtual void Heartbeat() = 0;
};

}  // namespace vz
