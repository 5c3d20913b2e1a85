// Person lists with header and footer documents, sub-documents and pending notes.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "dictation_fixture.hpp"
#include "xml/node_access.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::DictationTest;
using testing::ReadFile;
using testing::WriteFile;

class PersonListTest : public DictationTest {
 protected:
  void SetUp() override {
    DictationTest::SetUp();
    u = NewUtterance();
    u->SetUtteranceID(47);
    u->SetConfigFile(Path("Local_47.cfg"));
  }
  // A header file whose field `type` holds one person, modified at the given local time.
  void WriteHeader(int type, const std::string& person, std::chrono::system_clock::time_point modified) {
    WriteHeaderText("<Row><value><line><region><type>" + std::to_string(type) + "</type><item><saveAs>" + person +
                         "</saveAs></item></region></line></value></Row>",
                     modified);
  }
  void WriteHeaderText(const std::string& text, std::chrono::system_clock::time_point modified) {
    WriteFile(u->HeaderFile(), text);
    const timespec times[2] = {{std::chrono::system_clock::to_time_t(modified), 0},
                               {std::chrono::system_clock::to_time_t(modified), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, u->HeaderFile().c_str(), times, 0), 0);
  }
  std::string ListSource(std::int16_t type) {
    const pugi::xml_node list = u->GetPersonList(type);
    return list ? std::string(list.name()) + ":" + xml::NodeText(list.child("item").child("saveAs")) : "none";
  }

  std::shared_ptr<clsUtteranceObject> u;
};

TEST_F(PersonListTest, EntriesOfOneTypeShareOneListWithARefreshedTime) {
  u->AddPersonListEntry("Dr. A", "Dr. Alex A, Cardiology", "A", 3);
  AdvanceSeconds(65);
  u->AddPersonListEntry("Dr. B", "Dr. Bea B", "B", 3);
  u->AddPersonListEntry("Dr. C", "Dr. Cy C", "C", 4);
  const pugi::xml_node lists = u->Store().Row().child("PersonLists");
  ASSERT_EQ(lists.select_nodes("PersonList").size(), 2u);
  const pugi::xml_node three = lists.first_child();
  EXPECT_EQ(xml::NodeText(three.child("updateTime")), "12/03/2026 10:16:05");
  EXPECT_EQ(three.select_nodes("item").size(), 2u);
  EXPECT_EQ(std::string(three.first_child().name()), "type");
  // Each write goes to the file at once.
  EXPECT_THAT(ReadFile(u->ConfigFile()), HasSubstr("            <item>\r\n                <saveAs>Dr. C</saveAs>"));
}

TEST_F(PersonListTest, TheRowsUpdateTimeIsReadInTheCustomFormatItWasWrittenIn) {
  CurrentProcessSettings().useCustomDateFormat = true;
  // 05/03/2026 is the fifth of March here, not the third of May.
  CurrentProcessSettings().dateAndTimeFormat = "dd/mm/yyyy hh:nn:ss";
  SetNow(2026, 3, 5, 10, 0, 0);
  u->AddPersonListEntry("From row", "From row", "Row", 3);
  EXPECT_EQ(xml::NodeText(u->Store().Row().child("PersonLists").first_child().child("updateTime")), "05/03/2026 10:00:00");
  WriteHeader(3, "Newer header", LocalInstant(2026, 4, 1, 9, 0, 0));
  EXPECT_EQ(ListSource(3), "region:Newer header");
  WriteHeader(3, "Older header", LocalInstant(2026, 3, 4, 9, 0, 0));
  EXPECT_EQ(ListSource(3), "PersonList:From row");

  // A month name is no reason to take the row's time for unusable.
  CurrentProcessSettings().dateAndTimeFormat = "d mmm yyyy hh:nn:ss";
  u->ClearPersonListEntries(3);
  u->AddPersonListEntry("From row", "From row", "Row", 3);
  EXPECT_EQ(xml::NodeText(u->Store().Row().child("PersonLists").first_child().child("updateTime")), "5 Mar 2026 10:00:00");
  EXPECT_EQ(ListSource(3), "PersonList:From row");
}

TEST_F(PersonListTest, RemovingLooksOnlyInTheFirstItemAndLeavesTheLongText) {
  u->AddPersonListEntry("Dr. A", "Dr. Alex A", "A", 3);
  u->AddPersonListEntry("Dr. B", "Dr. Bea B", "B", 3);
  u->RemovePersonListItem(3, "Dr. B");  // the second item is not searched
  u->RemovePersonListItem(3, "dr. a");  // exact comparison
  EXPECT_EQ(u->Store().Row().select_nodes("PersonLists/PersonList/item/saveAs").size(), 2u);
  u->RemovePersonListItem(3, "Dr. A");
  const pugi::xml_node first = u->Store().Row().child("PersonLists").child("PersonList").child("item");
  EXPECT_FALSE(first.child("saveAs"));
  EXPECT_FALSE(first.child("displayAs"));
  EXPECT_EQ(xml::NodeText(first.child("displayLongAs")), "Dr. Alex A");
  u->ClearPersonListEntries(3);
  EXPECT_FALSE(u->Store().Row().child("PersonLists").child("PersonList"));
  EXPECT_THAT(ReadFile(u->ConfigFile()), HasSubstr("\r\n    <PersonLists/>\r\n"));
}

TEST_F(PersonListTest, HeaderListIsUsedWhenTheRowHasNone) {
  WriteHeader(5, "From header", LocalInstant(2026, 12, 1, 8, 0, 0));
  EXPECT_EQ(ListSource(5), "region:From header");
  EXPECT_EQ(u->HeaderTimeStamp(), "12/01/2026 08:00:00");
  EXPECT_EQ(ListSource(6), "none");
}

TEST_F(PersonListTest, NewerHeaderWinsBySecondsOnly) {
  u->AddPersonListEntry("From row", "From row", "row", 5);  // updateTime 12/03/2026 10:15:00
  WriteHeader(5, "From header", LocalInstant(2026, 12, 3, 10, 15, 0));
  EXPECT_EQ(ListSource(5), "PersonList:From row");  // same time: the row's list
  WriteHeader(5, "Newer header", LocalInstant(2026, 12, 3, 10, 15, 1));
  EXPECT_EQ(ListSource(5), "region:Newer header");  // reloaded because the file changed
  EXPECT_THAT(DetailLog(), HasSubstr("Header TimeStamp later than cfg time stamp: 12/03/2026 10:15:01"));
}

TEST_F(PersonListTest, FooterIsConsultedAfterTheHeaderAndBadHeaderIsReported) {
  WriteFile(u->FooterFile(), "<Row><value><line><region><type>2</type><item><saveAs>Foot</saveAs></item>"
                             "</region></line></value></Row>");
  EXPECT_EQ(ListSource(2), "region:Foot");
  WriteFile(u->HeaderFile(), "<Row><value>");
  EXPECT_EQ(ListSource(2), "region:Foot");  // the header's own trap reports it; the footer still counts
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr(" loading " + u->HeaderFile() + " XML: \r\n"));
  EXPECT_TRUE(Get(*u, "Header").ToString().empty());
}

TEST_F(PersonListTest, ABadHeaderIsReportedOncePerChangeOfItsFile) {
  WriteHeaderText("<Row><value>", LocalInstant(2026, 12, 1, 8, 0, 0));
  EXPECT_EQ(ListSource(5), "none");
  EXPECT_EQ(ListSource(5), "none");
  EXPECT_TRUE(Get(*u, "Header").ToString().empty());
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr(" loading " + u->HeaderFile() + " XML: \r\n"));
  EXPECT_EQ(u->HeaderTimeStamp(), "12/01/2026 08:00:00");

  WriteHeaderText("<Row><line>", LocalInstant(2026, 12, 1, 8, 0, 1));
  EXPECT_EQ(ListSource(5), "none");
  EXPECT_EQ(ListSource(5), "none");
  ASSERT_EQ(prompter->Shown().size(), 2u);
  EXPECT_THAT(BoxTexts()[1], HasSubstr(" reloading " + u->HeaderFile() + " XML: \r\n"));

  WriteHeader(5, "Repaired", LocalInstant(2026, 12, 1, 8, 0, 2));
  EXPECT_EQ(ListSource(5), "region:Repaired");
  EXPECT_EQ(prompter->Shown().size(), 2u);
}

TEST_F(PersonListTest, SubDocumentNamesInOrderWithDuplicates) {
  std::vector<Value> args{Value(std::int32_t{-1})};
  EXPECT_EQ(Call(*u, "GetSubDocNames", args), Value(Value::Array{}));
  u->AddSubDocument("Report");
  u->AddSubDocument("Addendum");
  u->AddSubDocument("Report");
  std::int32_t count = 0;
  EXPECT_THAT(u->GetSubDocNames(count), ElementsAre("Report", "Addendum", "Report"));
  EXPECT_EQ(count, 3);
}

class PendingNoteTest : public DictationTest {};

TEST_F(PendingNoteTest, AddedItemsUseCrLfAndCdataForErrors) {
  auto u = NewUtterance();
  u->AddPendingNoteItem(kPendingUnexpectedError, "x < y & z", std::nullopt, std::nullopt);
  u->AddPendingNoteItem(kPendingQuorvaneistMessage, "Call back", std::int32_t{4}, std::string("Call back later"));
  EXPECT_EQ(u->Notes().ToString(),
            "<item>\r\n<type>3</type>\r\n<text><![CDATA[x < y & z]]></text>\r\n</item>\r\n"
            "<item>\r\n<type>7</type>\r\n<text>Call back</text>\r\n</item>");
  EXPECT_EQ(u->CurrentPendingNote(),
            "\r\nUnexpected Error:\r\nx < y & z\r\n\r\nQuorvaneist Message:\r\nCall back later\r\n");
  EXPECT_TRUE(u->PendingNoteChanged());
  EXPECT_EQ(u->FullPendingNote("Notes"), "Quorvaneist Note: x < y & z\r\nUnexpected Error: Call back");
}

TEST_F(PendingNoteTest, RemovingRightAfterAddingKeepsNotesButNotTheReadableText) {
  auto u = NewUtterance();
  const std::string contact = "<contactInfo><name>Ann</name><phone>555</phone></contactInfo>";
  u->AddPendingNoteItem(kPendingNewContact, contact, std::nullopt, std::string("Ann, 555"));
  const std::string notes = u->Notes().ToString();
  u->RemovePendingNoteItem(kPendingNewContact, contact, std::nullopt, std::string("Ann, 555"));
  EXPECT_EQ(u->Notes().ToString(), notes);  // the LF block does not match the CR LF text
  EXPECT_EQ(u->CurrentPendingNote(), "");

  // Once written and read again the line ends are LF, and the same removal matches.
  u->AddPendingNoteItem(kPendingNewContact, contact, std::nullopt, std::string("Ann, 555"));
  u->WriteObjectToConfigFile(Path("Local_0.cfg"));
  auto reread = NewUtterance();
  reread->ReadConfigFileToObject(Path("Local_0.cfg"));
  reread->RemovePendingNoteItem(kPendingNewContact, contact, std::nullopt, std::string("Ann, 555"));
  EXPECT_EQ(reread->Notes().ToString(), "\n");  // both items go; the separator between them stays
  EXPECT_EQ(reread->FullPendingNote("Notes"), "");
}

TEST_F(PendingNoteTest, ChangedFlagFollowsNotesAndQuorvaneistNotes) {
  auto u = NewUtterance();
  u->SetPendingNoteChanged(true);
  EXPECT_FALSE(u->PendingNoteChanged());  // nothing to have changed
  Set(*u, "QuorvaneistNotes", Value("Speaker unclear"));
  EXPECT_TRUE(u->PendingNoteChanged());
  u->SetCurrentPendingNote("Mine");
  EXPECT_EQ(u->CurrentPendingNote(), "Mine\r\n\r\nSpeaker unclear");
}

}  // namespace
}  // namespace vz
