// The configuration file: exact layout, byte-identical round trips, repair of damaged files,
// servlet answers in both shapes, and the single-property reader's special cases.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "diagnostics/automation_error.hpp"
#include "dictation/radiology_orders.hpp"
#include "dictation_fixture.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::CrLfLines;
using testing::DictationTest;
using testing::ReadFile;
using testing::WriteFile;

class ConfigFileTest : public DictationTest {};

TEST_F(ConfigFileTest, WrittenLayoutIsIndentedCrLfWithoutDeclarationAndStampsDownloadTimeOnce) {
  auto u = NewUtterance();
  u->LoadRetrievedXML(
      "<Row><utteranceID>47</utteranceID><locationID>3</locationID><queueStatus>Downloaded</queueStatus>"
      "<documentVersion>2</documentVersion><author a=\"1\">Dr. &amp; Co &lt;x&gt;</author><empty/>"
      "<extra><inner k=\"v\"><leaf>1</leaf></inner></extra></Row>");
  const std::string path = Path("Local_47.cfg");
  u->WriteObjectToConfigFile(path);
  const std::vector<std::string> lines = CrLfLines(ReadFile(path));
  EXPECT_THAT(lines, ElementsAre("<Row>", "    <utteranceID>47</utteranceID>", "    <locationID>3</locationID>",
                                 "    <queueStatus>Downloaded</queueStatus>", "    <documentVersion>2</documentVersion>",
                                 "    <author a=\"1\">Dr. &amp; Co &lt;x&gt;</author>", "    <empty/>", "    <extra>",
                                 "        <inner>",  // a parent's attributes are not written
                                 "            <leaf>1</leaf>", "        </inner>", "    </extra>",
                                 "    <DownloadTime>12/03/2026 10:15:00</DownloadTime>",
                                 "    <LastActionCompleted>-1</LastActionCompleted>",
                                 "    <OriginalStatus>Downloaded</OriginalStatus>", "    <ListViewKey>U47.2</ListViewKey>",
                                 "    <Notes/>", "    <InitialStatusCode>0</InitialStatusCode>",
                                 "    <UtteranceType>2</UtteranceType>", "    <priority/>", "    <specialtyName/>",
                                 "    <institutionName/>", "    <workType/>", "</Row>"));
  EXPECT_TRUE(ReadFile(path).ends_with("</Row>\r\n"));

  // A later write keeps the first download time.
  AdvanceSeconds(3600);
  u->WriteObjectToConfigFile(path);
  EXPECT_THAT(ReadFile(path), HasSubstr("<DownloadTime>12/03/2026 10:15:00</DownloadTime>"));
}

TEST_F(ConfigFileTest, WrittenReadAndWrittenAgainIsByteIdentical) {
  auto u = NewUtterance();
  u->SetUtteranceID(12);
  u->SetStatus("Checked out");
  u->AddPersonListEntry("Dr. A. Example", "Dr. Alex Example, Cardiology", "Example", 3);
  u->AddSubDocument("Addendum & notes");
  Set(*u, "QuorvaneistNotes", Value("a < b & c > d \"quoted\" 'single'"));
  u->SetProperty("remark", "  two  blanks and\ttab ");
  const std::string first = Path("Local_12.cfg");
  u->WriteObjectToConfigFile(first);

  auto reread = NewUtterance();
  reread->ReadConfigFileToObject(first);
  EXPECT_EQ(reread->ConfigFile(), first);
  const std::string second = Path("copy.cfg");
  reread->WriteObjectToConfigFile(second);
  EXPECT_EQ(ReadFile(second), ReadFile(first));
  EXPECT_EQ(reread->GetProperty("remark"), "  two  blanks and\ttab ");
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(ConfigFileTest, DamagedFileIsKeptBesideItselfAndReplacedByFourLines) {
  const std::string path = Path("Local_47.cfg");
  // A record cut short: most of it, the pending note too, can still be read by a person.
  const std::string damaged = "<Row>\r\n    <utteranceID>47</utteranceID>\r\n    <CurrentPendingNote>Call the doctor</CurrentPendingNote>\r\n    <Stat";
  const std::string stub = "<Row>\r\n    <utteranceID>47</utteranceID>\r\n    <DownloadTime>12/03/2026 10:15:00</DownloadTime>\r\n</Row>\r\n";
  WriteFile(path, damaged);
  auto u = NewUtterance();
  u->ReadConfigFileToObject(path);
  EXPECT_EQ(u->UtteranceID(), 47);
  EXPECT_EQ(u->ConfigFile(), path);
  EXPECT_EQ(u->HeaderFile(), Path("Local_47.hd3"));
  EXPECT_EQ(ReadFile(path), stub);
  EXPECT_EQ(ReadFile(path + ".damaged"), damaged);
  EXPECT_THAT(ErrorsLog(), HasSubstr("Error parsing " + path + ": \r\nError: "));
  EXPECT_THAT(ErrorsLog(), HasSubstr("The damaged " + path + " is kept as " + path + ".damaged."));

  // Damaged again: the first copy stays, the second goes beside it.
  WriteFile(path, "<Row>again");
  NewUtterance()->ReadConfigFileToObject(path);
  EXPECT_EQ(ReadFile(path + ".damaged"), damaged);
  EXPECT_EQ(ReadFile(path + ".damaged2"), "<Row>again");

  // With every copy taken the damaged file is not replaced: only the record in memory is rebuilt.
  for (int copy = 3; copy <= 9; ++copy) WriteFile(path + ".damaged" + std::to_string(copy), "older");
  WriteFile(path, "<Row>third");
  auto third = NewUtterance();
  third->ReadConfigFileToObject(path);
  EXPECT_EQ(third->UtteranceID(), 47);
  EXPECT_EQ(ReadFile(path), "<Row>third");
  EXPECT_THAT(ErrorsLog(), HasSubstr("could not be kept (9 damaged copies are kept already), so it is not rewritten."));
}

TEST_F(ConfigFileTest, AFileNestedPastTheLimitIsRepairedLikeADamagedOne) {
  const std::string path = Path("Local_48.cfg");
  const int depth = 100000;
  std::string nested = "<Row><utteranceID>48</utteranceID>";
  for (int i = 0; i < depth; ++i) nested += "<a>";
  for (int i = 0; i < depth; ++i) nested += "</a>";
  WriteFile(path, nested + "</Row>");
  auto u = NewUtterance();
  u->ReadConfigFileToObject(path);
  EXPECT_EQ(u->UtteranceID(), 48);
  EXPECT_EQ(CrLfLines(ReadFile(path)).size(), 4u);
  EXPECT_THAT(ErrorsLog(), HasSubstr("Reason: Elements nested deeper than 256 levels"));
}

// A process killed while it writes a record leaves its temporary file behind; the next process
// to write into the folder removes it, and nothing that is not such a leftover.
TEST_F(ConfigFileTest, TheTemporaryFileOfAWriterKilledMidWriteIsRemovedByTheNextWriter) {
  auto u = NewUtterance();
  u->SetUtteranceID(5);
  u->SetProperty("remark", std::string(1 << 20, 'x'));
  const pid_t writer = ::fork();
  if (writer == 0) {
    // The kernel stops the write at 64 KiB with SIGXFSZ, whose default is to end the process.
    SetLogFilePath("");
    const rlimit noCore{0, 0};
    const rlimit small{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::signal(SIGXFSZ, SIG_DFL);
    ::setrlimit(RLIMIT_FSIZE, &small);
    u->WriteObjectToConfigFile(Path("Local_5.cfg"));
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  auto leftovers = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(".Local_5.cfg") || name == "Local_5.cfg") names.push_back(name);
    }
    return names;
  };
  ASSERT_EQ(leftovers().size(), 1u);
  // Files of others: a temporary file whose writer still runs, and names without our mark.
  const std::vector<std::string> others = {".Local_6.cfg~vz" + std::to_string(::getppid()) + "-abcdef.tmp",
                                           ".Local_6.cfg.abcdef", "Local_6.cfg.part"};
  for (const std::string& name : others) WriteFile(Path(name), "not ours to delete");

  auto next = NewUtterance();
  next->SetUtteranceID(9);
  next->WriteObjectToConfigFile(Path("Local_9.cfg"));
  EXPECT_THAT(leftovers(), ::testing::IsEmpty());
  for (const std::string& name : others) EXPECT_EQ(ReadFile(Path(name)), "not ours to delete") << name;
}

TEST_F(ConfigFileTest, MissingFileIsCreatedWithTheMinimalRecord) {
  const std::string path = Path("local_8.CFG");
  auto u = NewUtterance();
  u->ReadConfigFileToObject(path);
  EXPECT_EQ(u->UtteranceID(), 8);
  EXPECT_THAT(ReadFile(path), HasSubstr("<utteranceID>8</utteranceID>"));
}

TEST_F(ConfigFileTest, FileWithoutRowRaisesAndNameWithoutNumberRaises) {
  WriteFile(Path("Local_5.cfg"), "<Other/>");
  auto u = NewUtterance();
  const auto noRow = testing::RaisedBy([&] { u->ReadConfigFileToObject(Path("Local_5.cfg")); });
  EXPECT_EQ(noRow.Number(), -1);
  EXPECT_THAT(noRow.Description(), HasSubstr("No Row Element in XML\r\nRaised at line "));

  WriteFile(Path("Local_x.cfg"), "not xml");
  const auto badName = testing::RaisedBy([&] { u->ReadConfigFileToObject(Path("Local_x.cfg")); });
  EXPECT_EQ(badName.Number(), 13);
  EXPECT_EQ(ReadFile(Path("Local_x.cfg")), "not xml");  // nothing was written over it
}

TEST_F(ConfigFileTest, BlankPathWritesNothing) {
  auto u = NewUtterance();
  u->SetUtteranceID(3);
  u->WriteObjectToConfigFile("  ");
  EXPECT_THAT(ErrorsLog(), HasSubstr("No config file specified."));
  EXPECT_EQ(u->DownloadTime(), "");  // stamped only when a file is written
}

TEST_F(ConfigFileTest, CustomDateFormatAppliesOnlyWhenSwitchedOn) {
  CurrentProcessSettings().dateAndTimeFormat = "yyyy-mm-dd hh:nn:ss AM/PM";
  auto u = NewUtterance();
  u->WriteObjectToConfigFile(Path("a.cfg"));
  EXPECT_EQ(u->DownloadTime(), "12/03/2026 10:15:00");
  CurrentProcessSettings().useCustomDateFormat = true;
  auto v = NewUtterance();
  v->WriteObjectToConfigFile(Path("b.cfg"));
  EXPECT_EQ(v->DownloadTime(), "2026-12-03 10:15:00 AM");
}

TEST_F(ConfigFileTest, WorkQueueItemAnswerLoadsAndIsWrittenAsRow) {
  auto u = NewUtterance();
  u->LoadRetrievedXML(
      "<InfoResponse><WorkQueueItem><utteranceID>9</utteranceID><documentVersion>1</documentVersion>"
      "</WorkQueueItem></InfoResponse>");
  EXPECT_EQ(u->ListViewKey(), "U9.1");
  EXPECT_THAT(u->CurrentXMLDisplay(), ::testing::StartsWith("<InfoResponse><WorkQueueItem><utteranceID>9<"));
  u->WriteObjectToConfigFile(Path("Local_9.cfg"));
  EXPECT_THAT(ReadFile(Path("Local_9.cfg")), ::testing::StartsWith("<Row>\r\n    <utteranceID>9</utteranceID>\r\n"));
  u->ReadConfigFileToObject(Path("Local_9.cfg"));
  EXPECT_THAT(u->CurrentXMLDisplay(), ::testing::StartsWith("<Row><utteranceID>9<"));
}

TEST_F(ConfigFileTest, BadAnswersRaiseAndKeepTheRecord) {
  auto u = NewUtterance();
  u->SetUtteranceID(4);
  const auto malformed = testing::RaisedBy([&] { u->LoadRetrievedXML("<Row><a></Row>"); });
  EXPECT_EQ(malformed.Number(), -1);
  EXPECT_EQ(malformed.Source(), "DBR.clsUtteranceObject.LoadXML");
  EXPECT_EQ(u->UtteranceID(), 4);
  const auto noRow = testing::RaisedBy([&] { u->LoadRetrievedXML("<InfoResponse/>"); });
  EXPECT_THAT(noRow.Description(), HasSubstr("No Row or WorkQueueItem Element in XML"));
}

TEST_F(ConfigFileTest, GetPropertySpecialCases) {
  auto u = NewUtterance();
  u->SetProperty("duration", "59");
  EXPECT_EQ(u->GetProperty("duration"), "00:59");
  u->SetProperty("duration", "125");
  EXPECT_EQ(u->GetProperty("duration"), "02:05");
  u->SetProperty("duration", "6000");
  EXPECT_EQ(u->GetProperty("duration"), "100:00");
  u->SetProperty("duration", "-5");
  EXPECT_EQ(u->GetProperty("duration"), "-00:05") << "a negative length keeps its sign in front";
  u->SetProperty("duration", "-125");
  EXPECT_EQ(u->GetProperty("duration"), "-02:05");
  u->SetProperty("duration", "about a minute");
  EXPECT_EQ(u->GetProperty("duration"), "about a minute");
  EXPECT_EQ(u->GetProperty("documentVersion"), "0");
  EXPECT_EQ(Call(*u, "GetProperty", {Value("missing")}), Value(""));
}

TEST_F(ConfigFileTest, ChangesWithoutAWriteLeaveTheFileAlone) {
  auto u = NewUtterance();
  u->SetUtteranceID(22);
  u->SetConfigFile(Path("Local_22.cfg"));
  std::filesystem::remove(Path("Local_22.cfg"));
  Set(*u, "Priority", Value("3"));
  u->SetProperty("duration", "12");
  u->AddPendingNoteItem(0, "Dictation cut off", std::nullopt, std::nullopt);
  u->RemovePendingNoteItem(0, "Dictation cut off", std::nullopt, std::nullopt);
  u->SetTimePaused(30);
  u->StartPause();
  u->ResumeFromPause();
  const auto orders = u->RadiologyOrders();
  orders->Add()->OrderItemID = "A1";
  Set(*u, "RadiologyOrders", Value(orders));
  EXPECT_FALSE(std::filesystem::exists(Path("Local_22.cfg"))) << "only the caller's write puts these on disk";
  EXPECT_EQ(u->TimePaused(), 30);
  u->WriteObjectToConfigFile(u->ConfigFile());
  const std::string written = ReadFile(Path("Local_22.cfg"));
  EXPECT_THAT(written, HasSubstr("<priority>3</priority>"));
  EXPECT_THAT(written, HasSubstr("<orderItemID>A1</orderItemID>"));
}

TEST_F(ConfigFileTest, TheDefaultDownloadFolderFollowsTheApplicationFolder) {
  SetApplicationPath("");
  auto early = NewUtterance();
  EXPECT_EQ(early->DownloadPath(), "./Downloads") << "never the root folder";
  SetApplicationPath(Path("App"));
  EXPECT_EQ(early->DownloadPath(), Path("App") + "/Downloads");
  EXPECT_EQ(NewUtterance()->DownloadPath(), Path("App") + "/Downloads");
  early->SetDownloadPath(Path("Elsewhere"));
  EXPECT_EQ(Get(*early, "DownloadPath"), Value(Path("Elsewhere")));
}

TEST_F(ConfigFileTest, SetPropertyRefusesNamesThatCannotBeElements) {
  auto u = NewUtterance();
  const auto error = testing::RaisedBy([&] { u->SetProperty("../evil", "x"); });
  EXPECT_EQ(error.Number(), -1);
  EXPECT_THAT(error.Description(), HasSubstr("not a valid element name"));
}

TEST_F(ConfigFileTest, UpdateOperationsWriteTheStoredConfigFile) {
  auto u = NewUtterance();
  u->SetUtteranceID(21);
  u->SetConfigFile(Path("Local_21.cfg"));
  u->UpdateStatusCode(6);
  EXPECT_THAT(ReadFile(Path("Local_21.cfg")), HasSubstr("<StatusCode>6</StatusCode>"));
  u->UpdateIsVersionGraded(true);
  EXPECT_THAT(ReadFile(Path("Local_21.cfg")), HasSubstr("<IsVersionGraded>True</IsVersionGraded>"));
  u->UpdatePendForPendingReasons(false);
  EXPECT_THAT(ReadFile(Path("Local_21.cfg")), HasSubstr("<PendForPendingReasons>False</PendForPendingReasons>"));

  u->SetDownloadPath(folder.Path().string());
  u->WriteLastError("Upload failed: 500");
  EXPECT_EQ(ReadFile(Path("Local_21.err")), "Upload failed: 500\r\n");
}

}  // namespace
}  // namespace vz
