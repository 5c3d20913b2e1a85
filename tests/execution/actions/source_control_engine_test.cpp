// Check-out, check-in and unlock through the pump with scripted client services: the operation
// and values the source-control object is given, the saved copy a check-in reads the record back
// from, the pending note it sends, and the status changes its completion applies. Also the
// NewLogin event of the contacts download.
#include "engine_fixture.hpp"
#include "execution/actions/source_control.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadFile;

// The source-control object's Init values, by position.

class SourceControlEngineTest : public testing::DictationEngineTest {
 protected:
  void SetUp() override {
    DictationEngineTest::SetUp();
    server->DatabaseRequests()->ConnectionInfo()->SetMachineID("WS-1");
    std::filesystem::create_directories(downloads);
  }

  // A request with the five dictations whose configuration files the editor has written.
  std::shared_ptr<clsDatabaseRequest> AddWithDictations(std::vector<std::int32_t> actions, std::int16_t mode = 0,
                                                        const std::function<void(clsUtteranceObject&)>& editFirst = {}) {
    auto spec = SpecWithDictations(std::move(actions), 3);
    spec->WorkQueue()->SetWorkQueueMode(mode);
    spec->SetIsVersionGraded(true);
    for (const auto& dictation : dictations->Items()) {
      if (editFirst && dictation == dictations->Items().front()) editFirst(*dictation);
      dictation->WriteObjectToConfigFile(dictation->ConfigFile());
    }
    return server->DatabaseRequests()->Add(spec);
  }
  const ScriptedCall& OnlyScCall() {
    EXPECT_EQ(services->Calls().size(), 1u);
    return services->Calls().back();
  }
  std::vector<std::string> Statuses() const {
    std::vector<std::string> statuses;
    for (const auto& dictation : dictations->Items()) statuses.push_back(dictation->Status());
    return statuses;
  }
  std::vector<std::int32_t> StatusCodes() const {
    std::vector<std::int32_t> codes;
    for (const auto& dictation : dictations->Items()) codes.push_back(dictation->StatusCode());
    return codes;
  }
  std::string ErrorsLog() const { return ReadFile(folder / "Logs/Server_Errors.txt"); }
  std::filesystem::path ConfigOf(std::int32_t id) const { return downloads / ("Local_" + std::to_string(id) + ".cfg"); }
};

TEST_F(SourceControlEngineTest, EachActionSendsItsOperationWithEveryInitValue) {
  struct Case {
    std::int32_t action;
    std::int16_t mode;
    std::int16_t operation;
  };
  const Case cases[] = {{3, 0, 1}, {3, 3, 6}, {4, 0, 2}, {4, 3, 9}, {5, 0, 4}, {6, 0, 3}, {6, 3, 8}, {32, 0, 5}, {32, 3, 6}, {53, 1, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE("action " + std::to_string(c.action) + " in mode " + std::to_string(c.mode));
    client->completed.clear();
    const size_t before = services->Calls().size();
    const auto request = AddWithDictations({c.action}, c.mode);
    request->SetUsePendingReasons(true);
    RunToCompletion();
    ASSERT_EQ(services->Calls().size(), before + 1);
    const ScriptedCall& call = services->Calls().back();
    EXPECT_EQ(call.action, ActionFromId(c.action));
    const auto& init = std::get<SourceControlInit>(call.init);
    EXPECT_EQ(init.url, "https://institution.example/servlet");
    EXPECT_EQ(init.operation, c.operation);
    EXPECT_EQ(init.login, "jsmith");
    EXPECT_EQ(init.password, "s3cret!");
    EXPECT_TRUE(init.usePendingReasons);
    EXPECT_EQ(init.pendingNote, "");
    EXPECT_EQ(init.machineID, "WS-1");
    EXPECT_EQ(init.workQueueMode, c.mode);
    EXPECT_EQ(init.splitPendingNote, c.operation == 4 ? "-1" : "");
    EXPECT_FALSE(init.useMTReview);
    EXPECT_TRUE(call.arguments.named.empty() && call.arguments.templates.empty()) << "the dictation list alone";
    // A reviewer checks out one dictation at a time.
    if (c.action == 3 && c.mode == 3) {
      EXPECT_THAT(ListedIDs(call), ElementsAre(7));
    } else {
      EXPECT_THAT(ListedIDs(call), ElementsAre(7, 9, 12, 15, 20));
    }
  }
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("Checkout dictation 7 using MachineID: WS-1"));
  EXPECT_THAT(log, HasSubstr("m_Sc.init https://institution.example/servlet, 2, jsmith"));
  EXPECT_THAT(log, Not(HasSubstr("s3cret!")));
}

TEST_F(SourceControlEngineTest, CompletionsChangeTheStatusesTheirActionStandsFor) {
  constexpr const char* kReady = "Ready for Transcription";
  constexpr const char* kDownloaded = "Downloaded for Standard Transcription";
  constexpr const char* kLocked = "Downloaded and Checked out for Standard Transcription";
  struct Case {
    std::int32_t action;
    std::int16_t mode;
    const char* before;
    const char* after;
    std::int32_t statusCode;  // of every dictation afterwards
  };
  const Case cases[] = {
      {3, 0, kReady, "Checked out for Standard Transcription", 0},
      {3, 0, kDownloaded, kLocked, 0},
      {3, 3, kReady, kReady, 0},  // a reviewer's check-out changes nothing
      {4, 0, kLocked, kLocked, 5},
      {5, 0, kLocked, kLocked, 5},
      {53, 0, kLocked, kLocked, 5},
      {6, 0, kLocked, kDownloaded, 0},
      {6, 0, "Checked out for Edited Transcription", "Ready for Editing", 0},
      {32, 0, kLocked, kLocked, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("action " + std::to_string(c.action) + " from " + c.before);
    client->completed.clear();
    errorAtCompletion.clear();
    auto spec = SpecWithDictations({c.action}, 3);
    spec->WorkQueue()->SetWorkQueueMode(c.mode);
    for (const auto& dictation : dictations->Items()) {
      dictation->SetStatus(c.before);
      dictation->WriteObjectToConfigFile(dictation->ConfigFile());
    }
    server->DatabaseRequests()->Add(spec);
    RunToCompletion();
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    EXPECT_EQ(Statuses(), std::vector<std::string>(5, c.after));
    EXPECT_EQ(StatusCodes(), std::vector<std::int32_t>(5, c.statusCode));
  }
}

TEST_F(SourceControlEngineTest, ACheckInWithANoteSendsItsDocumentAsOperationFour) {
  struct Case {
    const char* name;
    std::function<void(clsUtteranceObject&)> edit;
    std::string notes;  // what the document carries
    const char* splitNote;
  };
  const Case cases[] = {
      {"items",
       [](clsUtteranceObject& record) { record.AddPendingNoteItem(kPendingQuorvaneistMessage, "Unclear at 01:12", std::nullopt, std::nullopt); },
       // Read back from the configuration file, the items' line ends are LF.
       "<item>\n<type>7</type>\n<text>Unclear at 01:12</text>\n</item>", "-1"},
      {"readable text only",
       [](clsUtteranceObject& record) {
         record.SetCurrentPendingNote("Dose < 5 mg & rising");
         record.SetTextProperty("PotentialPendingNoteForSplit", "PotentialPendingNoteForSplit", "split here");
       },
       "<item>\r\n<type>7</type>\r\n<text>Dose &lt; 5 mg &amp; rising</text>\r\n</item>", "split here"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client->completed.clear();
    const size_t before = services->Calls().size();
    AddWithDictations({4}, 0, c.edit);
    RunToCompletion();
    ASSERT_EQ(services->Calls().size(), before + 1);
    const ScriptedCall& call = services->Calls().back();
    const auto& init = std::get<SourceControlInit>(call.init);
    EXPECT_EQ(init.operation, 4);
    EXPECT_EQ(init.pendingNote, "<?xml version=\"1.0\" ?>\r\n<pendingNote>\r\n" + c.notes + "\r\n</pendingNote>");
    EXPECT_EQ(init.splitPendingNote, c.splitNote);
    EXPECT_EQ(StatusCodes(), std::vector<std::int32_t>(5, 5));
  }
  EXPECT_THAT(DetailLog(), HasSubstr("Checkin dictation 7 with pending note: <?xml version=\"1.0\" ?>"));
}

TEST_F(SourceControlEngineTest, ACheckInReadsTheRecordBackAndFallsBackToItsSavedCopy) {
  struct Case {
    const char* name;
    const char* damagedFile;  // written over the first configuration file after the editor wrote it
    bool savedCopyUnwritable;
    const char* status;       // the checked-in record's, read from wherever it came
    std::vector<std::string> errors;
  };
  const std::string cfg = ConfigOf(7).string();
  const Case cases[] = {
      {"the editor's file", nullptr, false, "Edited by the editor", {}},
      {"no row in the file", "<Other/>", false, "Checked out for Standard Transcription",
       {"Error -1 reading " + cfg + ": No Row Element in XML"}},
      {"no XML at all", "<Row><queueStatus>", false, "Checked out for Standard Transcription", {"Error -1 reading " + cfg + ": "}},
      {"nor a saved copy", "<Other/>", true, "", {"Error -1 reading " + cfg + ": ", "Error 75 reading " + cfg + ".sav: "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client->completed.clear();
    std::filesystem::remove(folder / "Logs/Server_Errors.txt");
    std::filesystem::remove_all(downloads);
    auto spec = SpecWithDictations({4}, 3);
    std::filesystem::create_directories(downloads);
    for (const auto& dictation : dictations->Items()) {
      dictation->SetStatus("Checked out for Standard Transcription");
      dictation->WriteObjectToConfigFile(dictation->ConfigFile());
    }
    const auto original = dictations->Items().front();
    // What the editor wrote after the server last did.
    auto edited = std::make_shared<clsUtteranceObject>();
    edited->ReadConfigFileToObject(cfg);
    edited->SetStatus("Edited by the editor");
    edited->WriteObjectToConfigFile(cfg);
    if (c.damagedFile) platform::WriteFileAtomically(cfg, c.damagedFile);
    if (c.savedCopyUnwritable) std::filesystem::create_directories(cfg + ".sav/occupied");
    server->DatabaseRequests()->Add(spec);
    RunToCompletion();

    ASSERT_EQ(dictations->Count(), 5);
    const auto first = dictations->Items().front();
    EXPECT_EQ(first->UtteranceID(), 7);
    EXPECT_EQ(first->Status(), c.status);
    EXPECT_EQ(first->ConfigFile(), cfg);
    EXPECT_EQ(first->StatusCode(), 5);
    EXPECT_EQ(first == original, c.errors.empty()) << "a record read from elsewhere replaces the first dictation";
    EXPECT_EQ(dictations->Items()[1]->UtteranceID(), 9) << "the others keep their order";
    EXPECT_EQ(std::filesystem::exists(cfg + ".sav"), c.savedCopyUnwritable);
    const std::string errors = std::filesystem::exists(folder / "Logs/Server_Errors.txt") ? ErrorsLog() : "";
    for (const std::string& error : c.errors) EXPECT_THAT(errors, HasSubstr(error));
    if (c.errors.empty()) {
      EXPECT_EQ(errors, "");
    }
    EXPECT_EQ(std::get<SourceControlInit>(services->Calls().back().init).operation, 2);
  }
}

TEST_F(SourceControlEngineTest, UtteranceIDFromConfigurationFileName) {
  EXPECT_EQ(sfnUtteranceFromFileName("Local_1001.cfg"), "1001");
  EXPECT_EQ(sfnUtteranceFromFileName("/home/me/my_downloads/Local_47.cfg"), "47");
  EXPECT_EQ(sfnUtteranceFromFileName("1001.cfg"), "1001");
  EXPECT_EQ(sfnUtteranceFromFileName(".cf"), "");
}

TEST_F(SourceControlEngineTest, ARefusedCallShowsTheBoxAndEndsTheRequestWithStatusesUnchanged) {
  for (const std::int32_t action : {3, 4}) {
    SCOPED_TRACE("action " + std::to_string(action));
    client->completed.clear();
    errorAtCompletion.clear();
    const size_t boxes = prompter->Shown().size();
    services->Script(*ActionFromId(action), ScriptedAnswer::Refused());
    auto spec = SpecWithDictations({action, 2}, 3);
    for (const auto& dictation : dictations->Items()) {
      std::filesystem::create_directories(dictation->DownloadPath());
      dictation->WriteObjectToConfigFile(dictation->ConfigFile());
    }
    server->DatabaseRequests()->Add(spec);
    RunToCompletion();
    ASSERT_EQ(prompter->Shown().size(), boxes + 1);
    EXPECT_EQ(prompter->Shown().back().text, "Bad call to controlSourceAsync()");
    EXPECT_EQ(prompter->Shown().back().title, "Penwright MT");
    EXPECT_THAT(errorAtCompletion, ElementsAre("Bad call to controlSourceAsync()."));
    EXPECT_EQ(Statuses(), std::vector<std::string>(5, "Ready for Transcription"));
    // A failed check-in leaves its dictations waiting to be sent again, with the reason on disk.
    EXPECT_EQ(StatusCodes(), std::vector<std::int32_t>(5, action == 4 ? 6 : 0));
    const std::filesystem::path lastError = dictations->Item("U9", "0")->DownloadPath() + "/Local_9.err";
    EXPECT_EQ(std::filesystem::exists(lastError), action == 4);
    if (action == 4) {
      EXPECT_THAT(ReadFile(lastError), HasSubstr("Error returned from m_Sc.controlSourceAsync"));
    }
  }
  for (const auto& call : services->Calls()) {
    EXPECT_NE(call.action, Action::DBR_GETWORKQUEUE) << "the request ends at the refusal";
  }
}

TEST_F(SourceControlEngineTest, AFailedDictationKeepsItsStatusWhileTheOthersChange) {
  services->Script(Action::DBR_CHECKOUT, ScriptedAnswer::Errors({"", "Utterance 9: Utterance 9 is checked out to mlee at workstation WS-2  documentVersion=0"}));
  auto spec = SpecWithDictations({3}, 3);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  EXPECT_THAT(Statuses(), ElementsAre("Checked out for Standard Transcription", "Ready for Transcription",
                                      "Checked out for Standard Transcription", "Checked out for Standard Transcription",
                                      "Checked out for Standard Transcription"));
  EXPECT_THAT(dictations->Item("U9", "0")->ErrorString(), HasSubstr("is checked out to mlee at workstation WS-2"));
}

TEST_F(SourceControlEngineTest, ATimeOutRetriesTheDictationsNotYetDone) {
  services->Script(Action::DBR_CHECKOUT, ScriptedAnswer::TimeOutAfter({"7", "9"}, testing::kTimeOut));
  auto spec = SpecWithDictations({3}, 3);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion(40);
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_THAT(ListedIDs(services->Calls()[1]), ElementsAre(12, 15, 20));
  EXPECT_EQ(Statuses(), std::vector<std::string>(5, "Checked out for Standard Transcription"));
  EXPECT_THAT(DetailLog(), HasSubstr("Handling timeout"));
}

TEST_F(SourceControlEngineTest, TheContactsDownloadRaisesNewLoginBeforeItsStatus) {
  auto info = server->DatabaseRequests()->ConnectionInfo();
  info->SetInstitutionID("12");
  info->SetInstitutionDirectory("north");
  auto spec = Spec({11}, 20);
  spec->GenericRequests()->Add(11);
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_GE(client->events.size(), 2u);
  EXPECT_THAT(std::vector<std::string>(client->events.begin(), client->events.begin() + 2), ElementsAre("NewLogin", "LoginStatus"));
  const std::string log = DetailLog();
  const auto initiating = log.find("Initiating download of contacts file.");
  const auto returned = log.find("Returned from NewLogin event.");
  ASSERT_NE(initiating, std::string::npos);
  ASSERT_NE(returned, std::string::npos);
  EXPECT_LT(initiating, returned);
}

}  // namespace
}  // namespace vz
