// The routines for one dictation and the small file routines of a request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dictation/radiology_orders.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "model/parameters.hpp"
#include "platform/files.hpp"
#include "request_fixture.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SingleDictationTest : public testing::LoneRequestTest {
 protected:
  std::vector<std::string> Names(const clsParameters& parameters) {
    std::vector<std::string> names;
    for (const auto& parameter : parameters.Items()) names.push_back(parameter->ParmName() + "=" + parameter->ParmValue());
    return names;
  }
};

TEST_F(SingleDictationTest, OneEntryListAndOneDictationCollection) {
  request->buildSingleFileRequestList("123", "5");
  ASSERT_EQ(request->DictationList().size(), 1u);
  EXPECT_EQ(request->DictationList()[0].utteranceID, 123);
  EXPECT_EQ(request->DictationList()[0].locationID, 5);
  EXPECT_EQ(request->DictationList()[0].documentVersion, "0");
  request->CreateSingleUtteranceCollection("123");
  const auto dictations = request->Dictations();
  ASSERT_TRUE(dictations);
  ASSERT_EQ(dictations->Count(), 1);
  const auto record = dictations->Item("U123", "0");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->ConfigFile(), (folder.Path() / "App/Downloads/Local_123.cfg").string());

  request->buildSingleFileRequestList("124", "-1");
  EXPECT_EQ(request->DictationList()[0].locationID, -1);
  prompter->Answer(vbAbort);
  request->buildSingleFileRequestList("12/../x", "5");
  EXPECT_EQ(request->DictationList()[0].utteranceID, 124) << "a bad identifier changes nothing";
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Invalid dictation identifier: 12/../x"));
}

TEST_F(SingleDictationTest, UpdateParametersCarryTheRecordsValuesAndItsOrders) {
  clsUtterances collection;
  const auto record = collection.Add(88, 3, "Checked out", "", "2");
  record->SetProperty("speakerID", "S7");
  record->SetProperty("workStatusID", "4");
  record->SetProperty("businessEntityID", "B1");
  auto orders = std::make_shared<clsRadiologyOrders>();
  orders->Add()->OrderItemID = "501";
  orders->Add()->OrderItemID = "502";
  record->SetRadiologyOrders(orders);

  clsParameters parameters;
  request->FinalizeUtteranceUpdateRequest(*record, parameters);
  EXPECT_THAT(Names(parameters),
              ElementsAre("utteranceID=88", "locationID=3", "institutionID=", "speakerID=S7", "speakerCode=",
                          "visitCode=", "priority=", "workTypeID=", "workStatusID=4", "prevWorkStatusID=",
                          "businessEntityID=B1", "orderItemID=501", "orderItemID=502"));

  record->SetProperty("procedureDate", "2026-03-12T08:30:00");
  clsParameters changing;
  changing.Add("600", "orderItemID");
  request->FinalizeUtteranceUpdateRequest(*record, changing);
  const auto names = Names(changing);
  EXPECT_THAT(names, ::testing::Contains("procedureDate=03/12/2026 08:30:00"));
  EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.starts_with("orderItemID"); }), 1)
      << "orders being changed are not joined by the existing ones";
}

TEST_F(SingleDictationTest, PendingNoteIsStoredInTheRecordAndItsFile) {
  clsUtterances collection;
  const std::string file = (downloads / "Local_5.cfg").string();
  const auto record = collection.Add(5, 3, "Checked out", file, "0");
  request->UpdatePendingNote(*record, "Field update failed:\r\nno such speaker");
  EXPECT_EQ(record->CurrentPendingNote(), "Field update failed:\r\nno such speaker");
  EXPECT_THAT(testing::ReadFile(file), HasSubstr("no such speaker"));
}

TEST_F(SingleDictationTest, FileRoutines) {
  request->CreateEmptyQAGFile("77");
  EXPECT_EQ(testing::ReadFile(downloads / "Local_77.QAG"),
            "<?xml version=\"1.0\"?><InfoResponse xmlns=\"http://www.quorvane.com/datamodel/billinggroup\"/>");
  prompter->Answer(vbAbort);
  request->CreateEmptyQAGFile("../77");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "77.QAG"));
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Invalid dictation identifier for a QA grading file: ../77"));

  const auto answer = folder.Path() / "answer.xml";
  platform::WriteFileAtomically(answer, "junk \"before\"<InfoResponse><a b=\"1\">say \"hi\"</a></InfoResponse>");
  EXPECT_EQ(request->ReplDoubleQuoteInXML(answer.string()),
            "<?xml version=\"1.0\"?><InfoResponse><a b=-1->say -hi-</a></InfoResponse>");
  platform::WriteFileAtomically(answer, "<Other/>");
  prompter->Answer(vbAbort);
  EXPECT_EQ(request->ReplDoubleQuoteInXML(answer.string()), "");

  const auto made = folder.Path() / "Logins";
  request->SafeMakeDir(made.string());
  request->SafeMakeDir(made.string());
  EXPECT_TRUE(std::filesystem::is_directory(made));
}

}  // namespace
}  // namespace vz
