#include "progress_display.hpp"

#include <cstdio>

namespace vze {
namespace {

using Json = nlohmann::json;

std::string Text(const Json& params, const char* name) {
  const auto found = params.find(name);
  return found != params.end() && found->is_string() ? found->get<std::string>() : std::string();
}

std::uint64_t Number(const Json& params, const char* name) {
  const auto found = params.find(name);
  if (found == params.end() || !found->is_number_integer() || found->get<std::int64_t>() < 0) return 0;
  return found->get<std::uint64_t>();
}

}  // namespace

std::string ByteCount(std::uint64_t bytes) {
  static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = static_cast<double>(bytes);
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string ProgressText(const Json& params) {
  std::string text = Text(params, "request");
  const std::string step = Text(params, "step");
  const std::string action = Text(params, "actionName");
  if (!action.empty()) {
    text += " " + action;
    if (const auto count = Number(params, "actionCount"); count > 0) {
      text += " (action " + std::to_string(Number(params, "actionNumber")) + " of " + std::to_string(count) + ")";
    }
  }
  std::string details;
  const auto add = [&details](const std::string& part) { details += (details.empty() ? "" : ", ") + part; };
  if (const auto listed = Number(params, "dictationsListed"); listed > 0) {
    add(std::to_string(Number(params, "dictationsDone")) + " of " + std::to_string(listed) + " dictations");
  }
  if (const auto received = Number(params, "bytesReceived"); received > 0) add(ByteCount(received) + " received");
  if (const auto sent = Number(params, "bytesSent"); sent > 0) add(ByteCount(sent) + " sent");
  // Dictations moving at the same time, each with the bytes it has moved.
  if (const auto transfers = params.find("transfers"); transfers != params.end() && transfers->is_array() && !transfers->empty()) {
    std::string flying;
    for (const Json& transfer : *transfers) {
      if (!transfer.is_object()) continue;
      flying += (flying.empty() ? "" : ", ") + Text(transfer, "utteranceID") + " (" +
                ByteCount(Number(transfer, "bytesReceived") + Number(transfer, "bytesSent")) + ")";
    }
    if (!flying.empty()) add("in flight: " + flying);
  }
  if (step == "done") {
    const std::string error = Text(params, "error");
    add(error.empty() ? "done" : "ended: " + error);
  }
  if (!details.empty()) text += ": " + details;
  return text;
}

void ProgressDisplay::Show(const Json& params) {
  const std::string step = Text(params, "step");
  const std::string text = ProgressText(params);
  if (!terminal_) {
    if (step != "transfer") out_ << "progress " << text << std::endl;
    return;
  }
  Clear();
  if (step == "done") {
    current_.clear();
    out_ << text << std::endl;  // stays in the scrollback
    return;
  }
  // A line wider than the terminal would wrap, and only its last row could be redrawn.
  current_ = width_ > 1 && text.size() >= width_ ? text.substr(0, width_ - 1) : text;
  Redraw();
}

void ProgressDisplay::PrintLine(const std::string& line) {
  Clear();
  out_ << line << "\n";
  Redraw();
}

void ProgressDisplay::Clear() {
  if (terminal_ && !current_.empty()) out_ << "\r\033[K";
}

void ProgressDisplay::Redraw() {
  if (terminal_ && !current_.empty()) out_ << current_;
  out_.flush();
}

}  // namespace vze
