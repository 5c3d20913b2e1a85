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
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "child_process.hpp"
#include "cut_download_row.hpp"
#include "network_setup.hpp"
#include "transfer_memory_row.hpp"
#include "vzed_editor.hpp"

namespace {

using namespace vz::bench;

constexpr int kDictations = 200;
constexpr int kCurlInFlight = 8;

// The institution of the timed rows, up for the whole run.
std::optional<InstitutionProcess> institution;

InstitutionProcess& Institution() {
  if (!institution) institution.emplace(INSTITUTION_SIM_PATH, InstitutionOverTheLink("north-200", kDictations, kSecondsOfAudio));
  return *institution;
}

// One work queue and download by a vzed of its own, started with `arguments`; timed from the
// request's start to its completion.
void MeasureVzed(benchmark::State& state, const std::optional<std::vector<std::string>>& arguments) {
  for (auto _ : state) {
    if (!arguments) {
      state.SkipWithError("this vzed has no --transfers");
      break;
    }
    state.PauseTiming();
    const auto folder = FreshFolder("vzed");
    std::optional<VzedEditor> editor;
    QueueOutcome outcome;
    bool timing = false;
    try {
      editor.emplace(VZED_PATH, folder, Institution().ServletURL(), *arguments);
      state.ResumeTiming();
      timing = true;
      outcome = editor->DownloadQueue(folder / "Downloads", kDictations);
    } catch (const std::exception& failure) {
      outcome.error = failure.what();
    }
    if (timing) state.PauseTiming();
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
    bool ok = RunToEnd(curl);
    for (long id = kFirstID; ok && id < kFirstID + kDictations; ++id) {
      const std::string root = (downloads / ("Local_" + std::to_string(id))).string();
      std::error_code error;
      ok = std::filesystem::file_size(root + ".pcm", error) == std::filesystem::file_size(Institution().AudioFile(id)) &&
           RunToEnd({"sox", "-V1", "-D", "--norm", "-t", "nist", root + ".pcm", root + ".wav"});
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

// vzed's time against the time the link needs for the audio's bytes, and against vzed with one
// transfer at a time, round by round.
void ReportAgainstLink(const RoundsReporter& reporter) {
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
    ReportTarget("network-download", label + " vs bytes / rate", "not measured", "time <= 1.30x", false);
  } else {
    std::printf("vzed's time over the link's: %s\n", MedianOf(overLink, 3).c_str());
    ReportTarget("network-download", label + " vs bytes / rate", Fixed(Median(overLink), 3) + "x time", "time <= 1.30x",
                 Median(overLink) <= 1.3);
  }
  const std::string oneLabel = VzedTakesTransfers() ? "the same vs vzed --transfers 1" : "the same vs vzed one at a time (no --transfers)";
  if (overOne.empty()) {
    ReportFigure("network-download-one", oneLabel, "not measured");
  } else {
    std::printf("vzed's time over its time one transfer at a time: %s\n", MedianOf(overOne, 3).c_str());
    ReportFigure("network-download-one", oneLabel, Fixed(Median(overOne), 3) + "x time");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = Rounds();
  std::printf("vzed %s --transfers\n", VzedTakesTransfers() ? "takes" : "has no");
  int status = 1;
  try {
    Institution();  // generates the audio before anything is measured
    ReportTransferMemory(rounds);
    ReportCutDownload(rounds);
    status = RunAndCompare(argc, argv,
                           {{"network-download-peer", "the same vs curl --parallel-max 8 + sox --norm",
                             "BM_VzedDefaultTransfers/iterations:1/real_time",
                             "BM_CurlParallelAndSoxNorm/iterations:1/real_time", Comparison::By::Time, 1.0}},
                           {}, ReportAgainstLink);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "the network benchmark cannot run: %s\n", failure.what());
  }
  institution.reset();
  std::filesystem::remove_all(RunFolder());
  return status;
}
