#pragma once
// Shows the progress notifications of vzed's requests: on a terminal one line redrawn in place
// (events printed meanwhile scroll above it), otherwise one plain line per step (an action
// starting, a dictation done, a request ending); byte counts alone only move the terminal line.
#include <cstdint>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

namespace vze {

// "DBR00001 DBR_DOWNLOAD (action 2 of 2): 17 of 200 dictations, 5.2 MiB received"
std::string ProgressText(const nlohmann::json& params);
// 1023 B, 1.5 KiB, 5.2 MiB, 1.1 GiB.
std::string ByteCount(std::uint64_t bytes);

class ProgressDisplay {
 public:
  // `width`: the terminal's columns (0: unknown).
  ProgressDisplay(std::ostream& out, bool terminal, std::size_t width = 0) : out_(out), terminal_(terminal), width_(width) {}

  void Show(const nlohmann::json& params);
  // Prints a whole line (an event), keeping the progress line below it on a terminal.
  void PrintLine(const std::string& line);

 private:
  void Clear();
  void Redraw();

  std::ostream& out_;
  bool terminal_;
  std::size_t width_;
  std::string current_;  // the line shown in place, if any
};

}  // namespace vze
