#include "diagnostics/trace.hpp"
#include "platform/fatal_signals.hpp"
#include "server/crash_handler.hpp"

namespace vz {
namespace {

class SignalCrashHandler final : public CrashHandler {
 public:
  explicit SignalCrashHandler(std::string fallbackFolder) : fallbackFolder_(std::move(fallbackFolder)) {}

  void Initialize(bool enable, const std::string& applicationName, bool useVectorHandler) override {
    if (!enable) return;
    std::string folder = ErrorsFolder();
    if (folder.empty()) folder = fallbackFolder_;
    platform::InstallCrashReporter(folder, applicationName, useVectorHandler);
  }

  bool ForceCrash(const std::string& processName) override { return platform::CrashProcessesNamed(processName) > 0; }

 private:
  std::string fallbackFolder_;
};

}  // namespace

std::shared_ptr<CrashHandler> MakeSignalCrashHandler(std::string fallbackFolder) {
  return std::make_shared<SignalCrashHandler>(std::move(fallbackFolder));
}

}  // namespace vz
