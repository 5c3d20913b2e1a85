#pragma once
// Message boxes with logging: what was shown and what the user answered go to the detail log.
#include <string>
#include <string_view>
#include <vector>

namespace vz {

// Answers.
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbAbort = 3;
inline constexpr int vbRetry = 4;
inline constexpr int vbIgnore = 5;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;
// Styles, added together.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbAbortRetryIgnore = 2;
inline constexpr int vbYesNo = 4;
inline constexpr int vbCritical = 16;
inline constexpr int vbExclamation = 48;
inline constexpr int vbSystemModal = 4096;
// The error trap's box: system-modal, critical, Abort/Retry/Ignore.
inline constexpr int kErrorBoxStyle = vbSystemModal + vbCritical + vbAbortRetryIgnore;

// Shows a box through the current prompter and logs it. Not shown (answer OK) when
// "NoMsgBox.flg" is in the application folder or nobody can answer; only recorded while boxes are
// suppressed. The title defaults to "Penwright MT". Signals the named busy event once answered.
int MsgBox(std::string_view text, int style = vbOKOnly, std::string_view title = {});

// Where a box reports its own failure (the busy event it could not create). The errors log sits
// above boxes (its table can show one), so it installs itself here when it is linked in; without
// it, the failure is only traced.
using BoxFailureReporter = void (*)(std::string_view location, std::string_view message);
void SetBoxFailureReporter(BoxFailureReporter reporter);

// "OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO", or "Code " + the number.
std::string sfnMsgboxReturn(int answer);

// While suppressed, boxes that could be shown are only collected.
void SetMessageBoxesSuppressed(bool suppressed);
std::vector<std::string> SuppressedMessages();
// Error boxes are switched off while the server shuts down: errors are then only logged.
void SetErrorBoxesEnabled(bool enabled);
bool ErrorBoxesEnabled();

// Marker files in the application folder.
bool NoMsgBoxFlagPresent();
bool CrashFlagPresent();

// The name of the busy event signalled after each answered box.
inline constexpr const char* kBusyEventName = "/PenwrightBusyEvent";

}  // namespace vz
