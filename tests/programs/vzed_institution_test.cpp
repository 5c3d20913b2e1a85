// End to end against an institution: the simulator runs in this process on loopback, vzed in
// another with its real HTTP client services, and a client drives it as the editor does: the work
// queue and the download of its dictations, then the upload of one transcription.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "editor_client.hpp"
#include "simulator/reference_data.hpp"
#include "simulated_institution.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kDictations = 5;
constexpr long kFirstID = 1001;

// Work queue then download, as one request.
void RetrieveAndDownload(EditorClient& editor) {
  editor.Run(editor.NewSpec({2, 1}, 1, editor.NewWorkQueue()));  // DBR_GETWORKQUEUE, DBR_DOWNLOAD
}

// The upload of one dictation, its record read back from its configuration file.
void Upload(EditorClient& editor, long id) {
  const std::string configFile = editor.ConfigFile(id);
  const auto collection = editor.New("NewUtteranceCollection");
  editor.Call(collection, "AddCompleteObject", Json::array({Ref(editor.ReadDictation(configFile)), configFile}));
  const auto upload = editor.NewSpec({0}, 0, editor.NewWorkQueue());  // DBR_UPLOAD
  editor.Set(upload, "Utterances", Ref(collection));
  editor.AddParameterSet(upload, 0, {{"UploadFlags", "0"}});
  editor.Run(upload);
}

using VzedAgainstAnInstitution = SimulatedInstitutionTest;

TEST_F(VzedAgainstAnInstitution, DownloadsTheWorkQueueAndUploadsATranscriptionByteForByte) {
  Start(Config(kDictations, 2));

  InstitutionEditor editor(NorthURL());
  const std::filesystem::path downloads = editor.downloads;

  RetrieveAndDownload(editor);
  EXPECT_EQ(editor.completions, 1);
  EXPECT_EQ(editor.errorMessage, "");
  ASSERT_EQ(editor.dictations.size(), static_cast<size_t>(kDictations));
  for (int i = 0; i < kDictations; ++i) {
    const SeenDictation& seen = editor.dictations[i];
    const std::string root = (downloads / ("Local_" + std::to_string(kFirstID + i))).string();
    EXPECT_EQ(seen.id, kFirstID + i);
    EXPECT_THAT(seen.status, ::testing::StartsWith("Downloaded for "));
    EXPECT_EQ(seen.configFile, root + ".cfg");
    EXPECT_THAT(ReadFile(root + ".cfg"), HasSubstr("<queueStatus>" + seen.status + "</queueStatus>"));
    EXPECT_GT(std::filesystem::file_size(root + ".pcm"), 0u) << root;
    EXPECT_GT(std::filesystem::file_size(root + ".wav"), 44u) << root;
  }

  // The transcriptionist's document for the first dictation goes back with its record.
  const std::string document = "{\\rtf1\\ansi Patient seen today.\\par \xC3\xA9\\par}\r\n";
  std::ofstream(downloads / "Local_1001.rtf", std::ios::binary) << document;
  const std::string record = ReadFile(downloads / "Local_1001.cfg");
  Upload(editor, kFirstID);
  EXPECT_EQ(editor.completions, 1);
  EXPECT_EQ(editor.errorMessage, "");
  ASSERT_EQ(editor.dictations.size(), 1u);

  const auto uploads = FromNorth([](const simulator::Institution& north) { return north.UploadFolder(kFirstID); });
  EXPECT_EQ(ReadFile(uploads / "Local_1001.rtf"), document);
  // The record was sent as it stood before the upload's status update rewrote it.
  EXPECT_EQ(ReadFile(uploads / "Local_1001.cfg"), record);
  EXPECT_FALSE(std::filesystem::exists(uploads.parent_path() / "1002"));
}

TEST_F(VzedAgainstAnInstitution, AudioOverTheFileLimitIsRefusedForEachDictationAndNothingIsWritten) {
  Start(Config(2, 1));

  InstitutionEditor editor(NorthURL(), {"--max-file-answer", "4KiB"});
  const std::filesystem::path downloads = editor.downloads;
  RetrieveAndDownload(editor);
  ASSERT_EQ(editor.dictations.size(), 2u);
  for (const SeenDictation& seen : editor.dictations) {
    const std::string name = "Local_" + std::to_string(seen.id) + ".pcm";
    EXPECT_THAT(seen.error, HasSubstr("refused " + name + " from the server: ")) << seen.id;
    EXPECT_THAT(seen.error, HasSubstr("bytes, over the limit of 4096 bytes for a file")) << seen.id;
    EXPECT_FALSE(std::filesystem::exists(downloads / name));
  }
  for (const auto& entry : std::filesystem::directory_iterator(downloads)) {
    EXPECT_EQ(entry.path().extension(), ".cfg") << entry.path();  // records only: no audio, no temporary file
  }
}

TEST_F(VzedAgainstAnInstitution, ATranscriptionOfSeveralMiBIsUploadedWhole) {
  Start(Config(1, 1));
  InstitutionEditor editor(NorthURL());
  RetrieveAndDownload(editor);
  ASSERT_EQ(editor.dictations.size(), 1u);

  // A long report with embedded pictures runs to megabytes.
  std::string document = "{\\rtf1\\ansi ";
  for (int line = 0; document.size() < (6u << 20); ++line) document += "Line " + std::to_string(line) + " of the report.\\par\r\n";
  document += "}";
  std::ofstream(editor.downloads / "Local_1001.rtf", std::ios::binary) << document;
  Upload(editor, kFirstID);
  EXPECT_EQ(editor.errorMessage, "");
  ASSERT_EQ(editor.dictations.size(), 1u);
  EXPECT_EQ(editor.dictations[0].error, "");
  const auto uploads = FromNorth([](const simulator::Institution& north) { return north.UploadFolder(kFirstID); });
  EXPECT_TRUE(ReadFile(uploads / "Local_1001.rtf") == document) << "the upload differs from the document";
}

TEST_F(VzedAgainstAnInstitution, HeaderAnswersPastTheCallsLimitFailTheirDictationsAndTheEarlierOnesAreKept) {
  Start(Config(kDictations, 1));
  const auto headers = FromNorth([](const simulator::Institution& north) {
    std::vector<std::string> documents;
    for (const simulator::Dictation& dictation : north.Dictations()) documents.push_back(simulator::HeaderDocument(north, dictation));
    return documents;
  });
  ASSERT_EQ(headers.size(), static_cast<size_t>(kDictations));
  // Room for two answers and half the third.
  const std::string limit = std::to_string(headers[0].size() + headers[1].size() + headers[2].size() / 2);
  InstitutionEditor editor(NorthURL(), {"--max-xml-answers", limit});
  editor.Run(editor.NewSpec({2, 34}, 1, editor.NewWorkQueue()));  // DBR_GETWORKQUEUE, DBR_GETCHANGEDHEADER

  ASSERT_EQ(editor.dictations.size(), static_cast<size_t>(kDictations));
  const std::string over = "over the limit of " + limit + " bytes of XML answers for one call";
  for (int i = 0; i < kDictations; ++i) {
    const SeenDictation& seen = editor.dictations[i];
    const auto header = editor.downloads / ("Local_" + std::to_string(seen.id) + ".hd3");
    if (i < 2) {
      // Kept; a header call with errors marks its other dictations "Header request error".
      EXPECT_EQ(ReadFile(header), headers[i]) << seen.id;
      EXPECT_THAT(seen.error, Not(HasSubstr("over the limit"))) << seen.id;
      continue;
    }
    EXPECT_THAT(seen.error, HasSubstr((i == 2 ? "refused the answer from the server: " : "not asked: ") + over)) << seen.id;
    EXPECT_FALSE(std::filesystem::exists(header)) << seen.id;
  }
}

}  // namespace
}  // namespace vz::testing
