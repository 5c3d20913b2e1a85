#pragma once
// The time-out monitor watches the pump: the pump gives it a heartbeat at every tick and a request
// when it is deactivated; a monitor that hears nothing for its interval reports a hang. Clients see
// it as the server's TimeOutMonitor property.
#include <cstdint>
#include <string>

#include "object/automation_object.hpp"

namespace vz {

// The logging settings a monitor is started with: the trace module's paths and level.
struct MonitorLogSettings {
  std::string globalLogFile;
  std::string globalSummaryLogFile;
  std::string logFilePath;
  std::int32_t traceLevel = 0;
};

class TimeOutMonitor : public AutomationObject<TimeOutMonitor> {
 public:
  static constexpr std::string_view kClassName = "TimeOutMonitor";
  static void Describe(ClassBuilder<TimeOutMonitor>& c) {
    c.Operation("SetInterval", &TimeOutMonitor::SetInterval, {"lMilliseconds"})
        .Operation("Stop", &TimeOutMonitor::Stop)
        .Operation("Heartbeat", &TimeOutMonitor::Heartbeat);
  }

  virtual void SetInterval(std::int32_t milliseconds) = 0;
  // `watchParent` is always false here: the monitor watches this process only.
  virtual void Start(const std::string& applicationName, std::int32_t milliseconds, const MonitorLogSettings& settings,
                     bool watchParent) = 0;
  virtual void Stop() = 0;
  virtual void Heartbeat() = 0;
};

}  // namespace vz
