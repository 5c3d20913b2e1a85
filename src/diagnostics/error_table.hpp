#pragma once
// The XML error table: a file whose root "Errors" is opened once and never closed, so that every
// error can be appended with one write. Readers must accept the unterminated root.
#include <chrono>
#include <string>
#include <string_view>

namespace vz {

struct ErrorRecord {
  std::string firstOccurrence;  // "mm/dd/yyyy hh:nn:ss", local time
  int severity = 1;
  bool displayedToUser = false;
  long errorNumber = 0;
  std::string errorDescription;
  std::string component;
  std::string module;
  std::string member;
  int lineNumber = 0;
};

// The error table of a log: "Server.log" gives "ServerErrors.log" in the errors folder; without a
// log name, "PossibleErrors.log".
std::string GetErrorLogFullPath(std::string_view logFileName);

// Appends one record to the error table of the detail log, tracing before and after; when
// "Crash.flg" is in the application folder, then tells the user and ends the process.
// `routine` names the caller for the traces.
void AppendErrorNode(const ErrorRecord& record, std::string_view routine = "modVBTrace.GlobalErrorsLog");

// Writes the record to `tablePath`, creating the table with its declaration and open root first.
// Returns false when the file cannot be written.
bool WriteErrorNode(const std::string& tablePath, const ErrorRecord& record);

// The record as it appears in the file: one "error" element at depth 1.
std::string FormatErrorRecord(const ErrorRecord& record);

// "mm/dd/yyyy hh:nn:ss" in local time.
std::string FormatFirstOccurrence(std::chrono::system_clock::time_point when);

// The text-level writer of the table: each element on its own line, four blanks per depth, CR LF.
std::string NodeStart(std::string_view name, int depth);
std::string NodeEnd(std::string_view name, int depth);
// Start tag, encoded value and end tag on one line; nothing at all for an empty value.
std::string CompleteNode(std::string_view name, std::string_view value, int depth);
std::string XMLVersionStatement();
// Escapes & " ' < > (the ampersand first).
std::string EncodeForInternalXML(std::string_view text);
// As EncodeForInternalXML, and every CR LF becomes a TAB so a value stays on one line.
std::string EncodeForXML(std::string_view text);

}  // namespace vz
