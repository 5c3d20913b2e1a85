#pragma once
// What the network benchmark's rows share: the institution's link (50 ms added to every round trip,
// 100 Mbit/s shared by all connections), the run's folder, the vzed to measure and how to ask it
// for transfers in flight, and how figures are printed.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "institution_process.hpp"
#include "ratio_reporter.hpp"

namespace vz::bench {

constexpr long kFirstID = 1001;  // the simulator's first dictation
constexpr int kSecondsOfAudio = 60;
constexpr int kSampleRate = 8000;  // 16-bit mono: 16,000 bytes a second
constexpr int kLatencyMs = 50;
constexpr const char* kBandwidth = "100Mbit";
constexpr double kLinkBytesPerSecond = 100e6 / 8;

inline const std::filesystem::path& RunFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vz-bench-network-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  return folder;
}

// An empty folder `name` in the run's folder.
inline std::filesystem::path FreshFolder(const std::string& name) {
  const auto folder = RunFolder() / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

// An institution behind the link, with its data in the run's folder under `name`.
inline InstitutionSetup InstitutionOverTheLink(const std::string& name, int dictations, int seconds) {
  InstitutionSetup setup;
  setup.data = RunFolder() / name;
  setup.dictations = dictations;
  setup.seconds = seconds;
  setup.sampleRate = kSampleRate;
  setup.latencyMs = kLatencyMs;
  setup.bandwidth = kBandwidth;
  return setup;
}

// Whether this vzed has the option for the transfers in flight; a vzed without it moves one
// dictation at a time.
inline bool VzedTakesTransfers() {
  static const bool takes = [] {
    const auto help = RunFolder() / "vzed-help.txt";
    ChildProcess vzed({VZED_PATH, "--help"}, help);
    vzed.WaitForSuccess();
    std::ifstream in(help);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find("--transfers") != std::string::npos;
  }();
  return takes;
}

// vzed's arguments for `transfers` in flight, or nothing when this vzed cannot be asked for them.
inline std::optional<std::vector<std::string>> Transfers(int transfers) {
  if (VzedTakesTransfers()) return std::vector<std::string>{"--transfers", std::to_string(transfers)};
  if (transfers == 1) return std::vector<std::string>{};
  return std::nullopt;
}

inline std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The median of the rounds' figures, then the rounds: "1.234 (rounds: 1.2 1.3 1.1)".
inline std::string MedianOf(const std::vector<double>& values, int decimals) {
  std::string rounds;
  for (const double value : values) rounds += (rounds.empty() ? "" : " ") + Fixed(value, decimals);
  return Fixed(Median(values), decimals) + " (rounds: " + rounds + ")";
}

}  // namespace vz::bench
