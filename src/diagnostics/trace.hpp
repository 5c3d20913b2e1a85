#pragma once
// The levelled trace: one line per call appended to the per-process detail log, mirrored to the
// debugger output, and a summary log for request sentences. Every line is written with a single
// write on a descriptor opened for appending and closed at once, so it is on disk even if the
// process dies at the next instruction, and other processes appending to the same file never
// split it.
#include <chrono>
#include <string>
#include <string_view>

namespace vz {

// Usual levels: progress at 2, detail at 4; 5 and more also traces every XML flush.
inline constexpr int kTraceProgress = 2;
inline constexpr int kTraceDetail = 4;

// Writes one trace line when `level` does not exceed the trace level. A message that starts with
// a NUL byte is binary data and is never written as it stands (see WriteToDetailLog).
// `productivityCode` other than 1 also records a productivity event; `alsoToSummary` copies the
// message to the summary log.
void GlobalTrace(std::string_view location, std::string_view message, int level = kTraceProgress,
                 bool withTimestamp = true, bool echo = false, int productivityCode = 1,
                 bool alsoToSummary = false);

// Whether a trace line at `level`, or a summary line, would be written anywhere: hot paths ask
// before building a message that would only be thrown away.
bool TraceWanted(int level = kTraceProgress);
bool SummaryWanted();

// Formats one detail-log line (time stamp, TAB, text; or TAB, text) and delivers it to the trace
// channel when that is on, otherwise to the detail log.
void GlobalLog(std::string_view text, bool withTimestamp = true);

// Appends one line (CR LF added) to the detail log. Opening is retried up to 100 times. A line
// starting with NUL is replaced by a warning, shown in a box, and raised to the caller as an
// AutomationError: the only case in which the diagnostics raise.
void WriteToDetailLog(std::string_view line);

// Appends "time stamp TAB application TAB location TAB message" to the summary log.
void GlobalSummaryLog(std::string_view location, std::string_view message, bool withTimestamp = true,
                      bool alsoTrace = false);

// "MM-dd-yy HH:mm:ss.fff" in local time, for example "12-03-26 22:40:01.007".
std::string SystemTimeStamp();
std::string FormatSystemTimeStamp(std::chrono::system_clock::time_point when);

// Module settings, one copy per process. The server object sets them from its properties.
int TraceLevel();
void SetTraceLevel(int level);
const std::string& LogFilePath();
void SetLogFilePath(std::string path);
const std::string& GlobalLogFile();
void SetGlobalLogFile(std::string path);
const std::string& GlobalSummaryLogFile();
void SetGlobalSummaryLogFile(std::string path);
// The plain-text errors file; when not set, derived from the detail log: "Server.log" gives
// "Server_Errors.txt" beside it.
std::string ErrorsLogPath();
void SetErrorsLogPath(std::string path);
// Application folder: where the marker files "NoMsgBox.flg" and "Crash.flg" are looked for.
const std::string& ApplicationPath();
void SetApplicationPath(std::string path);
// The application name of trace lines: an optional prefix followed by the executable's name.
void SetApplicationNames(std::string prefix, std::string productName);
// The client's instance number, appended to the application name ("vzed" + "2").
void SetApplicationInstance(std::string instance);
const std::string& ApplicationName();
const std::string& ProductName();
// The errors folder: the global log's folder with "/Logs" replaced by "/Errors"; created when
// first computed for a global log path. Empty without a global log path.
std::string ErrorsFolder();

// The trace channel: when on, lines go as datagrams to the Unix socket at the channel path instead
// of the log files and the debugger output.
bool UseSendTrace();
void SetUseSendTrace(bool on);
void SetTraceChannelPath(std::string socketPath);
void SendTraceStatement(std::string_view line);

// Puts the module back to its start-up state (tests and in-process embedders).
void ResetTraceModule();

// How binary data met by the detail log is brought to the user's attention. Message boxes sit
// above the trace (every box is traced), so they install their box here when they are linked in,
// instead of the trace calling up into them; without one, the warning is only logged and raised.
using BinaryDataAlarm = void (*)(std::string_view warning);
void SetBinaryDataAlarm(BinaryDataAlarm alarm);

}  // namespace vz
