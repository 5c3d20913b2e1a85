#include "diagnostics/message_box.hpp"

#include <filesystem>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/prompter.hpp"
#include "diagnostics/trace.hpp"
#include "diagnostics/trace_module.hpp"
#include "platform/files.hpp"
#include "platform/named_event.hpp"

namespace vz {
namespace {

using detail::Module;

bool MarkerPresent(const char* name) {
  const auto& folder = Module().applicationPath;
  return platform::IsRegularFile(std::filesystem::path(folder.empty() ? "." : folder) / name);
}

BoxFailureReporter& InstalledBoxFailureReporter() {
  static BoxFailureReporter reporter = nullptr;
  return reporter;
}

void ReportBoxFailure(std::string_view location, std::string_view message) {
  if (const auto reporter = InstalledBoxFailureReporter()) {
    reporter(location, message);
  } else {
    GlobalTrace(location, message);
  }
}

// A program that can show boxes shows one when binary data reaches the detail log.
const bool kBinaryDataAlarmInstalled = [] {
  SetBinaryDataAlarm([](std::string_view warning) { MsgBox(warning, vbCritical, "Penwright MT"); });
  return true;
}();

}  // namespace

void SetBoxFailureReporter(BoxFailureReporter reporter) { InstalledBoxFailureReporter() = reporter; }

bool NoMsgBoxFlagPresent() { return MarkerPresent("NoMsgBox.flg"); }
bool CrashFlagPresent() { return MarkerPresent("Crash.flg"); }

void SetMessageBoxesSuppressed(bool suppressed) { Module().messageBoxesSuppressed = suppressed; }
std::vector<std::string> SuppressedMessages() { return Module().suppressedMessages; }
void SetErrorBoxesEnabled(bool enabled) { Module().errorBoxesEnabled = enabled; }
bool ErrorBoxesEnabled() { return Module().errorBoxesEnabled; }

std::string sfnMsgboxReturn(int answer) {
  switch (answer) {
    case vbOK: return "OK";
    case vbCancel: return "CANCEL";
    case vbAbort: return "ABORT";
    case vbRetry: return "RETRY";
    case vbIgnore: return "IGNORE";
    case vbYes: return "YES";
    case vbNo: return "NO";
    default: return "Code " + std::to_string(answer);
  }
}

int MsgBox(std::string_view text, int style, std::string_view title) {
  constexpr std::string_view kLocation = "modVBTrace.MsgBox";
  GlobalTrace(kLocation, std::string("MSGBOX: ").append(text));
  int answer = vbOK;
  if (NoMsgBoxFlagPresent()) {
    // Boxes may not be shown: nothing is shown and the answer is OK.
  } else if (Module().messageBoxesSuppressed) {
    Module().suppressedMessages.emplace_back(text);
    GlobalTrace(kLocation, "Message boxes currently suppressed");
  } else {
    platform::NamedEvent busy(kBusyEventName);
    if (!busy.IsOpen()) ReportBoxFailure(kLocation, "Unable to create MsgBox event");
    const MessageBoxRequest box{std::string(text), title.empty() ? std::string("Penwright MT") : std::string(title), style};
    answer = CurrentPrompter().Show(box).value_or(vbOK);
    busy.Signal();
  }
  GlobalLog(std::string("MsgBox: ").append(text).append("\tAnswer: ").append(sfnMsgboxReturn(answer)));
  GlobalTrace(kLocation, "User clicked: " + sfnMsgboxReturn(answer));
  return answer;
}

}  // namespace vz
