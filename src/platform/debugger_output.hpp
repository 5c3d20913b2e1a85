#pragma once
// The debugger output channel. On the desktop, text sent there costs nothing unless a debugger
// listens; here it is standard error, written only when someone asked for it (the environment
// variable VZ_DEBUGGER_OUTPUT set to anything but "0", or SetDebuggerOutputEnabled).
#include <string_view>

namespace vz::platform {

bool DebuggerOutputEnabled();
void SetDebuggerOutputEnabled(bool enabled);
// Writes the text to standard error in one write when the channel is on.
void OutputDebugText(std::string_view text);

}  // namespace vz::platform
