// The files reference data leaves under the application folder: contact list names with the realm
// of the first call, the markers of a complete list, the time stamp of the last full list, and
// the compressed lists unpacked from a server's ZIP archive, which is not trusted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "diagnostics_fixture.hpp"
#include "execution/contacts_files.hpp"
#include "execution/server_file_names.hpp"
#include "execution/zip_unpacker.hpp"
#include "zip_maker.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using testing::ReadFile;
using testing::WriteFile;
using testing::WriteZip;

class ReferenceFilesTest : public testing::DiagnosticsTest {
 protected:
  void SetUp() override {
    DiagnosticsTest::SetUp();
    ResetContactsRealm();
  }
  void TearDown() override {
    ResetContactsRealm();
    DiagnosticsTest::TearDown();
  }
  std::string app = (folder.Path() / "App").string();
};

TEST_F(ReferenceFilesTest, ContactFileNamesKeepTheFirstRealmAndStayInTheFolder) {
  EXPECT_EQ(sfnContactsFileRoot(app, "12", "3", "Dev", false), app + "/ContactList_12_3_Dev");
  // A second realm in the same process: the editor keeps finding its lists under the first.
  EXPECT_EQ(sfnContactsFileRoot(app, "12", "3", "Prod", true), app + "/ContactDeltas_12_3_Dev");
  EXPECT_EQ(sfnTimeStampFile(app, "12", "4", "Play"), app + "/ContactList_12_4_Dev.ts");
  // An institution ID from a server cannot name a folder.
  EXPECT_EQ(sfnContactsFileRoot(app, "../../x", "3", "Dev", false), app + "/ContactList_.._.._x_3_Dev");
  EXPECT_EQ(sfnSearchListZIP(app, "12/..", "3"), app + "/SearchLists_12_.._3.zip");
  EXPECT_EQ(sfnSearchListXML(app, "12", "3"), app + "/SearchLists_12_3.xml");
  EXPECT_EQ(sfnFileNameExtensionToXML("a/b.zip"), "a/b.xml");
  EXPECT_EQ(sfnFileNameExtensionToXML("ab"), ".xml");
}

TEST_F(ReferenceFilesTest, ACompleteListNeedsAllThreeMarkersAndKillingRemovesThem) {
  const std::string root = sfnContactsFileRoot(app, "12", "3", "Dev", false);
  WriteFile(root + ".suc", "1");
  WriteFile(root + ".num", "40");
  EXPECT_FALSE(bfnContactsFileExists(app, "12", "3", "Dev"));
  WriteFile(root + ".ts", "03/01/2026 10:00:00\r\n");
  WriteFile(root + ".xml", "<InfoResponse/>");
  EXPECT_TRUE(bfnContactsFileExists(app, "12", "3", "Dev"));
  KillContactExistenceFiles(app, "12", "3", "Dev");
  EXPECT_FALSE(bfnContactsFileExists(app, "12", "3", "Dev"));
  for (const char* gone : {".suc", ".num", ".ts"}) EXPECT_FALSE(std::filesystem::exists(root + gone)) << gone;
  EXPECT_TRUE(std::filesystem::exists(root + ".xml")) << "the list itself stays";
  KillContactExistenceFiles(app, "12", "3", "Dev");  // nothing left to remove: no error
}

TEST_F(ReferenceFilesTest, TimeStampIsTheFirstFieldWhenItIsADate) {
  const std::string stamp = sfnTimeStampFile(app, "12", "3", "Dev");
  struct Case {
    const char* contents;  // nullptr: no file
    const char* value;
  };
  const Case cases[] = {
      {"03/01/2026 10:00:00\r\n", "03/01/2026 10:00:00"},
      {"\"03/01/2026 10:00:00\",40\r\n", "03/01/2026 10:00:00"},
      {"yesterday\r\n", ""},
      {"", ""},
      {nullptr, ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(stamp);
    if (c.contents) WriteFile(stamp, c.contents);
    EXPECT_EQ(sfnContactDeltaTimestamp(app, "12", "3", "Dev"), c.value) << (c.contents ? c.contents : "(no file)");
  }
  EXPECT_THAT(ReadFile(folder.Path() / "Logs/Server_Errors.txt"), HasSubstr("Bad timestamp in " + stamp + ": yesterday"));
  EXPECT_THAT(DetailLog(), HasSubstr("Can't find " + stamp));
}

TEST_F(ReferenceFilesTest, ServerFileNamesAreRefusedWhenTheyCouldLeaveTheFolder) {
  for (const std::string name : {"Consultation.dot", "medical.dic", "a b.dot", "x.y.z", "Local_.dot", "Local_Notes.dot", "MyLocal_1.dot",
                                 "Local_12a.dot", ".hidden.dot"})
    EXPECT_EQ(ServerFileNameProblem(name), "") << name;
  // The dictations' own files share the folder, and so do the temporary files of their writers.
  for (const std::string name : {"Local_1001.rtf", "Local_1001.cfg", "Local_7", "local_1001.RTF", "Local_1001.cfg.damaged"})
    EXPECT_EQ(ServerFileNameProblem(name), "the name of a dictation's own file") << name;
  for (const std::string name : {".Local_1001.cfg~vz4711-q3ZkT0.tmp", ".Fine.dot~vz1-abcdef.part"})
    EXPECT_EQ(ServerFileNameProblem(name), "the name of a temporary file") << name;
  for (const std::string& name : {std::string(""), std::string("."), std::string(".."), std::string("../../x"), std::string("/etc/passwd"),
                                 std::string("a/b"), std::string("a\\b"), std::string("a\0b", 3), std::string("a\nb"),
                                 std::string(300, 'a')})
    EXPECT_NE(ServerFileNameProblem(name), "") << name;
}

class ZipUnpackerTest : public testing::DiagnosticsTest {
 protected:
  std::filesystem::path zip = folder.Path() / "App/SearchLists_12_3.zip";
  std::filesystem::path xml = folder.Path() / "App/SearchLists_12_3.xml";
};

TEST_F(ZipUnpackerTest, TheOneMemberBecomesTheXmlFile) {
  const std::string document = "<?xml version=\"1.0\"?>\n<InfoResponse><SearchList name=\"x\"/></InfoResponse>\n";
  WriteFile(xml, "the previous lists");
  WriteZip(zip, {{"anything.xml", document}});
  EXPECT_TRUE(DecompressFile(zip.string()));
  EXPECT_EQ(ReadFile(xml), document);
  EXPECT_THAT(DetailLog(), HasSubstr(zip.string() + " successfully decompressed: file size " + std::to_string(document.size())));
  EXPECT_FALSE(std::filesystem::exists(xml.string() + ".part"));
}

TEST_F(ZipUnpackerTest, HostileOrBrokenArchivesAreRefusedAndLeaveTheOldFile) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> members;  // empty with `raw`: not a ZIP at all
    const char* raw = nullptr;
    const char* problem;
  };
  const Case cases[] = {
      {"two members", {{"a.xml", "<a/>"}, {"b.xml", "<b/>"}}, nullptr, "holds 2 members instead of one"},
      {"no member", {}, nullptr, "Cannot open"},
      {"a folder", {{"lists/", ""}}, nullptr, "Refused member lists/ in"},
      {"not a ZIP", {}, "<html>Service unavailable</html>", "Cannot open"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(xml, "the previous lists");
    std::filesystem::remove(zip);
    if (c.raw) WriteFile(zip, c.raw);
    else if (!c.members.empty()) WriteZip(zip, c.members);
    else WriteZip(zip, {});  // libzip writes no file for an empty archive
    const UnpackResult result = UnpackSingleMember(zip.string(), xml.string());
    EXPECT_FALSE(result.unpacked);
    EXPECT_THAT(result.problem, HasSubstr(c.problem));
    EXPECT_EQ(ReadFile(xml), "the previous lists");
    EXPECT_FALSE(std::filesystem::exists(xml.string() + ".part"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "x.xml"));
  }
}

TEST_F(ZipUnpackerTest, TheMemberBecomesTheFileWhateverFolderItWasStoredUnder) {
  for (const std::string name : {"lists/SearchLists.xml", "../../x.xml", "..\\x.xml", "/x.xml"}) {
    SCOPED_TRACE(name);
    std::filesystem::remove(xml);
    WriteZip(zip, {{name, "<InfoResponse/>"}});
    EXPECT_TRUE(DecompressFile(zip.string()));
    EXPECT_EQ(ReadFile(xml), "<InfoResponse/>");
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "x.xml"));
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "App/lists"));
}

TEST_F(ZipUnpackerTest, ASymbolicLinkMemberIsRefused) {
  WriteZip(zip, {{"lists.xml", "/etc/passwd"}});
  {
    int error = 0;
    zip_t* archive = zip_open(zip.c_str(), 0, &error);
    ASSERT_NE(archive, nullptr);
    ASSERT_EQ(zip_file_set_external_attributes(archive, 0, 0, ZIP_OPSYS_UNIX, (S_IFLNK | 0777u) << 16), 0);
    ASSERT_EQ(zip_close(archive), 0);
  }
  const UnpackResult result = UnpackSingleMember(zip.string(), xml.string());
  EXPECT_FALSE(result.unpacked);
  EXPECT_THAT(result.problem, HasSubstr("Refused member lists.xml in " + zip.string() + ": not a file"));
  EXPECT_FALSE(std::filesystem::exists(xml));
}

TEST_F(ZipUnpackerTest, LinksPlantedUnderTheTargetsNamesAreNotWrittenThrough) {
  const std::filesystem::path victim = folder.Path() / "victim.txt";
  WriteFile(victim, "precious");
  std::filesystem::create_directories(xml.parent_path());
  std::filesystem::create_symlink(victim, xml.string() + ".part");
  std::filesystem::create_symlink(victim, xml);
  WriteZip(zip, {{"lists.xml", "<InfoResponse/>"}});
  EXPECT_TRUE(DecompressFile(zip.string()));
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(xml)));
  EXPECT_EQ(ReadFile(xml), "<InfoResponse/>");
}

TEST_F(ZipUnpackerTest, MembersLargerThanTheLimitAreRefused) {
  const std::string big(64 * 1024 + 1, 'a');
  WriteZip(zip, {{"big.xml", big}});
  const UnpackResult refused = UnpackSingleMember(zip.string(), xml.string(), 64 * 1024);
  EXPECT_FALSE(refused.unpacked);
  EXPECT_THAT(refused.problem, HasSubstr("is larger than 65536 bytes"));
  EXPECT_FALSE(std::filesystem::exists(xml));
  EXPECT_TRUE(UnpackSingleMember(zip.string(), xml.string(), big.size()).unpacked);
  EXPECT_EQ(ReadFile(xml), big);
}

TEST_F(ZipUnpackerTest, ADamagedMemberIsNotWritten) {
  const std::string document(4096, 'x');
  WriteZip(zip, {{"lists.xml", document}});
  // Flip bytes of the compressed data (after the local header and name): its checksum no longer holds.
  std::string bytes = ReadFile(zip);
  const std::size_t data = 30 + std::string("lists.xml").size();
  for (std::size_t i = data; i < data + 4 && i < bytes.size(); ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
  WriteFile(zip, bytes);
  EXPECT_FALSE(DecompressFile(zip.string()));
  EXPECT_FALSE(std::filesystem::exists(xml));
  EXPECT_THAT(ReadFile(folder.Path() / "Logs/Server_Errors.txt"), HasSubstr("modPenwrightClientUtils.DecompressFile"));
}

}  // namespace
}  // namespace vz
