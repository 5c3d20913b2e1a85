#pragma once
// The crash handler: once initialised it writes a report when the process dies of a fatal signal,
// and it can make a named process crash on purpose (to see that the reports work).
#include <memory>
#include <string>

namespace vz {

class CrashHandler {
 public:
  virtual ~CrashHandler() = default;
  // `enable`, the application name for the report, and whether to report uncaught exceptions too.
  virtual void Initialize(bool enable, const std::string& applicationName, bool useVectorHandler) = 0;
  // True when at least one process of that name was told to crash.
  virtual bool ForceCrash(const std::string& processName) = 0;
};

// Reports go to the errors folder of the global log, or to `fallbackFolder` while no global log
// is set.
std::shared_ptr<CrashHandler> MakeSignalCrashHandler(std::string fallbackFolder);

}  // namespace vz
