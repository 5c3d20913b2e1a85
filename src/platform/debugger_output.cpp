#include "platform/debugger_output.hpp"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace vz::platform {
namespace {

bool InitialSetting() {
  const char* value = std::getenv("VZ_DEBUGGER_OUTPUT");
  return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

bool& EnabledFlag() {
  static bool enabled = InitialSetting();
  return enabled;
}

}  // namespace

bool DebuggerOutputEnabled() { return EnabledFlag(); }
void SetDebuggerOutputEnabled(bool enabled) { EnabledFlag() = enabled; }

void OutputDebugText(std::string_view text) {
  if (!EnabledFlag()) return;
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace vz::platform
