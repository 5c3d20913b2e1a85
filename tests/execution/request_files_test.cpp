// Files and error lists a request keeps for the editor: redo files of uploads that found no host,
// the errors of calls that name files, and the workstation certificate.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "execution/actions/login_and_institution.hpp"
#include "execution/actions/main_loop.hpp"
#include "model/generic_request.hpp"
#include "model/variant_collection.hpp"
#include "request_fixture.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

using RequestFilesTest = testing::LoneRequestTest;

TEST_F(RequestFilesTest, RedoFileBesideTheDictationsFilesAndOnlyForPlainNumbers) {
  WriteRedoUploadFile(*request, "4711");
  EXPECT_EQ(testing::ReadFile(downloads / "Local_4711.rdu"),
            "Upload of utterance 4711 failed because remote host was unavailable.\r\n");

  prompter->Answer(vbAbort);
  WriteRedoUploadFile(*request, "../../escaped");
  prompter->Answer(vbAbort);
  WriteRedoUploadFile(*request, "12/../../13");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "escaped.rdu"));
  EXPECT_FALSE(std::filesystem::exists(downloads.parent_path().parent_path() / "escaped.rdu"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(downloads), {}), 1) << "nothing else was written";
  ASSERT_EQ(prompter->Shown().size(), 2u);
  EXPECT_THAT(prompter->Shown()[0].text, HasSubstr("Invalid dictation identifier for a redo file: ../../escaped"));
}

TEST_F(RequestFilesTest, FileErrorsGoToTheParameterSetUntilACommunicationFailure) {
  auto generic = std::make_shared<clsGenericRequest>();
  bool timedOut = false;
  std::string message;
  request->HandleFileListErrors({"", "File a.dic not found", "(12002) The operation timed out", "File b.dic not found"},
                                timedOut, message, generic);
  EXPECT_TRUE(timedOut);
  EXPECT_EQ(message, "(12002) The operation timed out");
  ASSERT_EQ(generic->ErrorMessages()->Count(), 1) << "the walk ends at the time-out";
  EXPECT_EQ(generic->ErrorMessages()->Item(Value(std::int32_t{1})).ToString(), "File a.dic not found");

  auto other = std::make_shared<clsGenericRequest>();
  timedOut = false;
  request->HandleFileListErrors({"File c.dic not found", "Disk full"}, timedOut, message, other);
  EXPECT_FALSE(timedOut);
  EXPECT_EQ(other->ErrorMessages()->Count(), 2);
}

TEST_F(RequestFilesTest, CertificateIsMadeOnceAndMadeAgainWhenItsFileIsGone) {
  info->SetRealm("Dev");
  info->SetTranscriptionist("jsmith");
  info->SetCurrentLocationID(3);
  const auto file = folder.Path() / "App/Logins/Dev/jsmith/3.cfg";
  EXPECT_EQ(CertificateFile(*request), file.string());
  const std::string first = Certificate(*request);
  EXPECT_THAT(first, ::testing::MatchesRegex("[0-9]{12}"));
  EXPECT_EQ(testing::ReadFile(file), first + "\r\n");
  EXPECT_EQ(Certificate(*request), first);
  std::filesystem::remove(file);
  EXPECT_THAT(Certificate(*request), ::testing::MatchesRegex("[0-9]{12}"));
  EXPECT_TRUE(std::filesystem::exists(file));

  // A login that is no plain folder name would lead out of the Logins folder.
  info->SetTranscriptionist("../../elsewhere");
  prompter->Answer(vbAbort);
  EXPECT_EQ(Certificate(*request), "");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "elsewhere"));
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Invalid login for the certificate folder: ../../elsewhere"));
}

}  // namespace
}  // namespace vz
