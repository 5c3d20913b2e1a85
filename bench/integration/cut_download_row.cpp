#include "cut_download_row.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "network_setup.hpp"
#include "vzed_editor.hpp"

namespace vz::bench {
namespace {

constexpr int kLargeFileSeconds = 30'000'000 / (2 * kSampleRate);  // a 30 MB dictation
constexpr double kCutShare = 0.9;
constexpr double kGoal = 1.15;

// What the simulator sent of dictation `id`'s audio, by its log: an answer the fault cut sent
// `cut` bytes of its body, any other whole answer the file, a rest of the file (206) what follows
// the byte it started from.
struct AudioSent {
  int answers = 0;
  std::uintmax_t bytes = 0;
  std::string story;  // the answers in order: "200 206 from 27000921"
};

AudioSent SentOf(const std::vector<std::string>& log, long id, std::uintmax_t size, std::uintmax_t cut, int cutAnswers) {
  AudioSent sent;
  const std::string call = "request=0101";
  const std::string subject = "utteranceID=" + std::to_string(id) + " ";
  const std::string from = "(from byte ";
  for (const std::string& line : log) {
    if (line.find(call) == std::string::npos || line.find(subject) == std::string::npos) continue;
    ++sent.answers;
    if (!sent.story.empty()) sent.story += " ";
    if (line.find("-> 200") != std::string::npos) {
      sent.bytes += cutAnswers-- > 0 ? cut : size;
      sent.story += "200";
    } else if (const auto start = line.find(from); line.find("-> 206") != std::string::npos && start != std::string::npos) {
      const std::uintmax_t offset = std::strtoull(line.c_str() + start + from.size(), nullptr, 10);
      if (offset < size) sent.bytes += size - offset;
      sent.story += "206 from " + std::to_string(offset);
    } else {
      sent.story += "other";
    }
  }
  return sent;
}

struct CutRound {
  double share = 0;     // bytes sent over the file's size
  std::string problem;  // what kept the round from being measured
};

// A simulator whose first audio answer closes after 90% of the file, and a fresh vzed.
CutRound MeasureCutDownload(std::uintmax_t size) {
  CutRound round;
  const auto cut = static_cast<std::uintmax_t>(static_cast<double>(size) * kCutShare);
  InstitutionSetup setup = InstitutionOverTheLink("north-large", 1, kLargeFileSeconds);
  setup.faults = {"download:cut=" + std::to_string(cut)};
  try {
    InstitutionProcess institution(INSTITUTION_SIM_PATH, setup);
    const auto folder = FreshFolder("vzed-cut");
    VzedEditor editor(VZED_PATH, folder, institution.ServletURL(), {});
    const QueueOutcome outcome = editor.DownloadQueue(folder / "Downloads", 1);
    if (!outcome.error.empty()) {
      round.problem = outcome.error;
      return round;
    }
    const AudioSent sent = SentOf(institution.Output(), kFirstID, size, cut, 1);
    std::printf("cut download: the simulator's answers %s\n", sent.story.c_str());
    // A single answer means the fault never cut it: nothing was fetched again, nothing to measure.
    if (sent.answers < 2) round.problem = "the download was not cut (answers: " + sent.story + ")";
    round.share = static_cast<double>(sent.bytes) / static_cast<double>(size);
  } catch (const std::exception& failure) {
    round.problem = failure.what();
  }
  return round;
}

}  // namespace

void ReportCutDownload(int rounds) {
  const std::string key = "network-resume";
  const std::string label = "30 MB download cut at 90% and fetched again: bytes sent / file size";
  const std::string goal = "<= " + Fixed(kGoal, 2) + "x";
  std::uintmax_t size = 0;
  {
    // A first simulator on the folder generates the file, so that the cut can be placed by its size.
    InstitutionProcess generated(INSTITUTION_SIM_PATH, InstitutionOverTheLink("north-large", 1, kLargeFileSeconds));
    size = std::filesystem::file_size(generated.AudioFile(kFirstID));
  }
  std::vector<double> shares;
  for (int round = 1; round <= rounds; ++round) {
    const CutRound measured = MeasureCutDownload(size);
    if (!measured.problem.empty()) {
      std::printf("cut download, round %d: %s\n", round, measured.problem.c_str());
      continue;
    }
    shares.push_back(measured.share);
  }
  if (shares.empty()) return ReportTarget(key, label, "not measured", goal, false);
  std::printf("cut download of %ju bytes after %.0f%% of them: %sx the file's bytes sent\n", size, kCutShare * 100,
              MedianOf(shares, 3).c_str());
  ReportTarget(key, label, Fixed(Median(shares), 3) + "x the file", goal, Median(shares) <= kGoal);
}

}  // namespace vz::bench
