#include "diagnostics/error_log.hpp"

#include "diagnostics/error_table.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "diagnostics/trace_module.hpp"
#include "platform/files.hpp"

namespace vz {

ErrorSource ParseErrorSource(std::string_view source) {
  ErrorSource parts;
  const size_t last = source.rfind('.');
  if (last == std::string_view::npos) {
    parts.member = std::string(source);
    return parts;
  }
  parts.member = std::string(source.substr(last + 1));
  const std::string_view front = source.substr(0, last);
  const size_t before = front.rfind('.');
  if (before == std::string_view::npos) {
    parts.module = std::string(front);
  } else {
    parts.module = std::string(front.substr(before + 1));
    parts.component = std::string(front.substr(0, before));
  }
  return parts;
}

void GlobalErrorsLog(std::string_view source, std::string_view message, int severity, bool toSummary,
                     bool toErrorTable, const ErrorDetails& details) {
  constexpr std::string_view kLocation = "modVBTrace.GlobalErrorsLog";
  if (!message.empty() && message.front() == '\0') {
    GlobalLog(message);
    return;
  }
  GlobalTrace(kLocation, std::string("GlobalErrorsLog >>> ").append(message));
  GlobalTrace(kLocation, "Severity: " + std::to_string(severity));

  if (!GlobalLogFile().empty()) {
    if (toSummary) GlobalSummaryLog(source, message);
    if (toErrorTable) {
      const ErrorSource parts = ParseErrorSource(source);
      ErrorRecord record;
      record.firstOccurrence = FormatFirstOccurrence(std::chrono::system_clock::now());
      record.severity = severity;
      record.displayedToUser = details.displayedToUser;
      record.errorNumber = details.number;
      record.errorDescription = std::string(message);
      record.component = parts.component;
      record.module = parts.module;
      record.member = parts.member;
      record.lineNumber = details.line;
      AppendErrorNode(record);
    }
  }

  const std::string errorsFile = ErrorsLogPath();
  if (errorsFile.empty()) return;
  std::string line(source);
  line.append(": ").append(message).append("\r\n");
  if (!platform::AppendWhole(errorsFile, line)) {
    GlobalTrace(kLocation, std::string("Error in GlobalErrorsLog >>").append(message) +
                               " 75: Path/File access error (" + errorsFile + ")");
  }
}

namespace {
// A box that fails reports it here, as every other error is reported.
const bool kBoxFailureReporterInstalled = [] {
  SetBoxFailureReporter([](std::string_view location, std::string_view message) { GlobalErrorsLog(location, message); });
  return true;
}();
}  // namespace

}  // namespace vz
