// clsWorkQueue.ExtractXML: work-queue answers turned into dictations of a collection.
#include "dictation/utterances.hpp"
#include "dictation_fixture.hpp"
#include "model/work_queue.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::DictationTest;

std::string RowXml(int id, const std::string& extra = {}) {
  return "<Row><utteranceID>" + std::to_string(id) + "</utteranceID><locationID>3</locationID>"
         "<queueStatus>Ready for Transcription</queueStatus><documentVersion>1</documentVersion>" + extra + "</Row>";
}

class ExtractionTest : public DictationTest {
 protected:
  void SetUp() override {
    DictationTest::SetUp();
    queue = std::dynamic_pointer_cast<clsWorkQueue>(dispatch::Create("clsWorkQueue", registry));
    queue->SetDownloadPath(folder.Path().string());
    queue->SetDatabaseURL("https://institution.example/servlet");
    queue->SetTranscriptionist("jdoe");
    queue->SetMachineID("WS-7");
    dictations = std::make_shared<clsUtterances>();
  }
  void Extract(const std::string& answer) {
    queue->SetXMLResponse(answer);
    Call(*queue, "ExtractXML", {Value(dictations)});
  }

  std::shared_ptr<clsWorkQueue> queue;
  std::shared_ptr<clsUtterances> dictations;
};

TEST_F(ExtractionTest, RowsBecomeDictationsTiedToTheirFiles) {
  Extract("<InfoResponse>" + RowXml(12) + RowXml(13) + RowXml(14) + "</InfoResponse>");
  ASSERT_EQ(dictations->Count(), 3);
  EXPECT_TRUE(prompter->Shown().empty());
  const auto first = dictations->Item("U12", "1");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->ConfigFile(), Path("Local_12.cfg"));
  EXPECT_EQ(first->Login(), "jdoe");
  EXPECT_EQ(first->MachineID(), "WS-7");
  EXPECT_EQ(first->DatabaseURL(), "https://institution.example/servlet");
  EXPECT_EQ(first->ListViewKey(), "U12.1");
  EXPECT_EQ(first->CurrentXMLDisplay().substr(0, 32), "<Row><utteranceID>12</utteranceI");
  EXPECT_THAT(DetailLog(), Not(HasSubstr("Extracting XML from utterance")));  // NumToRetrieve is -1

  first->WriteObjectToConfigFile(first->ConfigFile());
  EXPECT_THAT(testing::ReadFile(Path("Local_12.cfg")),
              ::testing::StartsWith("<Row>\r\n    <utteranceID>12</utteranceID>\r\n    <locationID>3</locationID>"));
}

TEST_F(ExtractionTest, ExactlyMaxRowsShowsTheBoxAndStillExtractsEveryRow) {
  queue->SetMaxRows(4);
  queue->SetNumToRetrieve(0);
  std::string answer = "<InfoResponse>";
  for (int id = 1; id <= 4; ++id) answer += RowXml(id);
  Extract(answer + "</InfoResponse>");
  EXPECT_EQ(dictations->Count(), 4);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_EQ(BoxTexts()[0],
            "There are more than 4 dictations in your workqueue.  Penwright MT will only report on the first 4.");
  EXPECT_THAT(DetailLog(), HasSubstr("Extracting XML from utterance 3: \r\n<Row><utteranceID>4<"));
}

TEST_F(ExtractionTest, RejectedMiddleRowIsLoggedAndSkipped) {
  // An utterance ID that would name a file outside the download folder.
  Extract("<InfoResponse>" + RowXml(1) +
          "<Row><utteranceID>../../etc/passwd</utteranceID><documentVersion>1</documentVersion></Row>" + RowXml(3) +
          "</InfoResponse>");
  EXPECT_EQ(dictations->Count(), 2);
  EXPECT_TRUE(dictations->UtterancePresent("U1", "1"));
  EXPECT_TRUE(dictations->UtterancePresent("U3", "1"));
  const std::string log = ErrorsLog();
  EXPECT_THAT(log, HasSubstr("The database returned invalid XML in utterance 1: <Row><utteranceID>../../etc/passwd"));
  EXPECT_THAT(log, HasSubstr("As a result, Penwright Client raised the following error:\r\nThe utteranceID"));
  EXPECT_THAT(log, Not(HasSubstr("invalid XML in utterance 0")));
  EXPECT_THAT(log, Not(HasSubstr("invalid XML in utterance 2")));
  EXPECT_TRUE(prompter->Shown().empty());
}

std::string RowWithId(const std::string& id, const std::string& version = "1") {
  return "<Row><utteranceID>" + id + "</utteranceID><locationID>3</locationID><queueStatus>Ready for Transcription</queueStatus>"
         "<documentVersion>" + version + "</documentVersion></Row>";
}

TEST_F(ExtractionTest, OnlyPlainIdsNameADictationAndEachDictationKeepsItsFirstRow) {
  // IDs a looser reading would turn into 12's number, or into no Long, are rows of no dictation.
  dictations->Add(20, 3, "Downloaded", Path("Local_20.cfg"), "1");
  Extract("<InfoResponse>" + RowWithId("12") + RowWithId(" 12 ") + RowWithId("12.4") + RowWithId("&amp;HC") + RowWithId("1.2e1") +
          RowWithId("2147483648") + RowWithId("012") + RowWithId("12", "2") + RowWithId("13") + RowWithId("20") + RowWithId("2147483647") +
          "</InfoResponse>");
  std::vector<std::string> keys;
  for (const auto& record : dictations->Items()) keys.push_back("U" + std::to_string(record->UtteranceID()) + "." + record->DocumentVersion());
  EXPECT_THAT(keys, ::testing::ElementsAre("U20.1", "U12.1", "U12.2", "U13.1", "U2147483647.1"));
  EXPECT_EQ(dictations->Item("U12", "2")->ConfigFile(), Path("Local_12.cfg")) << "one file per dictation, whatever the version";
  EXPECT_EQ(dictations->Item("U20", "1")->ConfigFile(), Path("Local_20.cfg")) << "the collection's own record stays";
  const std::string log = ErrorsLog();
  for (const char* rejected : {"utterance 1: <Row><utteranceID> 12 ", "utterance 2: <Row><utteranceID>12.4", "utterance 3: <Row><utteranceID>&amp;HC",
                               "utterance 4: <Row><utteranceID>1.2e1", "utterance 5: <Row><utteranceID>2147483648"})
    EXPECT_THAT(log, HasSubstr(std::string("The database returned invalid XML in ") + rejected));
  EXPECT_THAT(log, HasSubstr("Utterance 6 repeats dictation 12 version 1 of utterance 0; the first is kept"));
  EXPECT_THAT(log, HasSubstr("Utterance 9: "));
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(ExtractionTest, UnparseableAnswerIsReportedAndAddsNothing) {
  Extract("<InfoResponse>" + RowXml(1) + "<Row><utteranceID>2</Row></InfoResponse>");
  EXPECT_EQ(dictations->Count(), 0);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr(": Error loading workqueue XML: \r\n"));
  EXPECT_THAT(BoxTexts()[0], HasSubstr("\r\n\r\nPlease contact your Quorvane representative\r\nin ZERUredoz.clsWorkQueue.ExtractXML."));
}

TEST_F(ExtractionTest, NoCollectionIsLoggedAndAnAnswerWithoutRowsAddsNothing) {
  queue->SetXMLResponse("<InfoResponse/>");
  Call(*queue, "ExtractXML", {Value::Nothing()});
  EXPECT_THAT(ErrorsLog(), HasSubstr("extractXML called with no objects to fill up."));
  Extract("<InfoResponse><Other/></InfoResponse>");
  EXPECT_EQ(dictations->Count(), 0);
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(ExtractionTest, RowsOfTheSharedAnswerOutliveItAndLeaveItWithTheirRecords) {
  Extract("<InfoResponse>" + RowXml(1) + RowXml(2) + "</InfoResponse>");
  auto kept = dictations->Item("U2", "1");
  queue->SetXMLResponse("");
  dictations->ReInitialize();
  kept->SetStatus("Checked out");
  EXPECT_EQ(kept->Status(), "Checked out");
  EXPECT_EQ(kept->UtteranceID(), 2);
}

}  // namespace
}  // namespace vz
