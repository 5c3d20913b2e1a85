#include "diagnostics/error_table.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "platform/files.hpp"
#include "platform/local_time.hpp"

namespace vz {
namespace {

constexpr std::string_view kLocation = "modVBTrace.AppendErrorNode";

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::string Indent(int depth) { return std::string(static_cast<size_t>(depth > 0 ? depth * 4 : 0), ' '); }

std::string Pad(int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
  return digits;
}

}  // namespace

std::string XMLVersionStatement() { return R"(<?xml version="1.0" standalone="yes" ?>)"; }

std::string NodeStart(std::string_view name, int depth) {
  return Indent(depth).append("<").append(name).append(">\r\n");
}

std::string NodeEnd(std::string_view name, int depth) {
  return Indent(depth).append("</").append(name).append(">\r\n");
}

std::string CompleteNode(std::string_view name, std::string_view value, int depth) {
  if (value.empty()) return {};
  return Indent(depth).append("<").append(name).append(">").append(EncodeForXML(value)).append("</").append(name).append(">\r\n");
}

std::string EncodeForInternalXML(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string EncodeForXML(std::string_view text) {
  std::string out = EncodeForInternalXML(text);
  ReplaceAll(out, "\r\n", "\t");
  return out;
}

std::string FormatFirstOccurrence(std::chrono::system_clock::time_point when) {
  const platform::LocalDateTime t = platform::ToLocalDateTime(when);
  return Pad(t.month, 2) + "/" + Pad(t.day, 2) + "/" + Pad(t.year, 4) + " " + Pad(t.hour, 2) + ":" +
         Pad(t.minute, 2) + ":" + Pad(t.second, 2);
}

std::string FormatErrorRecord(const ErrorRecord& record) {
  std::string out = NodeStart("error", 1);
  out += CompleteNode("firstOccurrence", record.firstOccurrence, 2);
  out += CompleteNode("severity", std::to_string(record.severity), 2);
  out += CompleteNode("displayedToUser", record.displayedToUser ? "Y" : "N", 2);
  out += CompleteNode("errorNumber", std::to_string(record.errorNumber), 2);
  out += CompleteNode("errorDescription", record.errorDescription, 2);
  out += CompleteNode("component", record.component, 2);
  out += CompleteNode("module", record.module, 2);
  out += CompleteNode("member", record.member, 2);
  out += CompleteNode("lineNumber", std::to_string(record.lineNumber), 2);
  out += CompleteNode("count", "1", 2);
  out += NodeEnd("error", 1);
  return out;
}

std::string GetErrorLogFullPath(std::string_view logFileName) {
  const size_t slash = logFileName.find_last_of("/\\");
  std::string name(slash == std::string_view::npos ? logFileName : logFileName.substr(slash + 1));
  if (name.empty()) {
    GlobalTrace("modVBTrace.GetErrorLogFullPath",
                "Unable to retrieve detail log name from which to derive errors file. Default to PossibleErrors.log");
    name = "PossibleErrors.log";
  } else {
    ReplaceAll(name, ".log", "Errors.log");
  }
  const std::string folder = ErrorsFolder();
  return folder.empty() ? name : (std::filesystem::path(folder) / name).string();
}

bool WriteErrorNode(const std::string& tablePath, const ErrorRecord& record) {
  const std::string body = FormatErrorRecord(record);
  // Creating with O_EXCL tells us whether we are the first writer, who owes the declaration and
  // the root's opening tag; everything after that is a plain append of one record.
  const int fd = ::open(tablePath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    const std::string first = XMLVersionStatement() + "\r\n" + NodeStart("Errors", 0) + body;
    const ssize_t written = ::write(fd, first.data(), first.size());
    ::close(fd);
    return written == static_cast<ssize_t>(first.size());
  }
  if (errno != EEXIST) return false;
  return platform::AppendWhole(tablePath, body);
}

void AppendErrorNode(const ErrorRecord& record, std::string_view routine) {
  if (GlobalLogFile().empty()) {
    GlobalTrace(kLocation, "Exiting because no global log file path.  Original error: " + record.errorDescription);
    return;
  }
  ErrorRecord stamped = record;
  if (stamped.firstOccurrence.empty()) stamped.firstOccurrence = FormatFirstOccurrence(std::chrono::system_clock::now());
  const std::string where = std::string("From proc: ").append(routine) + " (linenum: " + std::to_string(record.lineNumber);
  GlobalTrace(kLocation, where + ")... Before writing the following description: " + record.errorDescription);
  const std::string table = GetErrorLogFullPath(LogFilePath());
  if (!WriteErrorNode(table, stamped)) {
    GlobalTrace(kLocation, "Unable to log to Penwright MT Error Table.  Error " + std::to_string(errno) + ": " +
                               std::strerror(errno) + " (" + table + ")");
  }
  GlobalTrace(kLocation, where + ")... After writing the following description: " + record.errorDescription);

  if (CrashFlagPresent()) {
    MsgBox("Penwright MT has encountered an error from which it cannot recover.  Please close all your programs and "
           "restart your machine.",
           vbCritical, "Penwright");
    GlobalTrace(kLocation, "Exiting process as a result of a crash.");
    // The process is in a state nobody trusts: leave without running destructors.
    std::_Exit(0);
  }
}

}  // namespace vz
