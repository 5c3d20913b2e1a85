// The servlets without the network: routing, credentials, the work queue's shape and the checks on
// uploaded files.
#include "simulator/servlets.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "servlets_fixture.hpp"

namespace vz::simulator {
namespace {

using ::testing::HasSubstr;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

class ServletsTest : public ServletsFixture {
 protected:
  // A form posted to `target` by jdoe with `password`.
  HttpReply PostTo(const std::string& target, const std::string& form, const std::string& password = "secret") {
    return servlets.Handle(Exchange(target, form, password));
  }
};

TEST_F(ServletsTest, RefusesUnknownPlacesNumbersAndCredentialsWithTheProtocolTexts) {
  EXPECT_EQ(Message(PostTo(kServlet, "")), "Missing request number");
  EXPECT_EQ(PostTo(kServlet, "").status, 400);
  EXPECT_EQ(Message(Post("0999", "")), "Class Request0999 not found");
  EXPECT_EQ(Post("0011", "").status, 404);  // information only at /info
  EXPECT_EQ(PostTo("/south/servlet/ScribeServlet?request=0100", "").status, 404);
  EXPECT_EQ(PostTo("/../north/servlet/ScribeServlet?request=0100", "").status, 404);

  const HttpReply refused = PostTo(kServlet + "?request=0100", "", "wrong");
  EXPECT_EQ(refused.status, 403);
  EXPECT_EQ(Message(refused), "Error verifying security rights for user jdoe.");
  HttpExchange anonymous;
  anonymous.target = kServlet + "?request=0100";
  EXPECT_EQ(servlets.Handle(anonymous).status, 403);
}

TEST_F(ServletsTest, WorkQueueRowsCarryTheFieldsTheRecordsRead) {
  const HttpReply reply = Post("0100", "retrieveLocked=0&retrieveLocation=-1&numToRetrieve=-1&workQueueMode=0");
  ASSERT_EQ(reply.status, 200);
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(reply.body.c_str()));
  const auto rows = document.select_nodes("/InfoResponse/Row");
  ASSERT_EQ(rows.size(), 3u);
  const pugi::xml_node first = rows.first().node();
  EXPECT_STREQ(first.child_value("utteranceID"), "1001");
  EXPECT_STREQ(first.child_value("locationID"), "3");
  EXPECT_STREQ(first.child_value("queueStatus"), "Ready for Transcription");
  EXPECT_STREQ(first.child_value("documentVersion"), "0");
  EXPECT_STREQ(first.child_value("priority"), "1");
  EXPECT_STREQ(first.child_value("duration"), "1");

  EXPECT_EQ(Post("0100", "numToRetrieve=2").body.find("1003"), std::string::npos);
  EXPECT_THAT(Post("0100", "retrieveLocation=4").body, HasSubstr("<InfoResponse/>"));
  EXPECT_THAT(Post("0100", "retrieveLocked=1").body, HasSubstr("<InfoResponse/>"));
}

TEST_F(ServletsTest, InformationServletNamesTheInstitutionsServletURL) {
  servlets.SetBaseURL("http://127.0.0.1:9");
  const HttpReply reply = PostTo("/info/servlet/ScribeServlet?request=0011", "location=North+Clinic");
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(reply.body.c_str()));
  const pugi::xml_node institution = document.select_node("/InfoResponse/Institution").node();
  EXPECT_STREQ(institution.child_value("url"), "http://127.0.0.1:9/north/servlet/ScribeServlet");
  EXPECT_STREQ(institution.child_value("locationID"), "3");
  EXPECT_STREQ(institution.child_value("directoryName"), "north");
  EXPECT_EQ(Message(PostTo("/info/servlet/ScribeServlet?request=0011", "location=Nowhere")), "Location Nowhere not found");
}

TEST_F(ServletsTest, UploadKeepsVerifiedFilesUntilTheCommitAndRefusesEverythingElse) {
  const std::string bytes = "{\\rtf1 finished report}";
  EXPECT_EQ(Message(Upload("utteranceID=1001&fileName=Local_1001.rtf", bytes, servlet_wire::Sha256Hex("other"))), "CHECKSUM mismatch for Local_1001.rtf");
  EXPECT_EQ(Message(Upload("utteranceID=1001&fileName=..%2F..%2Fescape.rtf", bytes, servlet_wire::Sha256Hex(bytes))), "Refused file name ../../escape.rtf");
  EXPECT_EQ(Message(Upload("utteranceID=1001&fileName=Local_1002.rtf", bytes, servlet_wire::Sha256Hex(bytes))), "Refused file name Local_1002.rtf");
  EXPECT_EQ(Upload("utteranceID=4242&fileName=Local_4242.rtf", bytes, servlet_wire::Sha256Hex(bytes)).status, 404);
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "escape.rtf"));
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / ".bodies"));

  EXPECT_EQ(Message(Post("0104", "utteranceID=1001&files=Local_1001.rtf")), "Upload of Local_1001.rtf is missing");
  ASSERT_EQ(Upload("utteranceID=1001&fileName=Local_1001.rtf", bytes, servlet_wire::Sha256Hex(bytes)).status, 200);
  const HttpReply commit = Post("0104", "utteranceID=1001&files=Local_1001.rtf&uploadFlags=0");
  ASSERT_EQ(commit.status, 200) << commit.body;
  EXPECT_THAT(commit.body, HasSubstr("documentVersion=\"1\""));
  EXPECT_EQ(ReadFile(folder.Path() / "north" / "uploads" / "1001" / "Local_1001.rtf"), bytes);
}

TEST(Institution, ServesTheAudioFoundInItsQueueFolder) {
  TempFolder folder;
  std::filesystem::create_directories(folder.Path() / "north" / "queue");
  std::string problem;
  ASSERT_TRUE(GenerateDictationAudio(folder.Path() / "north" / "queue" / "Local_77.pcm", 1, 8000, 1, problem));
  WriteFile(folder.Path() / "north" / "queue" / "Local_x.pcm", "ignored: not a dictation name");
  Institution institution(SmallInstitution(), folder.Path() / "north");
  ASSERT_EQ(institution.Dictations().size(), 1u);
  EXPECT_EQ(institution.Dictations()[0].utteranceID, 77);
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "north" / "queue" / "Local_77.rtf"));
}

}  // namespace
}  // namespace vz::simulator
