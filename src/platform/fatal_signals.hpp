#pragma once
// Crash reports: handlers for the fatal signals (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS)
// write "Crash_<application>_<pid>_<seconds>.txt" into a folder, with the signal, the faulting
// address and a backtrace, and then let the signal take its default course (a core dump, the exit
// status a parent sees). The handlers run on their own stack, so a stack overflow is reported too.
#include <string>
#include <string_view>

namespace vz::platform {

// Installs (or re-points) the handlers. With `uncaughtExceptions` an exception that escapes to
// std::terminate is named in the report before the process aborts.
void InstallCrashReporter(const std::string& folder, const std::string& applicationName, bool uncaughtExceptions);
bool CrashReporterInstalled();

// Makes every process of this user whose name (as /proc/<pid>/comm shows it, 15 characters at
// most) is `processName` crash with SIGSEGV, this process included. Returns how many were sent.
int CrashProcessesNamed(std::string_view processName);

}  // namespace vz::platform
