#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "server_fixture.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadFile;
using testing::ServerTest;

using RequestQueueTest = ServerTest;

TEST_F(RequestQueueTest, KeysFollowTheQueueType) {
  EXPECT_EQ(Add({})->ID(), "DBR00001");
  EXPECT_EQ(Add({})->ID(), "DBR00002");
  queue->SetQueueType(1);
  std::string tenth;
  for (int i = 3; i <= 10; ++i) tenth = Add({})->ID();
  EXPECT_EQ(tenth, "HDBR00010");
  queue->SetQueueType(2);
  EXPECT_EQ(Add({})->ID(), "UDBR00011");
  // Only the three prefixes exist: another type is refused and the queue keeps its own.
  queue->SetQueueType(3);
  EXPECT_EQ(queue->QueueType(), 2);
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Invalid property value: QueueType 3"));
}

TEST_F(RequestQueueTest, NotAcceptingCreatesNothingAndKeepsTheCounter) {
  queue->SetAcceptingRequests(false);
  EXPECT_EQ(Add({2}), nullptr);
  EXPECT_EQ(queue->Count(), 0);
  EXPECT_FALSE(queue->RequestActive());
  queue->SetAcceptingRequests(true);
  EXPECT_EQ(Add({2})->ID(), "DBR00001");
}

TEST_F(RequestQueueTest, AddingToAnIdleQueueStartsThePumpAddingToABusyOneOnlyAppends) {
  const auto first = Add({2, 1});
  EXPECT_TRUE(queue->RequestActive());
  EXPECT_EQ(queue->CurrentRequest(), first);
  EXPECT_EQ(queue->CurrentKey(), "DBR00001");
  EXPECT_TRUE(PumpTimer().Enabled());
  PumpTimer().SetEnabled(false);
  const auto second = Add({2});
  EXPECT_EQ(queue->CurrentRequest(), first);
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_EQ(queue->Count(), 2);
  // The request takes what the queue copies from the specification; progress display is always off.
  EXPECT_FALSE(second->ShowProgress());
  EXPECT_EQ(second->CompletionAction(), 1);
  EXPECT_EQ(second->ConnectionInfo(), queue->ConnectionInfo());
  const std::string summary = ReadFile(folder / "Logs/Summary.log");
  EXPECT_THAT(summary, HasSubstr("Request DBR00001 added to queue: Retrieving  workqueue entries."));
  EXPECT_THAT(summary, HasSubstr("Request DBR00001 started: Retrieving  workqueue entries."));
}

TEST_F(RequestQueueTest, GetNextPendingNeverWrapsAndSkipsTruncated) {
  queue->SetRequestActive(true);  // keep the pump out of it
  const auto r1 = Add({1});
  const auto r2 = Add({1});
  const auto r3 = Add({1});
  std::string key = "DBR00003";
  EXPECT_EQ(queue->GetNextPending(key), nullptr);
  EXPECT_EQ(queue->CurrentRequest(), nullptr);
  key = "DBR00001";
  EXPECT_EQ(queue->GetNextPending(key), r2);
  EXPECT_EQ(queue->CurrentRequest(), r2);
  r2->TruncateRequest();
  EXPECT_EQ(queue->GetNextPending(key), r3);
  // A key no longer in the list starts the search over: the first request that may still run.
  key = "DBR00099";
  EXPECT_EQ(queue->GetNextPending(key), r1);
  EXPECT_THAT(DetailLog(), HasSubstr("Retrying loop.  bStartSearch = FALSE"));
  r1->TruncateRequest();
  r3->TruncateRequest();
  EXPECT_EQ(queue->GetNextPending(key), nullptr);
}

TEST_F(RequestQueueTest, ItemAndRemoveByKeyOrPosition) {
  queue->SetRequestActive(true);
  const auto r1 = Add({});
  const auto r2 = Add({});
  EXPECT_EQ(queue->Item(Value("dbr00002")), r2);
  EXPECT_EQ(queue->Item(Value(std::int32_t{1})), r1);
  EXPECT_EQ(dispatch::Enumerate(*queue).size(), 2u);
  queue->Remove(Value(std::int32_t{1}));
  EXPECT_EQ(queue->Count(), 1);
  // An unknown key fails through the error trap: a box, nothing removed.
  queue->Remove(Value("DBR00042"));
  EXPECT_EQ(queue->Count(), 1);
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("in ZERUredoz.clsDatabaseRequests.Remove."));
  // During shutdown the failure is only logged.
  const size_t boxes = prompter->Shown().size();
  queue->SetShutDownInProcess(true);
  queue->Remove(Value("DBR00042"));
  EXPECT_EQ(prompter->Shown().size(), boxes);
  EXPECT_THAT(ReadFile(folder / "Logs/Server_Errors.txt"), HasSubstr("Error removing index: DBR00042 during shutdown."));
}

TEST_F(RequestQueueTest, TheAddAfterKey32767Overflows) {
  queue->SetRequestActive(true);
  SetLogFilePath("");
  for (int i = 1; i <= 32767; ++i) {
    const auto request = Add({});
    ASSERT_TRUE(request);
    queue->RemoveRequest(request->ID());
  }
  prompter->Answer(vbAbort);
  EXPECT_EQ(Add({}), nullptr);
  EXPECT_EQ(queue->Count(), 0);
  ASSERT_FALSE(prompter->Shown().empty());
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Error 6: Overflow"));
}

TEST_F(RequestQueueTest, LabTestSwitchHoldsBackCompletionAction40) {
  testing::WriteFile(AppFile("LabTest.ini"), "[BugRepro]\r\n20654= True \r\n");
  const auto held = Add({1}, 40);
  EXPECT_THAT(DetailLog(), HasSubstr("Reproducing TTP 20654, delaying databaserequestid: DBR00001"));
  EXPECT_FALSE(queue->RequestActive());
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_EQ(queue->CurrentRequest(), nullptr);
  // Any other request starts the pump as usual, with the held one first in the list.
  Add({1}, 1);
  EXPECT_EQ(queue->CurrentRequest(), held);
  EXPECT_TRUE(PumpTimer().Enabled());
}

TEST_F(RequestQueueTest, AddClearsTheDictationErrorsAndSharesTheSpecObjects) {
  const auto spec = Spec({}, 17);
  auto dictations = server->NewUtteranceCollection();
  for (const std::int32_t id : {7, 9}) {
    dictations->Add(id, 1, "Ready for Transcription", (folder.Path() / ("Local_" + std::to_string(id) + ".cfg")).string(), "0");
    dictations->Item("U" + std::to_string(id), "0")->SetErrorString("failed in an earlier request");
  }
  spec->SetUtterances(dictations);
  const auto request = queue->Add(spec);
  EXPECT_EQ(request->Utterances(), dictations);
  for (const auto& dictation : dictations->Items()) EXPECT_EQ(dictation->ErrorString(), "") << dictation->UtteranceID();
  EXPECT_EQ(request->GenericRequests(), spec->GenericRequests());
  EXPECT_EQ(request->WorkQueue(), spec->WorkQueue());
  EXPECT_EQ(request->Description(kPlainDescription), "Retrieving the list of worktypes.");
}

}  // namespace
}  // namespace vz
