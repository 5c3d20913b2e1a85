#include "diagnostics/trace.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/trace_module.hpp"
#include "platform/debugger_output.hpp"
#include "platform/files.hpp"
#include "platform/local_time.hpp"

namespace vz {
namespace detail {

TraceModuleState& Module() {
  static TraceModuleState state;
  return state;
}

bool AppendLineWithRetry(const std::string& path, std::string_view line, std::string_view failurePrefix) {
  std::string bytes;
  bytes.reserve(line.size() + 2);
  bytes.append(line).append("\r\n");
  return AppendTerminatedLineWithRetry(path, bytes, failurePrefix);
}

bool AppendTerminatedLineWithRetry(const std::string& path, std::string_view bytes, std::string_view failurePrefix) {
  // Several processes append to the same folders; a failed open is usually a passing conflict.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (platform::AppendWhole(path.c_str(), bytes)) return true;
  }
  platform::OutputDebugText(std::string(failurePrefix).append(bytes));
  return false;
}

}  // namespace detail

namespace {

using detail::Module;

constexpr std::string_view kBinaryDataWarning = "********* Binary data in log msg.  Please contact Quorvane. ********";

bool StartsWithNul(std::string_view text) { return !text.empty() && text.front() == '\0'; }

void AppendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + value / 10 % 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

std::string ExecutableName() {
  std::error_code error;
  const auto target = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("vzed") : target.filename().string();
}

void Echo(std::string_view location, std::string_view message, std::string_view phase) {
  std::string line = "\t**** ";
  line.append(location).append("\t").append(phase).append(message);
  platform::OutputDebugText(line + "\r\n");
  if (Module().traceLevel >= kTraceDetail) WriteToDetailLog(line);
}

// Productivity events: one line per event in "Productivity.log" beside the detail log.
void RecordProductivityEvent(int code, std::string_view message) {
  const auto& path = Module().logFilePath;
  if (path.empty()) return;
  const auto file = std::filesystem::path(path).parent_path() / "Productivity.log";
  detail::AppendLineWithRetry(file.string(), SystemTimeStamp() + "\t" + std::to_string(code) + "\t" + std::string(message),
                              "Couldn't open log. Msg = ");
}

}  // namespace

std::string FormatSystemTimeStamp(std::chrono::system_clock::time_point when) {
  const platform::LocalDateTime t = platform::ToLocalDateTime(when);
  std::string out;
  out.reserve(21);
  AppendTwoDigits(out, t.month);
  out.push_back('-');
  AppendTwoDigits(out, t.day);
  out.push_back('-');
  AppendTwoDigits(out, t.year % 100);
  out.push_back(' ');
  AppendTwoDigits(out, t.hour);
  out.push_back(':');
  AppendTwoDigits(out, t.minute);
  out.push_back(':');
  AppendTwoDigits(out, t.second);
  out.push_back('.');
  out.push_back(static_cast<char>('0' + t.millisecond / 100));
  AppendTwoDigits(out, t.millisecond % 100);
  return out;
}

namespace {

// Appends the current time stamp. Converting to local time takes a lock and a zone lookup; lines
// come many to a second, so the text of the current second is kept and only the milliseconds change.
void AppendSystemTimeStamp(std::string& out) {
  using namespace std::chrono;
  static thread_local sys_seconds cachedSecond{};
  static thread_local std::string cachedText;
  const auto now = system_clock::now();
  const auto second = floor<seconds>(now);
  if (second != cachedSecond || cachedText.empty()) {
    cachedText = FormatSystemTimeStamp(second);
    cachedSecond = second;
  }
  const int millis = static_cast<int>(duration_cast<milliseconds>(now - second).count());
  out.append(cachedText, 0, 18);
  out.push_back(static_cast<char>('0' + millis / 100));
  out.push_back(static_cast<char>('0' + millis / 10 % 10));
  out.push_back(static_cast<char>('0' + millis % 10));
}

// The detail-log line "time stamp TAB [application TAB location ": "] text" (without the time
// stamp when asked), composed once with its line end and handed over in a single write.
void DeliverLine(std::string_view location, std::string_view text, bool withTimestamp, bool withPrefix) {
  auto& module = Module();
  if (!module.useSendTrace && module.logFilePath.empty()) return;
  static thread_local std::string line;
  line.clear();
  if (withTimestamp) AppendSystemTimeStamp(line);
  line.push_back('\t');
  if (withPrefix) line.append(ApplicationName()).append("\t").append(location).append(": ");
  line.append(text);
  if (module.useSendTrace) {
    SendTraceStatement(line);
    return;
  }
  if (module.logFilePath.empty()) return;
  line.append("\r\n");
  detail::AppendTerminatedLineWithRetry(module.logFilePath, line, "Couldn't open log in GlobalLog. Msg = ");
}

}  // namespace

std::string SystemTimeStamp() {
  std::string text;
  AppendSystemTimeStamp(text);
  return text;
}

void GlobalTrace(std::string_view location, std::string_view message, int level, bool withTimestamp, bool echo,
                 int productivityCode, bool alsoToSummary) {
  auto& module = Module();
  if (echo) Echo(location, message, "Entering GlobalTrace: ");
  if (StartsWithNul(message)) {
    GlobalLog(message, withTimestamp);
    return;
  }
  if (productivityCode != 1) RecordProductivityEvent(productivityCode, message);
  if (module.traceLevel < 1) module.traceLevel = kTraceProgress;
  if (level > module.traceLevel) return;

  if (!module.useSendTrace && platform::DebuggerOutputEnabled()) {
    std::string echoed;
    if (withTimestamp) echoed.append(ApplicationName()).append("\t").append(location).append(": ");
    platform::OutputDebugText(echoed.append(message).append("\r\n"));
  }
  DeliverLine(location, message, withTimestamp, /*withPrefix=*/withTimestamp);
  if (alsoToSummary) GlobalSummaryLog(location, message, withTimestamp, false);
  if (echo) Echo(location, message, "Exiting GlobalTrace: ");
}

bool TraceWanted(int level) {
  auto& module = Module();
  if (module.traceLevel < 1) module.traceLevel = kTraceProgress;  // as the first GlobalTrace would
  if (level > module.traceLevel) return false;
  return module.useSendTrace || !module.logFilePath.empty() || platform::DebuggerOutputEnabled();
}

bool SummaryWanted() { return !Module().globalSummaryLogFile.empty(); }

void GlobalLog(std::string_view text, bool withTimestamp) {
  // Binary data keeps its leading NUL so that the detail log recognises and refuses it.
  if (StartsWithNul(text)) {
    if (Module().useSendTrace) {
      SendTraceStatement(text);
    } else {
      WriteToDetailLog(text);
    }
    return;
  }
  DeliverLine({}, text, withTimestamp, /*withPrefix=*/false);
}

// Outside the module's state: installed once when the program starts, it outlives a reset.
namespace {
BinaryDataAlarm& InstalledBinaryDataAlarm() {
  static BinaryDataAlarm alarm = nullptr;
  return alarm;
}
}  // namespace

void SetBinaryDataAlarm(BinaryDataAlarm alarm) { InstalledBinaryDataAlarm() = alarm; }

void WriteToDetailLog(std::string_view line) {
  const auto& path = Module().logFilePath;
  if (path.empty()) return;
  if (StartsWithNul(line)) {
    if (const auto alarm = InstalledBinaryDataAlarm()) alarm(kBinaryDataWarning);
    detail::AppendLineWithRetry(path, kBinaryDataWarning, "Couldn't open log in GlobalLog. Msg = ");
    RaiseServerError(std::string(kBinaryDataWarning), "modVBTrace.WriteToDetailLog");
  }
  detail::AppendLineWithRetry(path, line, "Couldn't open log in GlobalLog. Msg = ");
}

void GlobalSummaryLog(std::string_view location, std::string_view message, bool withTimestamp, bool alsoTrace) {
  if (StartsWithNul(message)) {
    GlobalLog(message, withTimestamp);
    return;
  }
  const auto& path = Module().globalSummaryLogFile;
  if (!path.empty()) {
    std::string line = withTimestamp ? SystemTimeStamp() : std::string();
    line.append("\t").append(ApplicationName()).append("\t").append(location).append("\t").append(message);
    detail::AppendLineWithRetry(path, line, "Couldn't open log. Msg = ");
  }
  if (alsoTrace) GlobalTrace(location, message);
}

int TraceLevel() { return Module().traceLevel; }
void SetTraceLevel(int level) { Module().traceLevel = level; }
const std::string& LogFilePath() { return Module().logFilePath; }
void SetLogFilePath(std::string path) { Module().logFilePath = std::move(path); }
const std::string& GlobalLogFile() { return Module().globalLogFile; }
void SetGlobalLogFile(std::string path) { Module().globalLogFile = std::move(path); }
const std::string& GlobalSummaryLogFile() { return Module().globalSummaryLogFile; }
void SetGlobalSummaryLogFile(std::string path) { Module().globalSummaryLogFile = std::move(path); }

std::string ErrorsLogPath() {
  const auto& module = Module();
  if (!module.errorsLogPath.empty() || module.logFilePath.empty()) return module.errorsLogPath;
  const std::filesystem::path detail(module.logFilePath);
  return (detail.parent_path() / (detail.stem().string() + "_Errors.txt")).string();
}
void SetErrorsLogPath(std::string path) { Module().errorsLogPath = std::move(path); }

const std::string& ApplicationPath() { return Module().applicationPath; }
void SetApplicationPath(std::string path) { Module().applicationPath = std::move(path); }

void SetApplicationNames(std::string prefix, std::string productName) {
  auto& module = Module();
  module.namePrefix = std::move(prefix);
  module.productName = std::move(productName);
  module.applicationName.clear();
}

void SetApplicationInstance(std::string instance) {
  Module().instance = std::move(instance);
  Module().applicationName.clear();
}

const std::string& ApplicationName() {
  auto& module = Module();
  if (module.applicationName.empty()) module.applicationName = module.namePrefix + ExecutableName() + module.instance;
  return module.applicationName;
}

const std::string& ProductName() { return Module().productName; }

std::string ErrorsFolder() {
  auto& module = Module();
  if (module.globalLogFile.empty()) return {};
  if (module.errorsFolderSource != module.globalLogFile) {
    std::string folder = std::filesystem::path(module.globalLogFile).parent_path().string();
    for (size_t at = folder.find("/Logs"); at != std::string::npos; at = folder.find("/Logs", at + 7)) {
      folder.replace(at, 5, "/Errors");
    }
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    module.errorsFolder = folder;
    module.errorsFolderSource = module.globalLogFile;
  }
  return module.errorsFolder;
}

bool UseSendTrace() { return Module().useSendTrace; }
void SetUseSendTrace(bool on) { Module().useSendTrace = on; }
void SetTraceChannelPath(std::string socketPath) { Module().traceChannelPath = std::move(socketPath); }

void SendTraceStatement(std::string_view line) {
  const auto& path = Module().traceChannelPath;
  if (path.empty()) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return;
  std::memcpy(address.sun_path, path.data(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  // A listener that is gone or slow loses the line; the trace channel never blocks the server.
  ::sendto(fd, line.data(), line.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  ::close(fd);
}

void ResetTraceModule() { Module() = detail::TraceModuleState{}; }

}  // namespace vz
