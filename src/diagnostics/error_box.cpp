#include "diagnostics/error_box.hpp"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/prompter.hpp"
#include "diagnostics/trace.hpp"
#include "diagnostics/trace_module.hpp"
#include "platform/files.hpp"
#include "platform/local_time.hpp"

namespace vz {
namespace {

using detail::Module;

std::string Clock(std::chrono::system_clock::time_point when) {
  const auto t = platform::ToLocalDateTime(when);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

// A second error box while one is open (the answering client called back into the server and
// failed, say) must not stack up: it is noted beside the global log and dropped.
void NoteReentry(std::string_view text) {
  const auto& global = Module().globalLogFile;
  const auto& detailLog = Module().logFilePath;
  const std::string& anchor = global.empty() ? detailLog : global;
  if (anchor.empty()) return;
  const auto file = std::filesystem::path(anchor).parent_path() / "PossibleErrors.log";
  std::string entry = Clock(std::chrono::system_clock::now());
  entry.append("\tREENTERING ERRMSGBOX!!!\r\nMessage Passed:\r\n").append(text).append("\r\n");
  platform::AppendWhole(file, entry);
}

class ErrMsgBoxScope {
 public:
  ErrMsgBoxScope() { Module().insideErrMsgBox = true; }
  ~ErrMsgBoxScope() { Module().insideErrMsgBox = false; }
  ErrMsgBoxScope(const ErrMsgBoxScope&) = delete;
  ErrMsgBoxScope& operator=(const ErrMsgBoxScope&) = delete;
};

}  // namespace

int ErrMsgBox(std::string_view text, int style, std::string_view title, bool toErrorTable, std::string_view source,
              const ErrorDetails& details) {
  constexpr std::string_view kLocation = "modVBTrace.ErrMsgBox";
  if (Module().insideErrMsgBox) {
    NoteReentry(text);
    return 0;
  }
  ErrMsgBoxScope scope;
  int step = 0;
  try {
    ErrorDetails recorded = details;
    recorded.displayedToUser = ErrorBoxesEnabled() && !NoMsgBoxFlagPresent() && !Module().messageBoxesSuppressed &&
                               CurrentPrompter().CanShow();
    step = 1;
    GlobalErrorsLog(source.empty() ? kLocation : source, text, 1, true, toErrorTable, recorded);
    step = 2;
    GlobalTrace(kLocation, "Before displaying msg.");
    int answer = 0;
    if (ErrorBoxesEnabled()) answer = MsgBox(text, style, title);
    step = 3;
    GlobalTrace(kLocation, "After displaying msg.");
    return answer;
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError();
    try {
      GlobalTrace(kLocation, "ERROR IN ERRMSGBOX: " + error.Description() + " At line " + std::to_string(step));
    } catch (...) {
      // The trace itself refused the text (binary data); nothing more can be said.
    }
    return 0;
  }
}

}  // namespace vz
