#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/generic_requests.hpp"
#include "server_fixture.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testing::ReadFile;
using testing::ServerTest;

using RequestPumpTest = ServerTest;

std::vector<std::int32_t> Actions(const std::vector<testing::ScriptedCatalogue::Started>& started) {
  std::vector<std::int32_t> actions;
  for (const auto& one : started) actions.push_back(one.action);
  return actions;
}

TEST_F(RequestPumpTest, RunsOneActionPerTickAndGoesIdleAfterTheLastRequest) {
  Add({2, 13});
  Tick();
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(2));
  Tick();
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(2, 13));
  EXPECT_THAT(client->completed, IsEmpty());
  Tick();  // no action left: deactivated, removed, nothing pending
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  EXPECT_EQ(queue->Count(), 0);
  EXPECT_FALSE(queue->RequestActive());
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_THAT(DetailLog(), HasSubstr("No more requests pending. Exiting with timer disabled."));
  // The next Add starts the pump again.
  Add({12});
  EXPECT_TRUE(PumpTimer().Enabled());
  Tick();
  EXPECT_EQ(catalogue->started.back().requestID, "DBR00002");
}

TEST_F(RequestPumpTest, EmptyActionListIsDeactivatedWithoutRunning) {
  Add({});
  Tick();
  EXPECT_THAT(catalogue->started, IsEmpty());
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  EXPECT_THAT(DetailLog(), Not(HasSubstr("Running DatabaseRequest")));
}

TEST_F(RequestPumpTest, FinishedRequestIsRemovedAndTheNextRunsInTheSameTick) {
  Add({2});
  Add({13});
  Tick();  // runs DBR00001's action
  Tick();  // deactivates DBR00001 and runs DBR00002's action
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  ASSERT_EQ(catalogue->started.size(), 2u);
  EXPECT_EQ(catalogue->started[1].requestID, "DBR00002");
  EXPECT_EQ(queue->CurrentKey(), "DBR00002");
  EXPECT_EQ(queue->Count(), 1);
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"), HasSubstr("DBR Timer Event\tRequest DBR00002 started: "));
}

TEST_F(RequestPumpTest, TimerStaysOffWhileAnActionIsInFlight) {
  catalogue->holdInFlight = true;
  Add({2, 13});
  Tick();
  EXPECT_FALSE(PumpTimer().Enabled());
  clock.AdvanceBy(60s);
  EXPECT_EQ(catalogue->started.size(), 1u);
  catalogue->Complete();
  EXPECT_TRUE(PumpTimer().Enabled());
  Tick();
  EXPECT_EQ(catalogue->started.size(), 2u);
}

TEST_F(RequestPumpTest, TruncatedRequestIsDeactivatedWithActionsLeft) {
  catalogue->holdInFlight = true;
  const auto request = Add({2, 13, 12});
  Tick();
  std::string seenError;
  bool seenTruncated = false;
  client->onComplete = [&](clsDatabaseRequest& done) {
    seenError = done.GlobalErrorMessage();
    seenTruncated = done.Truncated();
  };
  request->TruncateRequest();
  catalogue->Complete();  // a late completion changes nothing
  Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  EXPECT_TRUE(seenTruncated);
  EXPECT_EQ(seenError, "Request truncated.");
  EXPECT_EQ(catalogue->started.size(), 1u);
  EXPECT_THAT(DetailLog(), HasSubstr("Deactivating request: DBR00001.  Truncate = True"));
}

TEST_F(RequestPumpTest, BlockedTicksOnlyKeepTheTimerRunning) {
  Add({2});
  server->SetTimerBlocked(true);
  Tick();
  Tick();
  EXPECT_TRUE(PumpTimer().Enabled());
  EXPECT_THAT(catalogue->started, IsEmpty());
  server->SetTimerBlocked(false);
  Tick();
  EXPECT_EQ(catalogue->started.size(), 1u);
}

TEST_F(RequestPumpTest, TickWithoutWorkLeavesTheTimerOff) {
  PumpTimer().SetEnabled(true);
  Tick();
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_THAT(DetailLog(), HasSubstr("Timer fired with no request active"));
  queue->SetRequestActive(true);
  PumpTimer().SetEnabled(true);
  Tick();
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_THAT(DetailLog(), HasSubstr("Timer fired, but no requests are pending."));
  EXPECT_THAT(catalogue->started, IsEmpty());
}

TEST_F(RequestPumpTest, RetryIntervalIsFollowedByShortTicks) {
  Add({2, 13});
  PumpTimer().SetInterval(5000ms);
  Tick();
  EXPECT_EQ(PumpTimer().Interval(), 5000ms) << "RetryTimerInterval 0 never changes the interval";
  server->SetRetryTimerInterval(5000);
  Tick();
  EXPECT_EQ(PumpTimer().Interval(), 100ms);
}

TEST_F(RequestPumpTest, AfterARetryPauseTheStepsComeQuicklyAgainWithoutARetryTimerInterval) {
  catalogue->holdInFlight = true;
  const auto retried = Add({2});
  Add({13});
  Add({12});
  Tick();
  catalogue->inFlight.reset();
  retried->SetupRequestForRetry("(12002) The operation timed out", nullptr);
  EXPECT_EQ(PumpTimer().Interval(), 5000ms);
  catalogue->holdInFlight = false;
  Tick();  // the retry, after the pause
  EXPECT_EQ(PumpTimer().Interval(), 100ms);
  for (int i = 0; i < 4; ++i) Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00001", "DBR00002", "DBR00003"));
  EXPECT_EQ(PumpTimer().Interval(), 100ms) << "the later requests keep the quick pace";
}

TEST_F(RequestPumpTest, TruncatingAQueuedRequestEndsItAndLeavesTheCallInFlightAlone) {
  catalogue->holdInFlight = true;
  Add({2, 13});
  const auto queued = Add({12});
  Tick();
  std::vector<std::string> errors;
  client->onComplete = [&](clsDatabaseRequest& done) { errors.push_back(done.GlobalErrorMessage()); };
  queued->TruncateRequest();
  Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00002"));
  EXPECT_THAT(errors, ElementsAre("Request truncated."));
  EXPECT_EQ(queue->Count(), 1);
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(2)) << "the request in flight is not run again";
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_THAT(DetailLog(), HasSubstr("Request DBR00001 is waiting for its call to complete."));

  ASSERT_TRUE(catalogue->inFlight);
  catalogue->Complete();  // the call's completion still reaches its request
  Tick();
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(2, 13));
  catalogue->Complete();
  Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00002", "DBR00001"));
  EXPECT_EQ(queue->Count(), 0);
}

TEST_F(RequestPumpTest, ABranchThatRaisesEndsItsRequestWithTheErrorAndThePumpGoesOn) {
  catalogue->raising[10] = "The servlet URL is empty.";
  std::vector<std::string> errors;
  client->onComplete = [&](clsDatabaseRequest& done) { errors.push_back(done.GlobalErrorMessage()); };
  Add({10, 2});
  Add({13});
  Tick();
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Error -1: The servlet URL is empty.\r\nin ZERUredoz.clsDatabaseRequest.Run."));
  Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  EXPECT_THAT(errors, ElementsAre("The servlet URL is empty."));
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(10, 13)) << "action 2 never runs, the next request does";
}

TEST_F(RequestPumpTest, CleanupEndsEveryRequestLeftAndTheQueueTakesNoMore) {
  catalogue->holdInFlight = true;
  Add({2, 13});
  Add({12});
  Tick();
  std::vector<std::string> errors;
  std::vector<bool> truncated;
  client->onComplete = [&](clsDatabaseRequest& done) {
    errors.push_back(done.GlobalErrorMessage());
    truncated.push_back(done.Truncated());
  };
  const auto held = queue;
  server->Cleanup();
  EXPECT_THAT(client->completed, ElementsAre("DBR00001", "DBR00002"));
  EXPECT_THAT(errors, ElementsAre(kEndedByCleanup, kEndedByCleanup));
  EXPECT_THAT(truncated, ElementsAre(true, true));
  EXPECT_EQ(held->Count(), 0);
  // A client that kept the queue gets nothing from it, and a late completion goes nowhere.
  EXPECT_EQ(held->Add(Spec({2})), nullptr);
  catalogue->Complete();
  clock.AdvanceBy(10s);
  EXPECT_EQ(catalogue->started.size(), 1u);
  EXPECT_EQ(client->completed.size(), 2u);
}

TEST_F(RequestPumpTest, CleanupFromInsideTheCompletionEventEndsTheOthers) {
  Add({2});
  Add({13});
  client->onComplete = [&](clsDatabaseRequest& done) {
    if (done.ID() == "DBR00001") server->Cleanup();
  };
  Tick();
  Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00001", "DBR00002"));
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(2));
}

TEST_F(RequestPumpTest, StoppedRequestsWaitAndResumeWithTheNextAcceptedAdd) {
  catalogue->holdInFlight = true;
  Add({2, 13});
  Add({12});
  Tick();
  server->StopAllRequests();
  EXPECT_EQ(Add({13}), nullptr) << "no request is made, so no event will come for it";
  // The client accepts work again while the call of the stopped request is still out.
  queue->SetAcceptingRequests(true);
  ASSERT_TRUE(Add({14}));
  Tick();
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(2)) << "the call in flight is not abandoned";
  catalogue->holdInFlight = false;
  catalogue->Complete();
  for (int i = 0; i < 8; ++i) Tick();
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(2, 13, 12, 14));
  EXPECT_THAT(client->completed, ElementsAre("DBR00001", "DBR00002", "DBR00003"));
}

TEST_F(RequestPumpTest, CancelAllStopsAfterTheCurrentRequest) {
  Add({2});
  Add({13});
  Tick();
  server->SetCancelAllRequests(true);
  Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  EXPECT_EQ(queue->Count(), 1);
  EXPECT_EQ(catalogue->started.size(), 1u);
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_TRUE(queue->RequestActive());
}

TEST_F(RequestPumpTest, UnrecognizedActionEndsTheRequest) {
  catalogue->unrecognized = {63};
  Add({63, 2});
  Tick();
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Error -1: Unrecognized Request Type\r\nin ZERUredoz.clsDatabaseRequest.Run."));
  Tick();
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  EXPECT_THAT(Actions(catalogue->started), ElementsAre(63));
}

TEST_F(RequestPumpTest, CompletionEventIsRaisedFiveTimesUntilAcknowledged) {
  const auto spec = Spec({});
  const auto generic = spec->GenericRequests();
  generic->Add(2);
  queue->Add(spec);
  client->acknowledge = false;
  std::vector<bool> retrievedAtEachPass;
  client->onComplete = [&](clsDatabaseRequest& request) {
    const auto entry = *request.GenericRequests()->begin();
    retrievedAtEachPass.push_back(entry->Retrieved());
    entry->SetRetrieved(true);  // the client read the results
  };
  Tick();
  EXPECT_EQ(client->completed.size(), 5u);
  EXPECT_THAT(retrievedAtEachPass, ElementsAre(false, false, false, false, false));
  const std::string errors = ReadFile(folder / "Logs/Server_Errors.txt");
  EXPECT_THAT(errors, HasSubstr("Pass 1"));
  EXPECT_THAT(errors, HasSubstr("Pass 4: Exiting sub"));
}

TEST_F(RequestPumpTest, AcknowledgedCompletionIsRaisedOnceWithoutErrorLog) {
  Add({});
  Tick();
  EXPECT_EQ(client->completed.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(folder / "Logs/Server_Errors.txt"));
}

TEST_F(RequestPumpTest, CloseRequestsByReason) {
  EXPECT_TRUE(server->Pump()->Form_QueryUnload(CloseReason::TaskManager));
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(prompter->Shown()[0].text, HasSubstr("This process is integral to Penwright MT."));
  EXPECT_EQ(prompter->Shown()[0].title, "Penwright MT");
  EXPECT_FALSE(server->Pump()->Form_QueryUnload(CloseReason::SystemShutdown));
  EXPECT_THAT(ReadFile(folder / "Logs/AbnormalEnds.log"), HasSubstr("OS-ShutDown"));
  const std::string errors = ReadFile(folder / "Logs/Server_Errors.txt");
  EXPECT_THAT(errors, HasSubstr("frmTimer.Form_QueryUnload: Attempted to close from Task Manager."));
  EXPECT_THAT(errors, HasSubstr("frmTimer.Form_QueryUnload: Closed because Windows is shutting down."));
  EXPECT_FALSE(server->Pump()->Form_QueryUnload(CloseReason::OwnerShutdown));
  EXPECT_FALSE(server->Pump()->Form_QueryUnload(CloseReason::ControlMenu));
  EXPECT_THAT(DetailLog(), HasSubstr("Closed from control menu."));
}

}  // namespace
}  // namespace vz
