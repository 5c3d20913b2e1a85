// The editor's main job over an institution's network rather than loopback's: 50 ms added to every
// round trip and one 100 Mbit/s link that all connections share. institution-sim and vzed each run
// as a process of their own, vzed driven over its socket as an editor drives it. Measured in the
// same run:
// - the work queue and the download and normalisation of 200 dictations of 60 s, by vzed with its
//   default number of transfers in flight, against the time the link needs for the bytes, against
//   curl fetching the same files eight at a time plus "sox --norm" on each, and against vzed moving
//   one dictation at a time;
// - a 30 MB download cut at 90% and fetched again: the bytes the simulator sent for it, over its size;
// - vzed's peak resident memory with 1, 4 and 16 transfers in flight, on a queue of 40 (the
//   transfers, not the queue's length, are what may add to it).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "institution_process.hpp"
#include "ratio_reporter.hpp"
#include "vzed_editor.hpp"

namespace {

using vz::bench::InstitutionProcess;
using vz::bench::InstitutionSetup;
using vz::bench::VzedEditor;

constexpr int kDictations = 200;
constexpr int kSeconds = 60;
constexpr int kMemoryDictations = 40;
constexpr long kFirstID = 1001;
constexpr int kLatencyMs = 50;
constexpr const char* kBandwidth = "100Mbit";
constexpr double kLinkBytesPerSecond = 100e6 / 8;
constexpr int kSampleRate = 8000;                                // 16-bit mono: 16,000 bytes a second
constexpr int kLargeFileSeconds = 30'000'000 / (2 * kSampleRate);  // a 30 MB dictation
constexpr double kCutShare = 0.9;
constexpr int kCurlInFlight = 8;

std::filesystem::path MakeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vz-bench-network-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = MakeFolder();
  return folder;
}

std::filesystem::path FreshFolder(const std::string& name) {
  const auto folder = Folder() / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

InstitutionSetup Network(const std::string& name, int dictations, int seconds) {
  InstitutionSetup setup;
  setup.data = Folder() / name;
  setup.dictations = dictations;
  setup.seconds = seconds;
  setup.sampleRate = kSampleRate;
  setup.latencyMs = kLatencyMs;
  setup.bandwidth = kBandwidth;
  return setup;
}

// The institution of the timed rows, up for the whole run.
std::optional<InstitutionProcess> institution;

InstitutionProcess& Institution() {
  if (!institution) institution.emplace(INSTITUTION_SIM_PATH, Network("north-200", kDictations, kSeconds));
  return *institution;
}

// Whether this vzed has the option for the transfers in flight; a vzed without it moves one
// dictation at a time.
bool VzedTakesTransfers() {
  static const bool takes = [] {
    const auto help = Folder() / "vzed-help.txt";
    vz::bench::ChildProcess vzed({VZED_PATH, "--help"}, help);
    vzed.WaitForSuccess();
    std::ifstream in(help);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find("--transfers") != std::string::npos;
  }();
  return takes;
}

// vzed's arguments for `transfers` in flight, or nothing when this vzed cannot be asked for them.
std::optional<std::vector<std::string>> Transfers(int transfers) {
  if (VzedTakesTransfers()) return std::vector<std::string>{"--transfers", std::to_string(transfers)};
  if (transfers == 1) return std::vector<std::string>{};
  return std::nullopt;
}

// One work queue and download by a vzed of its own, started with `arguments`; timed from the
// request's start to its completion.
void MeasureVzed(benchmark::State& state, const std::optional<std::vector<std::string>>& arguments) {
  if (!arguments) {
    state.SkipWithError("this vzed has no --transfers");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    const auto folder = FreshFolder("vzed");
    std::optional<VzedEditor> editor;
    vz::bench::QueueOutcome outcome;
    try {
      editor.emplace(VZED_PATH, folder, Institution().ServletURL(), *arguments);
      state.ResumeTiming();
      outcome = editor->DownloadQueue(folder / "Downloads", kDictations);
      state.PauseTiming();
    } catch (const std::exception& failure) {
      outcome.error = failure.what();
    }
    editor.reset();
    state.ResumeTiming();
    if (!outcome.error.empty()) {
      state.SkipWithError(("the download failed: " + outcome.error).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kDictations);
}

void BM_VzedDefaultTransfers(benchmark::State& state) { MeasureVzed(state, std::vector<std::string>{}); }
BENCHMARK(BM_VzedDefaultTransfers)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The same files with curl, eight transfers at a time over kept-alive connections, then sox per file.
void BM_CurlParallelAndSoxNorm(benchmark::State& state) {
  const std::string url = Institution().ServletURL() + "?request=0101";
  for (auto _ : state) {
    state.PauseTiming();
    const auto downloads = FreshFolder("peer");
    std::vector<std::string> curl = {"curl", "--silent", "--parallel", "--parallel-max", std::to_string(kCurlInFlight)};
    for (long id = kFirstID; id < kFirstID + kDictations; ++id) {
      if (id != kFirstID) curl.push_back("--next");
      const std::string form = "locationID=3&utteranceID=" + std::to_string(id) +
                               "&linkedDocumentID=0&isAddendum=False&documentVersion=0&workQueueMode=0&useMTReview=False";
      curl.insert(curl.end(), {"--fail", "--user", "jdoe:secret", "--data", form, "--output",
                               (downloads / ("Local_" + std::to_string(id) + ".pcm")).string(), url});
    }
    state.ResumeTiming();
    bool ok = vz::bench::RunToEnd(curl);
    for (long id = kFirstID; ok && id < kFirstID + kDictations; ++id) {
      const std::string root = (downloads / ("Local_" + std::to_string(id))).string();
      std::error_code error;
      ok = std::filesystem::file_size(root + ".pcm", error) == std::filesystem::file_size(Institution().AudioFile(id)) &&
           vz::bench::RunToEnd({"sox", "-V1", "-D", "--norm", "-t", "nist", root + ".pcm", root + ".wav"});
    }
    if (!ok) {
      state.SkipWithError("curl or sox failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kDictations);
}
BENCHMARK(BM_CurlParallelAndSoxNorm)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_VzedOneTransfer(benchmark::State& state) { MeasureVzed(state, Transfers(1)); }
BENCHMARK(BM_VzedOneTransfer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// The median of each round's figure, with the rounds listed: "1.234 (1.2 1.3 1.1)".
std::string MedianOf(const std::vector<double>& values, int decimals) {
  std::string rounds;
  for (const double value : values) rounds += (rounds.empty() ? "" : " ") + Fixed(value, decimals);
  return Fixed(vz::bench::Median(values), decimals) + " (rounds: " + rounds + ")";
}

// What the simulator sent of dictation `id`'s audio, by its log: an answer cut by the fault sent
// `cut` bytes of its body, a whole answer the file, a rest of the file (206) what follows the byte
// it started from.
struct AudioSent {
  int answers = 0;
  std::uintmax_t bytes = 0;
  std::string story;  // "200 206(from 27000921)"
};

AudioSent SentOf(const std::vector<std::string>& log, long id, std::uintmax_t size, std::uintmax_t cut, int cutAnswers) {
  AudioSent sent;
  const std::string call = "request=0101";
  const std::string subject = "utteranceID=" + std::to_string(id) + " ";
  const std::string from = "(from byte ";
  for (const std::string& line : log) {
    if (line.find(call) == std::string::npos || line.find(subject) == std::string::npos) continue;
    ++sent.answers;
    if (line.find("-> 200") != std::string::npos) {
      sent.bytes += cutAnswers-- > 0 ? cut : size;
      sent.story += sent.story.empty() ? "200" : " 200";
    } else if (const auto start = line.find(from); line.find("-> 206") != std::string::npos && start != std::string::npos) {
      const std::uintmax_t offset = std::strtoull(line.c_str() + start + from.size(), nullptr, 10);
      if (offset < size) sent.bytes += size - offset;
      sent.story += (sent.story.empty() ? "206 from " : " 206 from ") + std::to_string(offset);
    } else {
      sent.story += sent.story.empty() ? "other" : " other";
    }
  }
  return sent;
}

// A round of the cut download: a simulator whose first audio answer closes after 90% of the file,
// a vzed whose engine fetches it again; the bytes sent over the file's size, or what failed.
struct ResumeRound {
  double share = 0;
  std::string problem;
};

ResumeRound MeasureResume(std::uintmax_t size) {
  ResumeRound round;
  const auto cut = static_cast<std::uintmax_t>(static_cast<double>(size) * kCutShare);
  InstitutionSetup setup = Network("north-large", 1, kLargeFileSeconds);
  setup.faults = {"download:cut=" + std::to_string(cut)};
  try {
    InstitutionProcess institution(INSTITUTION_SIM_PATH, setup);
    const auto folder = FreshFolder("vzed-resume");
    VzedEditor editor(VZED_PATH, folder, institution.ServletURL(), {});
    const vz::bench::QueueOutcome outcome = editor.DownloadQueue(folder / "Downloads", 1);
    if (!outcome.error.empty()) {
      round.problem = outcome.error;
      return round;
    }
    const AudioSent sent = SentOf(institution.Output(), kFirstID, size, cut, 1);
    std::printf("cut download: the simulator's answers %s\n", sent.story.c_str());
    // One answer means the fault never cut it: nothing was fetched again, nothing measured.
    if (sent.answers < 2) round.problem = "the download was not cut (answers: " + sent.story + ")";
    round.share = static_cast<double>(sent.bytes) / static_cast<double>(size);
  } catch (const std::exception& failure) {
    round.problem = failure.what();
  }
  return round;
}

void ReportResume(int rounds) {
  const std::string key = "network-resume";
  const std::string label = "30 MB download cut at 90% and fetched again: bytes sent / file size";
  const std::string goal = "<= 1.15x";
  std::uintmax_t size = 0;
  {
    // A first simulator on the folder generates the file, so that the cut can be placed by its size.
    InstitutionProcess generated(INSTITUTION_SIM_PATH, Network("north-large", 1, kLargeFileSeconds));
    size = std::filesystem::file_size(generated.AudioFile(kFirstID));
  }
  std::vector<double> shares;
  for (int round = 1; round <= rounds; ++round) {
    const ResumeRound measured = MeasureResume(size);
    if (!measured.problem.empty()) {
      std::printf("cut download, round %d: %s\n", round, measured.problem.c_str());
      continue;
    }
    shares.push_back(measured.share);
  }
  if (shares.empty()) return vz::bench::ReportTarget(key, label, "not measured", goal, false);
  std::printf("cut download of %ju bytes, cut after %.0f%%: %sx the file's bytes sent\n", size, kCutShare * 100,
              MedianOf(shares, 3).c_str());
  vz::bench::ReportTarget(key, label, Fixed(vz::bench::Median(shares), 3) + "x the file", goal,
                          vz::bench::Median(shares) <= 1.15);
}

// Peak resident memory of a fresh vzed after one work queue and download of the small queue, by
// transfers in flight; an entry is missing when that vzed could not be asked for them or failed.
std::map<int, long> MeasureMemory(const InstitutionProcess& institution) {
  std::map<int, long> peaks;
  for (const int transfers : {1, 4, 16}) {
    const auto arguments = Transfers(transfers);
    if (!arguments) continue;
    try {
      const auto folder = FreshFolder("vzed-memory");
      VzedEditor editor(VZED_PATH, folder, institution.ServletURL(), *arguments);
      const vz::bench::QueueOutcome outcome = editor.DownloadQueue(folder / "Downloads", kMemoryDictations);
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

void ReportMemory(int rounds) {
  const std::string key = "network-memory";
  const std::string label = "vzed peak memory (VmHWM), 4 and 16 transfers over 1, queue of 40";
  const std::string goal = "<= N x 1 MiB growth";
  std::map<int, std::vector<double>> peaks;
  {
    InstitutionProcess institution(INSTITUTION_SIM_PATH, Network("north-40", kMemoryDictations, kSeconds));
    for (int round = 1; round <= rounds; ++round)
      for (const auto& [transfers, peak] : MeasureMemory(institution)) peaks[transfers].push_back(static_cast<double>(peak));
  }
  for (const auto& [transfers, values] : peaks)
    std::printf("vzed peak resident memory with %d transfers in flight: %s kB\n", transfers, MedianOf(values, 0).c_str());
  if (!peaks.count(1)) return vz::bench::ReportTarget(key, label, "not measured", goal, false);
  const double base = vz::bench::Median(peaks[1]);
  std::string measured = Fixed(base / 1024, 1) + " MiB at 1";
  if (!VzedTakesTransfers()) return vz::bench::ReportTarget(key, label, measured + "; no --transfers", goal, false);
  bool met = true;
  for (const int transfers : {4, 16}) {
    if (!peaks.count(transfers)) {
      measured += ", " + std::to_string(transfers) + " failed";
      met = false;
      continue;
    }
    const double growth = vz::bench::Median(peaks[transfers]) - base;
    measured += ", " + (growth >= 0 ? std::string("+") : std::string()) + Fixed(growth, 0) + " kB at " + std::to_string(transfers);
    met = met && growth <= transfers * 1024.0;
  }
  vz::bench::ReportTarget(key, label, measured, goal, met);
}

// vzed's time against the time the link needs for the audio's bytes, and against vzed with one
// transfer at a time, round by round.
void ReportAgainstLink(const vz::bench::RoundsReporter& reporter) {
  const double linkSeconds = static_cast<double>(Institution().AudioBytes()) / kLinkBytesPerSecond;
  const auto& ours = reporter.Rates("BM_VzedDefaultTransfers/iterations:1/real_time");
  const auto& one = reporter.Rates("BM_VzedOneTransfer/iterations:1/real_time");
  const std::string label = "vzed download + normalise 200 x 60 s, 50 ms, 100 Mbit/s";
  std::vector<double> overLink;
  std::vector<double> overOne;
  for (const auto& [round, rate] : ours) {
    const double seconds = kDictations / rate;
    overLink.push_back(seconds / linkSeconds);
    if (const auto other = one.find(round); other != one.end()) overOne.push_back(seconds / (kDictations / other->second));
  }
  std::printf("the link needs %.2f s for the %ju bytes of audio at %s\n", linkSeconds, Institution().AudioBytes(), kBandwidth);
  if (overLink.empty()) {
    vz::bench::ReportTarget("network-download", label + " vs bytes / rate", "not measured", "time <= 1.30x", false);
  } else {
    std::printf("vzed's time over the link's: %s\n", MedianOf(overLink, 3).c_str());
    vz::bench::ReportTarget("network-download", label + " vs bytes / rate", Fixed(vz::bench::Median(overLink), 3) + "x time",
                            "time <= 1.30x", vz::bench::Median(overLink) <= 1.3);
  }
  const std::string oneLabel = VzedTakesTransfers() ? "the same vs vzed --transfers 1" : "the same vs vzed one at a time (no --transfers)";
  if (overOne.empty()) {
    vz::bench::ReportFigure("network-download-one", oneLabel, "not measured");
  } else {
    std::printf("vzed's time over its time one transfer at a time: %s\n", MedianOf(overOne, 3).c_str());
    vz::bench::ReportFigure("network-download-one", oneLabel, Fixed(vz::bench::Median(overOne), 3) + "x time");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = vz::bench::Rounds();
  std::printf("vzed %s --transfers\n", VzedTakesTransfers() ? "takes" : "has no");
  int status = 1;
  try {
    Institution();  // generates the audio before anything is measured
    ReportMemory(rounds);
    ReportResume(rounds);
    status = vz::bench::RunAndCompare(
        argc, argv,
        {{"network-download-peer", "the same vs curl --parallel-max 8 + sox --norm",
          "BM_VzedDefaultTransfers/iterations:1/real_time", "BM_CurlParallelAndSoxNorm/iterations:1/real_time",
          vz::bench::Comparison::By::Time, 1.0}},
        {}, ReportAgainstLink);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "the network benchmark cannot run: %s\n", failure.what());
  }
  institution.reset();
  std::filesystem::remove_all(Folder());
  return status;
}
