#include "transfer_memory_row.hpp"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "network_setup.hpp"
#include "vzed_editor.hpp"

namespace vz::bench {
namespace {

constexpr int kDictations = 40;
constexpr int kTransfers[] = {1, 4, 16};
constexpr double kGrowthPerTransferKilobytes = 1024;

// The peak of a fresh vzed by transfers in flight; an entry is missing when that vzed could not be
// asked for them or its download failed.
std::map<int, long> MeasurePeaks(const InstitutionProcess& institution) {
  std::map<int, long> peaks;
  for (const int transfers : kTransfers) {
    const auto arguments = Transfers(transfers);
    if (!arguments) continue;
    try {
      const auto folder = FreshFolder("vzed-memory");
      VzedEditor editor(VZED_PATH, folder, institution.ServletURL(), *arguments);
      const QueueOutcome outcome = editor.DownloadQueue(folder / "Downloads", kDictations);
      if (!outcome.error.empty()) {
        std::printf("memory with %d transfers: %s\n", transfers, outcome.error.c_str());
        continue;
      }
      peaks[transfers] = editor.PeakResidentKilobytes();
    } catch (const std::exception& failure) {
      std::printf("memory with %d transfers: %s\n", transfers, failure.what());
    }
  }
  return peaks;
}

}  // namespace

void ReportTransferMemory(int rounds) {
  const std::string key = "network-memory";
  const std::string label = "vzed peak memory (VmHWM), 4 and 16 transfers over 1, queue of 40";
  const std::string goal = "<= N x 1 MiB growth";
  std::map<int, std::vector<double>> peaks;
  {
    InstitutionProcess institution(INSTITUTION_SIM_PATH, InstitutionOverTheLink("north-40", kDictations, kSecondsOfAudio));
    for (int round = 1; round <= rounds; ++round)
      for (const auto& [transfers, peak] : MeasurePeaks(institution)) peaks[transfers].push_back(static_cast<double>(peak));
  }
  for (const auto& [transfers, values] : peaks)
    std::printf("vzed peak resident memory with %d transfers in flight: %s kB\n", transfers, MedianOf(values, 0).c_str());
  if (!peaks.count(1)) return ReportTarget(key, label, "not measured", goal, false);
  const double base = Median(peaks[1]);
  std::string measured = Fixed(base / 1024, 1) + " MiB at 1";
  if (!VzedTakesTransfers()) return ReportTarget(key, label, measured + "; no --transfers", goal, false);
  bool met = true;
  for (const int transfers : kTransfers) {
    if (transfers == 1) continue;
    if (!peaks.count(transfers)) {
      measured += ", " + std::to_string(transfers) + " failed";
      met = false;
      continue;
    }
    const double growth = Median(peaks[transfers]) - base;
    measured += ", " + std::string(growth >= 0 ? "+" : "") + Fixed(growth, 0) + " kB at " + std::to_string(transfers);
    met = met && growth <= transfers * kGrowthPerTransferKilobytes;
  }
  ReportTarget(key, label, measured, goal, met);
}

}  // namespace vz::bench
