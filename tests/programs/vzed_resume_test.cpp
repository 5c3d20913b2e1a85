// End to end: an audio download cut mid-body is resumed by the next attempt from the bytes already
// received, unless the file changed at the institution since the part was begun (then it comes
// whole) or the bytes kept turn out wrong (then they are discarded and the file comes whole the
// time after).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "editor_client.hpp"
#include "simulated_institution.hpp"

namespace vz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr long kFirst = 1001;
constexpr std::uint64_t kCutAt = 100'000;

class ResumedDownloads : public SimulatedInstitutionTest {
 protected:
  ResumedDownloads() { Start(Config(2, 20)); }

  void CutNextAudioAnswer() {
    simulator::Fault cut = simulator::Fault::Of(simulator::FaultKind::kCut);
    cut.bytes = kCutAt;
    institution->Faults().Set("download", cut);
  }

  // Work queue and audio download, as the editor asks for them.
  void Download(EditorClient& editor) { editor.Run(editor.NewSpec({2, 1}, 1, editor.NewWorkQueue())); }

  std::string ServedAudio(long id) { return ReadFile(AtTheInstitution(id).audio); }

  // The parts kept in the download folder.
  static std::vector<std::filesystem::path> Parts(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> parts;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().filename().string().find("~vzresume-") != std::string::npos) parts.push_back(entry.path());
    return parts;
  }

  // The statuses of the first dictation's audio answers.
  std::vector<std::string> Answers() {
    std::vector<std::string> statuses;
    for (const std::string& line : Exchanges("request=0101")) {
      if (line.find("utteranceID=" + std::to_string(kFirst)) != std::string::npos) statuses.push_back(line.substr(line.find(" -> ") + 4));
    }
    return statuses;
  }
};

TEST_F(ResumedDownloads, ACutDownloadMovesOnlyTheMissingBytesOnTheRetry) {
  InstitutionEditor editor(NorthURL());
  CutNextAudioAnswer();
  Download(editor);
  // The engine retries the action after the cut; a later request would do the same.
  if (Answers().size() == 1) Download(editor);
  EXPECT_THAT(Answers(), ElementsAre("200", "206 (from byte " + std::to_string(kCutAt) + ")"));
  EXPECT_EQ(ReadFile(editor.downloads / "Local_1001.pcm"), ServedAudio(kFirst));
  EXPECT_EQ(ReadFile(editor.downloads / "Local_1002.pcm"), ServedAudio(kFirst + 1));
  EXPECT_TRUE(Parts(editor.downloads).empty());
}

// The part an earlier, cut attempt would have left: `bytes` under `digest`.
void PlantPart(const std::filesystem::path& downloads, const std::string& version, const std::string& digest,
               const std::string& bytes) {
  std::filesystem::create_directories(downloads);
  std::ofstream(downloads / (".Local_1001.pcm~vzresume-" + version + "-" + digest + ".part"), std::ios::binary) << bytes;
}

TEST_F(ResumedDownloads, APartOfAFileSinceChangedIsNotContinuedAndTheFileComesWhole) {
  InstitutionEditor editor(NorthURL());
  const simulator::Dictation first = AtTheInstitution(kFirst);
  const simulator::Dictation second = AtTheInstitution(kFirst + 1);
  // Begun when the institution served other audio under the same version.
  PlantPart(editor.downloads, first.documentVersion, second.audioDigest, ReadFile(second.audio).substr(0, kCutAt));
  Download(editor);
  EXPECT_THAT(Answers(), ElementsAre("200"));
  EXPECT_EQ(ReadFile(editor.downloads / "Local_1001.pcm"), ServedAudio(kFirst));
  EXPECT_TRUE(Parts(editor.downloads).empty());
}

TEST_F(ResumedDownloads, APartThatFailsTheDigestOfTheWholeFileIsDiscardedNotResumedAgain) {
  InstitutionEditor editor(NorthURL());
  const simulator::Dictation first = AtTheInstitution(kFirst);
  std::string kept = ReadFile(first.audio).substr(0, kCutAt);
  kept[2000] = static_cast<char>(kept[2000] ^ 0x55);  // within the samples: the header stays readable
  PlantPart(editor.downloads, first.documentVersion, first.audioDigest, kept);
  Download(editor);
  if (Answers().size() == 1) {
    ASSERT_FALSE(editor.dictations.empty());
    EXPECT_THAT(editor.dictations.front().error, HasSubstr("CHECKSUM mismatch in Local_1001.pcm"));
    EXPECT_TRUE(Parts(editor.downloads).empty());
    Download(editor);
  }
  EXPECT_THAT(Answers(), ElementsAre("206 (from byte " + std::to_string(kCutAt) + ")", "200"));
  EXPECT_EQ(ReadFile(editor.downloads / "Local_1001.pcm"), ServedAudio(kFirst));
  EXPECT_TRUE(Parts(editor.downloads).empty());
}

}  // namespace
}  // namespace vz::testing
