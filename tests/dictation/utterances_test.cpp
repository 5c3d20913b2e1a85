// The dictation collection's keys and positions, duplicate keys, matching, and radiology orders.
#include "dictation/radiology_orders.hpp"
#include "dictation/utterances.hpp"
#include "dictation_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using testing::DictationTest;

class UtterancesTest : public DictationTest {
 protected:
  std::shared_ptr<clsUtterances> NewCollection() {
    return std::dynamic_pointer_cast<clsUtterances>(dispatch::Create("clsUtterances", registry));
  }
};

TEST_F(UtterancesTest, VersionsOfOneDictationAreSeparateEntries) {
  auto dictations = NewCollection();
  const auto first = dictations->Add(47, 3, "Ready for Transcription", Path("Local_47.cfg"), "1");
  dictations->Add(47, 3, "Ready for Transcription", Path("Local_47.cfg"), "2");
  EXPECT_EQ(dictations->Count(), 2);
  EXPECT_EQ(first->ID(), "U47");
  EXPECT_EQ(first->OriginalStatus(), "Ready for Transcription");
  EXPECT_EQ(first->HeaderFile(), Path("Local_47.hd3"));
  EXPECT_EQ(dictations->Item("U47", "1"), first);
  EXPECT_EQ(dictations->Item("u47", "2")->DocumentVersion(), "2");  // keys ignore case
  EXPECT_TRUE(dictations->UtterancePresent("U47", "2"));
  EXPECT_FALSE(dictations->UtterancePresent("U47", "3"));
  // Through dispatch, Item is the default member.
  EXPECT_EQ(Get(*dictations, "Item", {Value("U47"), Value("1")}).ToObject(), first);
}

TEST_F(UtterancesTest, AnEmptyVersionMakesTheIdAPosition) {
  auto dictations = NewCollection();
  dictations->Add(47, 3, "", "", "1");
  const auto second = dictations->Add(48, 3, "", "", "1");
  EXPECT_EQ(dictations->Item("2", ""), second);
  EXPECT_EQ(dictations->Item("2", std::nullopt), second);
  EXPECT_EQ(dictations->Item("U47", ""), nullptr);  // not a number: no object, no box
  EXPECT_EQ(dictations->Item("3", ""), nullptr);
  EXPECT_THAT(DetailLog(), HasSubstr("Error ignored: 13"));
  EXPECT_TRUE(prompter->Shown().empty());
  dictations->Remove("1", std::nullopt);
  EXPECT_EQ(dictations->Item("1", ""), second);
  dictations->Remove("U99", "1");  // reported, nothing removed
  EXPECT_EQ(dictations->Count(), 1);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr("Error 5: "));
}

TEST_F(UtterancesTest, DuplicateKeysRaiseWithWhereTheyWereAdded) {
  auto dictations = NewCollection();
  dictations->Add(47, 3, "", "", "2");
  const auto add = testing::RaisedBy([&] { dictations->Add(47, 3, "", "", "2"); });
  EXPECT_EQ(add.Number(), 457);
  EXPECT_THAT(add.Description(), MatchesRegex("This key is already associated with an element of this collection\r\n"
                                              "Original raised at line [0-9]+ of clsUtterances\\.Add"));
  auto same = NewUtterance();
  same->SetUtteranceID(47);
  same->SetDocumentVersion("2");
  const auto complete = testing::RaisedBy([&] { dictations->AddCompleteObject(same, "x.cfg"); });
  EXPECT_THAT(complete.Description(), HasSubstr("of clsUtterances.AddCompleteObject"));
  EXPECT_EQ(dictations->Count(), 1);
  same->SetDocumentVersion("3");
  EXPECT_EQ(dictations->AddCompleteObject(same, Path("Local_47.cfg")), same);
  EXPECT_EQ(same->ID(), "U47");
  EXPECT_EQ(same->ConfigFile(), Path("Local_47.cfg"));
  EXPECT_EQ(dictations->Item("U47", "3"), same);
}

TEST_F(UtterancesTest, MatchesComparesTheVersionAsText) {
  auto dictations = NewCollection();
  dictations->Add(47, 3, "", "", "02");
  EXPECT_TRUE(dictations->bfnMatches(47, 3, Value("02")));
  EXPECT_FALSE(dictations->bfnMatches(47, 3, Value(std::int16_t{2})));
  EXPECT_FALSE(dictations->bfnMatches(47, 4, Value("02")));
  Call(*dictations, "ReInitialize");
  EXPECT_EQ(dictations->Count(), 0);
}

TEST_F(UtterancesTest, CollectionsCountTheirOwnInstances) {
  const std::int32_t before = clsUtterances::InstancesCreated();
  { auto dictations = NewCollection(); }
  EXPECT_EQ(clsUtterances::InstancesCreated(), before + 1);
  EXPECT_THAT(DetailLog(), HasSubstr("Initialize [" + std::to_string(before) + "]"));
  EXPECT_THAT(DetailLog(), HasSubstr("Terminate[" + std::to_string(before) + "]"));
}

TEST_F(UtterancesTest, RadiologyOrdersAreReadOnceAndWrittenBackWhole) {
  auto u = NewUtterance();
  u->LoadRetrievedXML(
      "<Row><utteranceID>5</utteranceID><orderItems>"
      "<orderItem><isAssociated>true</isAssociated><orderItemID>A1</orderItemID><orderDescription>Chest</orderDescription>"
      "<medicalRecordNumber>M1</medicalRecordNumber><orderItemStatusDescription>Open</orderItemStatusDescription></orderItem>"
      "<orderItem><orderItemID>A2</orderItemID></orderItem></orderItems></Row>");
  const auto orders = u->RadiologyOrders();
  ASSERT_EQ(orders->Count(), 2);
  const auto first = orders->Item(Value(std::int32_t{1}));
  EXPECT_TRUE(first->IsAssociated);
  EXPECT_EQ(first->MRN, "M1");
  EXPECT_EQ(first->Status, "Open");
  EXPECT_FALSE(orders->Item(Value(std::int32_t{2}))->IsAssociated);
  EXPECT_EQ(orders->Item(Value(std::int32_t{2}))->PatientName, "");

  const auto added = orders->Add();
  added->OrderItemID = "A3";
  Set(*u, "RadiologyOrders", Value(orders));
  const pugi::xml_node items = u->Store().Row().child("orderItems");
  EXPECT_EQ(items.select_nodes("orderItem").size(), 3u);
  EXPECT_EQ(std::string(items.first_child().first_child().name()), "isAssociated");
  EXPECT_EQ(std::string(items.last_child().child_value("isAssociated")), "False");
  EXPECT_EQ(std::string(items.first_child().child_value("isAssociated")), "True");
  EXPECT_EQ(u->RadiologyOrders(), orders);  // the same collection, not read again
  EXPECT_EQ(Get(*orders, "Count"), Value(std::int32_t{3}));
}

}  // namespace
}  // namespace vz
