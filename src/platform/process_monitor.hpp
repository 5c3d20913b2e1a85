#pragma once
// Messages to the process monitor, which watches the editor's processes. The monitor listens on
// the Unix datagram socket named by the environment variable VZE_PROCMON_SOCKET; each message is
// one datagram "<message number> <process id>". Without the variable, or without a listener,
// the message goes nowhere and nothing is reported.
namespace vz::platform {

// Sends the message; true when a listener took it.
bool PostMessageToMonitor(int message, int processId);

}  // namespace vz::platform
