#pragma once
// The diagnostics module's state, one copy per process, shared by the trace, the error reports and
// the message boxes. Internal to src/diagnostics.
#include <string>
#include <vector>

namespace vz::detail {

struct TraceModuleState {
  int traceLevel = 0;  // below 1 means "not set yet": the first trace call makes it 2
  std::string logFilePath;
  std::string globalLogFile;
  std::string globalSummaryLogFile;
  std::string errorsLogPath;
  std::string applicationPath;
  std::string namePrefix;
  std::string productName;
  std::string instance;
  std::string applicationName;  // cached: prefix + executable name
  std::string errorsFolder;     // cached for errorsFolderSource
  std::string errorsFolderSource;
  bool useSendTrace = false;
  std::string traceChannelPath;
  bool messageBoxesSuppressed = false;
  std::vector<std::string> suppressedMessages;
  bool errorBoxesEnabled = true;
  bool insideErrMsgBox = false;
};

TraceModuleState& Module();

// Appends `line` + CR LF to `path`, retrying the open up to 100 times; after that the line goes
// to the debugger output with `failurePrefix` in front. Returns false when it gave up.
bool AppendLineWithRetry(const std::string& path, std::string_view line, std::string_view failurePrefix);
// The same for bytes that already end with CR LF.
bool AppendTerminatedLineWithRetry(const std::string& path, std::string_view bytes, std::string_view failurePrefix);

}  // namespace vz::detail
