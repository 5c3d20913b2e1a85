// End to end: a download list moved several dictations at a time, through vzed and the simulator
// over a network with latency, gives the editor what one at a time gives: the same statuses and
// errors per dictation and the same files, with a digest mismatch and a cut in the middle of the
// transfers. A time-out reports the dictations before it as done, and the retry moves only what
// is missing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "editor_client.hpp"
#include "simulator/simulator_server.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;

constexpr int kDictations = 8;

// What the editor ends up with after downloading the work queue's dictations.
struct Downloaded {
  std::vector<std::string> dictations;        // "id status error"
  std::map<std::string, std::string> files;  // the download folder's audio files by name
  std::vector<std::string> answers;          // the institution's answers to the audio downloads, in order
};

class TransfersTest : public ::testing::Test {
 protected:
  TransfersTest() {
    simulator::SimulatorConfig config;
    config.dataFolder = data.Path();
    config.institutions[0].dictations = kDictations;
    config.institutions[0].secondsOfAudio = 10;
    config.network.latency = std::chrono::milliseconds(5);
    institution = std::make_unique<simulator::InstitutionSimulator>(config);
    institution->GetServlets().SetLog([this](const std::string& line) {
      const std::lock_guard lock(mutex);
      if (line.find("request=0101") != std::string::npos) answers.push_back(line.substr(line.find("utteranceID=") + 12));
    });
    institution->Start();
  }
  ~TransfersTest() override { institution->Stop(); }

  static simulator::Fault For(const std::string& utteranceID, simulator::Fault fault) {
    fault.utteranceID = utteranceID;
    return fault;
  }

  // Work queue and audio downloads through a vzed with `transfers`, asked again as long as the
  // request ends with an error (a later request would do the same).
  Downloaded Download(std::size_t transfers, std::vector<std::string> extra = {}) {
    extra.insert(extra.end(), {"--transfers", std::to_string(transfers)});
    VzedProcess vzed(extra, {}, Actions::kInstitution);
    EditorOptions options{.logs = true,
                          .keepRecords = true,
                          .server = {{"AppPath", vzed.folder / "App"}},
                          .login = Login{institution->ServletURL("north")}};
    EditorClient editor(vzed, options);
    for (int attempt = 0; attempt < 3; ++attempt) {
      editor.Run(editor.NewSpec({2, 1}, 1, editor.NewWorkQueue()));
      if (editor.errorMessage.empty()) break;
    }
    Downloaded result;
    for (const SeenDictation& seen : editor.dictations)
      result.dictations.push_back(std::to_string(seen.id) + " " + seen.status + " " + seen.error);
    for (const auto& entry : std::filesystem::directory_iterator(editor.downloads))
      if (entry.path().extension() == ".pcm" || entry.path().extension() == ".wal")
        result.files[entry.path().filename()] = ReadFile(entry.path());
    const std::lock_guard lock(mutex);
    result.answers = std::exchange(answers, {});
    return result;
  }

  // How often each dictation's audio was answered with `status`.
  static std::map<std::string, int> Count(const std::vector<std::string>& answers, const std::string& status) {
    std::map<std::string, int> counted;
    for (const std::string& answer : answers)
      if (answer.find(" -> " + status) != std::string::npos) ++counted[answer.substr(0, answer.find(' '))];
    return counted;
  }

  TempFolder data;
  std::unique_ptr<simulator::InstitutionSimulator> institution;
  std::mutex mutex;
  std::vector<std::string> answers;
};

TEST_F(TransfersTest, FourInFlightGiveWhatOneAtATimeGivesWithADigestMismatchAndACutAmongThem) {
  std::map<std::size_t, Downloaded> runs;
  for (const std::size_t transfers : {1, 4}) {
    SCOPED_TRACE("transfers " + std::to_string(transfers));
    // 1003's first answer names a wrong digest; 1005's first answer is cut mid-body.
    simulator::Fault digest = For("1003", simulator::Fault::Of(simulator::FaultKind::kCorruptDigest));
    simulator::Fault cut = For("1005", simulator::Fault::Of(simulator::FaultKind::kCut));
    cut.bytes = 50'000;
    institution->Faults().Set("download", digest);
    institution->Faults().Set("all", cut);
    runs[transfers] = Download(transfers);
    institution->Faults().ClearAll();
    const Downloaded& run = runs[transfers];
    ASSERT_EQ(run.dictations.size(), static_cast<std::size_t>(kDictations));
    // The mismatched file was asked for again; the cut download went on from the bytes it had.
    EXPECT_EQ(Count(run.answers, "200")["1003"], 2);
    EXPECT_EQ(Count(run.answers, "206 (from byte 50000)")["1005"], 1);
    EXPECT_EQ(run.files.size(), static_cast<std::size_t>(kDictations));
  }
  EXPECT_EQ(runs[1].dictations, runs[4].dictations);
  EXPECT_TRUE(runs[1].files == runs[4].files);  // not printed: audio
}

TEST_F(TransfersTest, ATimeOutReportsTheDictationsBeforeItAndTheRetryMovesOnlyWhatIsMissing) {
  // 1003's first answer comes after the client's time-out; the others come at once.
  institution->Faults().Set("download", For("1003", simulator::Fault::Delay(std::chrono::milliseconds(2500))));
  const Downloaded run = Download(4, {"--io-timeout", "1"});
  ASSERT_EQ(run.dictations.size(), static_cast<std::size_t>(kDictations));
  for (const std::string& dictation : run.dictations) EXPECT_THAT(dictation, ::testing::Not(HasSubstr("rror"))) << dictation;
  const auto whole = Count(run.answers, "200");
  const auto held = Count(run.answers, "304");
  // Done before the time-out: asked once. The one that timed out: asked again. Finished beyond
  // it: asked again, and not sent again.
  EXPECT_EQ(whole.at("1001"), 1);
  EXPECT_EQ(whole.at("1002"), 1);
  EXPECT_EQ(whole.at("1003"), 2);
  for (int id = 1004; id <= 1000 + kDictations; ++id) {
    const std::string name = std::to_string(id);
    EXPECT_EQ(whole.count(name) ? whole.at(name) : 0, 1) << name;
    EXPECT_EQ(held.count(name) ? held.at(name) : 0, 1) << name;
  }
}

}  // namespace
}  // namespace vz::testing
