// Whole requests through the pump with the standard action catalogue and scripted client
// services, on the manual clock: each action's call, its refusal, its completion, and retries.
#include "engine_fixture.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::DictationEngineTest;
using testing::EngineTest;
using testing::kTimeOut;
using testing::ReadFile;

TEST_F(EngineTest, WorkQueueAnswerIsStoredAndTheRequestCompletes) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Success("<InfoResponse/>"));
  const auto request = Add({2});
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 1u);
  const ScriptedCall& call = services->Calls()[0];
  EXPECT_EQ(call.action, Action::DBR_GETWORKQUEUE);
  const auto& init = std::get<WorkQueueInit>(call.init);
  EXPECT_EQ(init.url, "https://institution.example/servlet");
  EXPECT_EQ(init.retrieveLocation, 3);
  EXPECT_EQ(init.password, "s3cret!");
  EXPECT_EQ(request->WorkQueue()->XMLResponse(), "<InfoResponse/>");
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  // The password travels in the call but never reaches the log.
  EXPECT_THAT(DetailLog(), HasSubstr("m_Wr.Init https://institution.example/servlet, 0, 3, jsmith, *******"));
  EXPECT_THAT(DetailLog(), Not(HasSubstr("s3cret!")));
}

TEST_F(EngineTest, RefusedCallsCloseTheRequestByTheirConvention) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Refused());
  Add({2, 1});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre("Bad call to getWorkAsync()."));
  EXPECT_EQ(services->Calls().size(), 1u) << "the download never starts";

  // "request" calls report failure with true: the text goes to the error log instead.
  services->Script(Action::DBR_GETAPPFEATURES, ScriptedAnswer::Refused());
  Add({47}, 47);
  client->completed.clear();
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion.back(), "");
  EXPECT_THAT(ReadFile(folder / "Logs/Server_Errors.txt"),
              HasSubstr("clsDatabaseRequest.Run: Bad request for retrieving App Console Features"));
}

TEST_F(EngineTest, MissingInputsAndRedundantLoginMakeNoCall) {
  auto spec = Spec({2}, 1);
  spec->WorkQueue()->SetRetrieveLocation(-1);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre("RetrieveLocation not initialized in WorkQueue object"));

  server->SetLoggedIn(true);
  client->completed.clear();
  Add({10}, 8);
  RunToCompletion();
  EXPECT_TRUE(services->Calls().empty());
  EXPECT_THAT(DetailLog(), HasSubstr("Discarding redundant login."));
}

TEST_F(EngineTest, TimeOutRetriesAfterFiveSecondsAndWarnsTheClient) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Success("<InfoResponse/>"));
  const auto request = Add({2}, 2);
  Step();
  EXPECT_EQ(request->Retries(), 1);
  EXPECT_EQ(PumpTimer().Interval(), 5000ms);
  EXPECT_TRUE(PumpTimer().Enabled());
  EXPECT_FALSE(server->ConnectionActive());
  EXPECT_THAT(client->events, ::testing::Contains("CommunicationsWarning"));
  server->SetRetryTimerInterval(5000);
  clock.AdvanceBy(4999ms);
  EXPECT_EQ(services->Calls().size(), 1u);
  clock.AdvanceBy(1ms);
  clock.Turn();
  EXPECT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(PumpTimer().Interval(), 100ms);
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"), HasSubstr("timed out on try number: 1"));
}

TEST_F(EngineTest, RetriesEndAtTheLimitAndAtTheSecondChecksumFailure) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  auto spec = Spec({2}, 1);
  spec->SetMaxRetries(1);
  server->DatabaseRequests()->Add(spec);
  for (int i = 0; i < 4 && client->completed.empty(); ++i) {
    clock.AdvanceBy(5000ms);
    clock.Turn();
  }
  EXPECT_THAT(errorAtCompletion, ElementsAre(kTimeOut));
  EXPECT_EQ(services->Calls().size(), 2u);

  const std::string checksum = "Audio file failed CHECKSUM verification";
  for (int i = 0; i < 4; ++i) services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(checksum));
  client->completed.clear();
  Add({2}, 1);
  for (int i = 0; i < 8 && client->completed.empty(); ++i) {
    clock.AdvanceBy(5000ms);
    clock.Turn();
  }
  EXPECT_EQ(errorAtCompletion.back(), checksum);
  EXPECT_EQ(services->Calls().size(), 5u) << "the first try and two retries";
}

TEST_F(EngineTest, ClearedContinueRetriesEndsTheRequestAtTheFirstFailure) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  const auto request = Add({2}, 1);
  dispatch::Set(*request, "ContinueRetries", Value(false));
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(kTimeOut));
  EXPECT_EQ(request->Retries(), 0);
  EXPECT_EQ(services->Calls().size(), 1u);
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"), HasSubstr("Retries have been halted because Penwright is shutting down."));
}

TEST_F(EngineTest, WarningsGoToTheClientByRequestKind) {
  // Discardable kinds warn only for 2, 4 and 6; the others always; an extra warning text makes
  // every kind warn.
  const struct {
    std::int32_t kind;
    const char* extra;
    bool warns;
  } cases[] = {{1, "", false}, {2, "", true}, {3, "", false}, {4, "", true}, {6, "", true},
               {5, "", true},  {9, "", true}, {1, "Call the help desk.", true}};
  const auto request = Add({}, 1);
  for (const auto& one : cases) {
    server->SetAdditionalCommWarning(one.extra);
    EXPECT_EQ(request->bfnRaiseCommunicationsWarning(one.kind), one.warns) << one.kind << " " << one.extra;
  }
  server->SetAdditionalCommWarning("");
  RunToCompletion();

  // The header queue warns only from the fifth retry on, naming the dictation.
  server->DatabaseRequests()->SetQueueType(2);
  for (int i = 0; i < 6; ++i) services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  auto spec = Spec({2}, 24);
  auto dictations = std::make_shared<clsUtterances>();
  dictations->Add(31, 1, "Ready for Transcription", (folder.Path() / "Local_31.cfg").string(), "0");
  spec->SetUtterances(dictations);
  server->DatabaseRequests()->Add(spec);
  std::vector<std::string> warnings;
  for (int i = 0; i < 7; ++i) {
    const auto before = std::count(client->events.begin(), client->events.end(), "CommunicationsWarning");
    clock.AdvanceBy(5000ms);
    clock.Turn();
    const auto after = std::count(client->events.begin(), client->events.end(), "CommunicationsWarning");
    warnings.push_back(after > before ? "warned" : "-");
  }
  EXPECT_THAT(warnings, ElementsAre("-", "-", "-", "-", "warned", "warned", "-"));
  EXPECT_THAT(DetailLog(), HasSubstr("Raising RETRIEVE_NEW_HEADER communications failure for uttid: 31"));
}

TEST_F(EngineTest, TruncationDuringShutdownIsIgnoredWithoutARetry) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error("REQUEST TERMINATED DURING SHUTDOWN"));
  auto spec = Spec({2, 13}, 1);
  spec->GenericRequests()->Add(13);  // where the locked list's answer goes
  const auto request = server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_TRUE(request->Ignore());
  EXPECT_EQ(request->Retries(), 0);
  ASSERT_EQ(services->Calls().size(), 2u) << "the request goes on with its next action";
  EXPECT_EQ(services->Calls()[1].action, Action::DBR_GETLOCKEDLIST);
  EXPECT_THAT(DetailLog(), HasSubstr("Received truncate message. Enabling timer."));
}

TEST_F(EngineTest, InteractiveRetryWithNobodyToAskRetriesUpToItsLimit) {
  SetPrompter(std::make_shared<HeadlessPrompter>());
  server->SetInstance("2");
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  auto spec = Spec({2}, 1);
  spec->SetMaxRetries(1);
  const auto request = server->DatabaseRequests()->Add(spec);
  for (int i = 0; i < 4 && client->completed.empty(); ++i) {
    clock.AdvanceBy(5000ms);
    clock.Turn();
  }
  EXPECT_EQ(services->Calls().size(), 2u) << "one retry, as without a question";
  EXPECT_THAT(errorAtCompletion, ElementsAre(kTimeOut));
  EXPECT_EQ(request->Retries(), 1);
  EXPECT_THAT(DetailLog(), HasSubstr("Nobody answered the question.  Retrying without asking."));
}

TEST_F(EngineTest, InteractiveRetryAsksTheUser) {
  server->SetInstance("2");
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  auto spec = Spec({2}, 1);
  spec->SetMaxRetries(5);
  const auto request = server->DatabaseRequests()->Add(spec);
  prompter->Answer(vbYes);
  Step();
  EXPECT_EQ(request->Retries(), 2) << "an accepted question counts twice";
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_EQ(prompter->Shown()[0].style, vbYesNo);
  EXPECT_EQ(prompter->Shown()[0].text,
            "Penwright has encountered communications problems while retrieving  workqueue entries..  "
            "Do you want to retry this action?");
  prompter->Answer(vbNo);
  clock.AdvanceBy(5000ms);
  clock.Turn();
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Penwright is continuing to encounter"));
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre("  "));
}

TEST_F(EngineTest, ShutdownEndsTheRequestAndStopsThePump) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Error(kTimeOut));
  Add({2}, 1);
  Add({2}, 1);
  server->SetShutDownInProcess(true);
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre("Request terminated because of communications problems during shutdown"));
  EXPECT_TRUE(CurrentProcessSettings().cancelAllRequests);
  Step();
  EXPECT_EQ(services->Calls().size(), 1u) << "the second request never runs";
  SetErrorBoxesEnabled(true);
}

TEST_F(EngineTest, TruncatedRequestNoLongerHearsItsCall) {
  ScriptedAnswer slow = ScriptedAnswer::Success("<late/>");
  slow.neverCompletes = true;
  services->Script(Action::DBR_GETWORKQUEUE, slow);
  const auto request = Add({2, 1});
  Step();
  request->TruncateRequest();
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre("Request truncated."));
  EXPECT_EQ(request->WorkQueue()->XMLResponse(), "");
  EXPECT_EQ(services->InFlight(), 0);
}

TEST_F(EngineTest, ParameterSetsCarryArgumentsAnswersAndErrors) {
  auto spec = Spec({28, 28}, 32);
  auto first = spec->GenericRequests()->Add(28);
  first->Parameters()->Add("<options a='1'/>", "optionsXML");
  auto second = spec->GenericRequests()->Add(28);
  second->Parameters()->Add("<options a='2'/>", "optionsXML");
  services->Script(Action::DBR_SENDOPTIONS, ScriptedAnswer::Success("<ok/>"));
  services->Script(Action::DBR_SENDOPTIONS, ScriptedAnswer::Error("Invalid option a"));
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(services->Calls()[0].arguments.Named("optionsXML"), "<options a='1'/>");
  EXPECT_EQ(services->Calls()[1].arguments.Named("optionsXML"), "<options a='2'/>");
  EXPECT_EQ(first->ResponseStrings()->Items(), (std::vector<std::string>{"<ok/>"}));
  ASSERT_EQ(second->ErrorMessages()->Count(), 1);
  EXPECT_EQ(second->ErrorMessages()->Item(Value(std::int32_t{1})).ToString(), "Invalid option a");
  EXPECT_THAT(errorAtCompletion, ElementsAre("")) << "an error of one parameter set does not end the request";
}

TEST_F(EngineTest, UnhandledActionAndRefusedLogin) {
  Add({19});
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre("Unrecognized Request Type"));
  services->Script(Action::DBR_PINGSERVLET, ScriptedAnswer::Refused());
  client->completed.clear();
  Add({10, 2}, 46);
  Step();
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("Error -1: Unspecified error trying to login to database"));
  // The refused login ends its request (nothing else would), and the pump goes on.
  RunToCompletion();
  EXPECT_THAT(client->completed, ElementsAre("DBR00002"));
  EXPECT_EQ(errorAtCompletion.back(), "Unspecified error trying to login to database");
  EXPECT_EQ(services->Calls().size(), 1u) << "the work queue is never fetched";
  client->completed.clear();
  Add({}, 1);
  RunToCompletion();
  EXPECT_THAT(client->completed, ElementsAre("DBR00003"));
}

TEST_F(EngineTest, AHandlerThatRaisesEndsItsRequestWithTheErrorsText) {
  ScriptedAnswer failing = ScriptedAnswer::Success("<InfoResponse/>");
  failing.failsWhenRead = true;
  services->Script(Action::DBR_GETWORKQUEUE, failing);
  Add({2, 13});
  RunToCompletion();
  EXPECT_THAT(prompter->Shown().back().text, HasSubstr("in ZERUredoz.clsDatabaseRequest.m_Wr_RetrievalComplete."));
  EXPECT_THAT(errorAtCompletion, ElementsAre("The client services failed to hand over the answer of m_Wr"));
  EXPECT_EQ(services->Calls().size(), 1u) << "the request ends instead of going on";
}

TEST(DictationKeys, StrippedFromErrorTexts) {
  EXPECT_EQ(clsDatabaseRequest::sfnStripUtteranceKeyFromError("Utterance 12: No such dictation"), "12");
  EXPECT_EQ(clsDatabaseRequest::sfnStripUtteranceKeyFromError("failed: UTTERANCE:   123 is locked"), "123");
  EXPECT_EQ(clsDatabaseRequest::sfnStripUtteranceKeyFromError("no dictation named here"), "");
  EXPECT_EQ(clsDatabaseRequest::sfnStripUtteranceKeyFromError("utterance 77"), "") << "a key at the very end is not taken";
}

TEST_F(EngineTest, WorkQueueWithoutHighPriorityDictationsCloses) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Success("<InfoResponse></InfoResponse>"));
  auto spec = Spec({2, 1}, 4);
  spec->WorkQueue()->SetHighPriorityLevelRequired(2);
  const auto request = server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre("No High Priority Dictations Available"));
  ASSERT_TRUE(request->Utterances());
  EXPECT_EQ(services->Calls().size(), 1u);
}

TEST_F(EngineTest, AWorkQueueAnswerThatIsNoXmlEndsTheRequestWithTheParsersText) {
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Success("Service temporarily unavailable"));
  const auto request = Add({2, 1}, 4);
  RunToCompletion();
  ASSERT_EQ(errorAtCompletion.size(), 1u);
  EXPECT_THAT(errorAtCompletion[0], ::testing::StartsWith("Error loading workqueue XML: \r\n"));
  EXPECT_THAT(errorAtCompletion[0], ::testing::EndsWith("\r\n\r\nPlease contact your Quorvane representative"));
  EXPECT_EQ(services->Calls().size(), 1u);
  EXPECT_THAT(ReadFile(folder / "Logs/Server_Errors.txt"), HasSubstr("Error loading workqueue XML"));
}

TEST_F(EngineTest, WorkQueueRowsThatCannotBeReadAreNamedToTheClient) {
  const std::string good = "<Row><utteranceID>12</utteranceID><status>Ready for Transcription</status></Row>";
  const std::string bad = "<Row><utteranceID>../12</utteranceID></Row>";
  std::filesystem::create_directories(folder.Path() / "App/Downloads");  // the work queue's download folder
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Success("<InfoResponse>" + bad + "</InfoResponse>"));
  Add({2}, 1);
  RunToCompletion();
  ASSERT_EQ(errorAtCompletion.size(), 1u);
  EXPECT_THAT(errorAtCompletion[0], ::testing::StartsWith("The work queue answer held 1 dictation that could not be read:\r\n"
                                                          "Row 0: The utteranceID \"../12\" is not a decimal number"));

  // With some rows readable the request goes on with them, the others still named.
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Success("<InfoResponse>" + good + bad + bad + "</InfoResponse>"));
  client->completed.clear();
  const auto request = Add({2}, 1);
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion.back(), ::testing::StartsWith("The work queue answer held 2 dictations that could not be read:"));
  EXPECT_THAT(errorAtCompletion.back(), HasSubstr("\r\nRow 2: "));
  ASSERT_TRUE(request->Dictations());
  EXPECT_EQ(request->Dictations()->Count(), 1);
}

// A request with dictations 7, 9, 12, 15 and 20 in its collection.

TEST_F(DictationEngineTest, DownloadListsTheDictationsWithoutErrorsAndMarksThemDownloaded) {
  WriteDownloads();
  server->DatabaseRequests()->Add(SpecWithDictations({1}, 2));
  // Adding clears the dictations' errors; one failing later is left out of the list.
  dictations->Item("U9", "0")->SetErrorString("locked by someone else");
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 1u);
  EXPECT_EQ(services->Calls()[0].action, Action::DBR_DOWNLOAD);
  EXPECT_THAT(ListedIDs(services->Calls()[0]), ElementsAre(7, 12, 15, 20));
  EXPECT_THAT(DetailLog(), HasSubstr("Utterances: 7(1), 12(1), 15(1), 20(1)"));
}

TEST_F(DictationEngineTest, RetryAfterATimeOutSkipsTheDictationsAlreadyDone) {
  WriteDownloads();
  services->Script(Action::DBR_DOWNLOAD, ScriptedAnswer::TimeOutAfter({"7", "9"}, kTimeOut));
  const auto request = server->DatabaseRequests()->Add(SpecWithDictations({1}, 2));
  Step();
  EXPECT_EQ(request->Retries(), 1);
  EXPECT_EQ(dictations->Item("U7", "0")->LastActionCompleted(), 1);
  EXPECT_EQ(dictations->Item("U9", "0")->LastActionCompleted(), 1);
  EXPECT_EQ(dictations->Item("U9", "0")->Status(), "Downloaded for Standard Transcription");
  EXPECT_EQ(dictations->Item("U12", "0")->Status(), "Ready for Transcription");
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"), HasSubstr("2 were processed before the time out:"));
  clock.AdvanceBy(5000ms);
  clock.Turn();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_THAT(ListedIDs(services->Calls()[1]), ElementsAre(12, 15, 20));
}

TEST_F(DictationEngineTest, AChecksumFailureOfOneTransferIsRetriedFromThatDictationOn) {
  WriteDownloads();
  ScriptedAnswer answer =
      ScriptedAnswer::Errors({"", "", "Utterance 12: CHECKSUM mismatch in Local_12.pcm  documentVersion=0", "", ""});
  answer.utterancesCompleted = {"7", "9", "12", "15", "20"};  // the library counts it among those it went through
  services->Script(Action::DBR_DOWNLOAD, answer);
  const auto request = server->DatabaseRequests()->Add(SpecWithDictations({1}, 2));
  Step();
  EXPECT_EQ(request->Retries(), 1);
  EXPECT_EQ(dictations->Item("U9", "0")->Status(), "Downloaded for Standard Transcription");
  EXPECT_EQ(dictations->Item("U12", "0")->Status(), "Ready for Transcription");
  EXPECT_EQ(dictations->Item("U12", "0")->ErrorString(), "");
  EXPECT_NE(dictations->Item("U12", "0")->LastActionCompleted(), 1);
  clock.AdvanceBy(5000ms);
  clock.Turn();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_THAT(ListedIDs(services->Calls()[1]), ElementsAre(12, 15, 20));
  RunToCompletion();
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  for (const auto& dictation : dictations->Items()) EXPECT_EQ(dictation->Status(), "Downloaded for Standard Transcription");
}

TEST_F(DictationEngineTest, DownloadNormalisesTheAudioAndMarksTheDictationsDownloaded) {
  WriteDownloads();
  server->DatabaseRequests()->Add(SpecWithDictations({1}, 2));
  RunToCompletion();
  for (const std::int32_t id : {7, 9, 12, 15, 20}) {
    const auto dictation = dictations->Item("U" + std::to_string(id), "0");
    EXPECT_EQ(dictation->ErrorString(), "") << id;
    EXPECT_EQ(dictation->Status(), "Downloaded for Standard Transcription") << id;
    EXPECT_NE(dictation->DownloadTime(), "") << id;
    EXPECT_TRUE(std::filesystem::exists(downloads / ("Local_" + std::to_string(id) + ".wav"))) << id;
  }
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
}

TEST_F(DictationEngineTest, ChecksumFailureRepeatsTheWholeDownload) {
  WriteDownloads(12);
  const auto request = server->DatabaseRequests()->Add(SpecWithDictations({1}, 2));
  Step();
  EXPECT_EQ(request->Retries(), 1);
  EXPECT_EQ(dictations->Item("U12", "0")->ErrorString(), "");
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"), HasSubstr("Checksum error occurred during download of utterance 12"));
  WriteDownloads();  // the second download brings good files
  clock.AdvanceBy(5000ms);
  clock.Turn();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_THAT(ListedIDs(services->Calls()[1]), ElementsAre(7, 9, 12, 15, 20));
  RunToCompletion();
  EXPECT_EQ(dictations->Item("U12", "0")->Status(), "Downloaded for Standard Transcription");
}

TEST_F(DictationEngineTest, PerDictationErrorsStayWithTheirDictations) {
  WriteDownloads();
  services->Script(Action::DBR_DOWNLOAD, ScriptedAnswer::Errors({"", "Utterance 12: No such dictation  documentVersion=0", "",
                                                    "Utterance 99: No such dictation  documentVersion=0",
                                                    "Server could not read the list"}));
  server->DatabaseRequests()->Add(SpecWithDictations({1}, 2));
  RunToCompletion();
  EXPECT_EQ(dictations->Item("U12", "0")->ErrorString(), "Utterance 12: No such dictation  documentVersion=0");
  EXPECT_EQ(dictations->Item("U12", "0")->ErrorAction().ToLong(), 1);
  EXPECT_EQ(dictations->Item("U7", "0")->ErrorString(), "");
  const std::string errors = ReadFile(folder / "Logs/Server_Errors.txt");
  EXPECT_THAT(errors, HasSubstr("During action type 1: 99 is an invalid UtteranceKey"));
  EXPECT_THAT(errors, HasSubstr("No utteranceID could be stripped from this error message: \r\nServer could not read the list"));
  EXPECT_THAT(errorAtCompletion, ElementsAre("")) << "dictation errors do not end the request";
}

TEST_F(DictationEngineTest, NoDictationLeftClosesOnTheFirstTryAndSkipsOnARetry) {
  server->DatabaseRequests()->Add(SpecWithDictations({1, 2}, 2));
  for (const auto& dictation : dictations->Items()) dictation->SetErrorString("failed earlier");
  RunToCompletion();
  EXPECT_TRUE(services->Calls().empty());
  EXPECT_THAT(DetailLog(), HasSubstr("No utterances found to process for an action which needs them.  Closing request."));
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));

  client->completed.clear();
  const auto retried = server->DatabaseRequests()->Add(SpecWithDictations({1, 2}, 2));
  for (const auto& dictation : dictations->Items()) dictation->SetErrorString("failed earlier");
  retried->SetRetries(1);
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 1u);
  EXPECT_EQ(services->Calls()[0].action, Action::DBR_GETWORKQUEUE) << "the download is skipped, the work queue still fetched";
}

TEST_F(DictationEngineTest, UploadThatFindsNoHostKeepsRedoFilesInsteadOfRetrying) {
  server->DatabaseRequests()->ConnectionInfo()->SetCurrentLocation("North Clinic");
  std::filesystem::create_directories(downloads);
  auto spec = SpecWithDictations({0, 2}, 5);
  spec->GenericRequests()->Add(0)->Parameters()->Add("4", "UploadFlags");
  spec->SetLocation("North Clinic");
  services->Script(Action::DBR_UPLOAD, ScriptedAnswer::TimeOutAfter({}, kTimeOut));
  services->Script(Action::DBR_UPLOAD, ScriptedAnswer::Errors({"(12029) Cannot connect to institution.example:443"}));
  const auto request = server->DatabaseRequests()->Add(spec);
  Step();
  EXPECT_EQ(request->Retries(), 1) << "a time-out is retried as usual";
  for (int i = 0; i < 4 && client->completed.empty(); ++i) {
    clock.AdvanceBy(5000ms);
    clock.Turn();
  }
  EXPECT_THAT(client->completed, ElementsAre("DBR00001"));
  ASSERT_EQ(services->Calls().size(), 2u) << "no retry once the host is unreachable, and no work queue";
  EXPECT_EQ(services->Calls()[1].arguments.Named("UploadFlags"), "4") << "the retry takes the same parameter set";
  for (const std::int32_t id : {7, 9, 12, 15, 20}) {
    const std::string name = std::to_string(id);
    EXPECT_EQ(ReadFile(downloads / ("Local_" + name + ".rdu")),
              "Upload of utterance " + name + " failed because remote host was unavailable.\r\n");
    const auto dictation = dictations->Item("U" + name, "0");
    EXPECT_THAT(dictation->ErrorString(), HasSubstr("was not uploaded because the database was not available"));
    EXPECT_EQ(dictation->ErrorAction().ToLong(), 0);
    EXPECT_EQ(dictation->StatusCode(), 6);
  }
  ASSERT_FALSE(prompter->Shown().empty());
  EXPECT_EQ(prompter->Shown().back().title, "Serious System Problem at North Clinic");
  EXPECT_THAT(prompter->Shown().back().text,
              HasSubstr("Your computer could not connect to the North Clinic database.  Please contact"));
  EXPECT_THAT(prompter->Shown().back().text,
              HasSubstr("The following utterances were not uploaded:\r\n\r\n7\r\n9\r\n12\r\n15\r\n20"));
}

}  // namespace
}  // namespace vz
