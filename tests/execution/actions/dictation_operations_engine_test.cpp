// The dictation operations through the pump with scripted client services: the single answers
// with their lookup and retry rules, the pending note a failed field update leaves, split and
// creation, the settings, QA grading and pending-reason files, the records dictation information
// and permissions rewrite, the review arguments of the work-queue call and the review-mode list.
#include "engine_fixture.hpp"
#include "dictation/utterances.hpp"
#include "execution/actions/dictation_operations_files.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::kTimeOut;
using testing::ReadFile;

class DictationOperationsTest : public testing::DictationEngineTest {
 protected:
  void SetUp() override {
    DictationEngineTest::SetUp();
    ConnectAtNorthClinic();
  }

  // A request for the connection's location, with the fixture's dictations 7, 9, 12, 15, 20.
  std::shared_ptr<clsRequestSpec> SpecHere(std::vector<std::int32_t> actions, std::int32_t kind = 1) {
    auto spec = SpecWithDictations(std::move(actions), kind);
    spec->SetLocation("North Clinic");
    return spec;
  }
  std::shared_ptr<clsGenericRequest> AddSet(const std::shared_ptr<clsRequestSpec>& spec, std::int32_t action,
                                            std::vector<std::pair<std::string, std::string>> parameters = {}) {
    auto generic = spec->GenericRequests()->Add(action);
    for (const auto& [name, value] : parameters) generic->Parameters()->Add(value, name);
    return generic;
  }
  std::shared_ptr<clsDatabaseRequest> Submit(const std::shared_ptr<clsRequestSpec>& spec,
                                             const std::function<void(clsDatabaseRequest&)>& beforeRun = {}) {
    client->completed.clear();
    auto request = server->DatabaseRequests()->Add(spec);
    if (beforeRun) beforeRun(*request);
    RunToCompletion(40);
    return request;
  }
  std::vector<Action> ActionsCalled() const {
    std::vector<Action> actions;
    for (const auto& call : services->Calls()) actions.push_back(call.action);
    return actions;
  }
  static std::vector<std::string> Errors(const std::shared_ptr<clsGenericRequest>& generic) {
    std::vector<std::string> texts;
    for (std::int32_t i = 1; i <= generic->ErrorMessages()->Count(); ++i) texts.push_back(generic->ErrorMessages()->Item(Value(i)).ToString());
    return texts;
  }
  std::string ErrorsLog() const {
    const auto log = platform::ReadWholeFile(folder.Path() / "Logs/Server_Errors.txt");
    return log.value_or("");
  }

};

// --- single answers ------------------------------------------------------------------------------

struct SingleAnswerRow {
  Action action;
  bool retries;       // a time-out is retried
  bool vanilla;       // the closing text when no parameter set is left
  const char* name;
};

const SingleAnswerRow kSingleAnswers[] = {
    {Action::DBR_GETMETRICS, false, true, "Transcription Metrics"},
    {Action::DBR_GETRELEASEINFO, true, true, "GetRelInfo"},
    {Action::DBR_GATEWAYSEND, true, false, "GatewaySender"},
    {Action::DBR_GETOPTIONS, true, false, "GetOptions"},
    {Action::DBR_SENDOPTIONS, true, false, "SendOptions"},
    {Action::DBR_LINKDICTATION, false, true, "Link Dictation"},
    {Action::DBR_QASCORE, true, true, "QAScore"},
    {Action::DBR_REMOVEQAREVIEW, true, true, "RemoveQAReview"},
    {Action::DBR_GETNUMREVIEWS, true, true, "NumReviews"},
    {Action::DBR_GETRDRTRANSCRIPTIONISTS, true, true, "RDRTranscriptionists"},
    {Action::DBR_GETAVERAGEQAGRADE, true, true, "Average QA Grade"},
    {Action::DBR_GETRDRREVIEWERS, true, true, "RDRReviewers"},
};

TEST_F(DictationOperationsTest, SingleAnswersFollowTheirLookupAndRetryRules) {
  for (const SingleAnswerRow& row : kSingleAnswers) {
    SCOPED_TRACE(row.name);
    // The answer goes to the parameter set under ID "1"; a time-out is retried or recorded.
    errorAtCompletion.clear();
    const size_t before = services->Calls().size();
    services->Script(row.action, ScriptedAnswer::Error(kTimeOut));
    services->Script(row.action, ScriptedAnswer::Success("<InfoResponse>" + std::string(row.name) + "</InfoResponse>"));
    auto spec = SpecHere({IdOf(row.action)});
    const auto generic = AddSet(spec, IdOf(row.action));
    Submit(spec);
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    if (row.retries) {
      EXPECT_EQ(services->Calls().size() - before, 2u);
      EXPECT_THAT(Errors(generic), IsEmpty());
      ASSERT_EQ(generic->ResponseStrings()->Count(), 1);
      EXPECT_EQ(generic->ResponseStrings()->Item(Value("1")), "<InfoResponse>" + std::string(row.name) + "</InfoResponse>");
    } else {
      EXPECT_EQ(services->Calls().size() - before, 1u);
      EXPECT_THAT(Errors(generic), ElementsAre(kTimeOut));
    }

    // Without a parameter set the request ends with the handler's text (whatever the call answers:
    // the answer not taken above, or an empty one).
    errorAtCompletion.clear();
    Submit(SpecHere({IdOf(row.action)}));
    const std::string expected = row.vanilla ? "Unexpected internal error: Could not retrieve GenericRequest object when handling " +
                                                   std::string(row.name) + " request."
                                             : "No free GenericRequest objects on return from " + std::string(row.name) + " request.";
    EXPECT_THAT(errorAtCompletion, ElementsAre(expected));
  }
  EXPECT_THAT(DetailLog(), HasSubstr("Completed QAScore request successfully."));
  EXPECT_THAT(DetailLog(), HasSubstr("Completed RemoveQAReview request successfully."));
}

// --- field updates ------------------------------------------------------------------------------

TEST_F(DictationOperationsTest, FailedFieldUpdateKeepsThePendingNoteInTheRecordsFile) {
  struct Case {
    Action action;
    const char* pendingNote;
    const char* error;
    const char* note;  // expected
    bool closes;       // the following action does not run
  };
  const Case cases[] = {
      {Action::DBR_UPDATEFIELD, "Call the doctor", "Field duration cannot be updated", "Call the doctor:\r\nField duration cannot be updated", false},
      {Action::DBR_UPDATEFIELD, "", "Field duration cannot be updated", "Field duration cannot be updated", false},
      {Action::DBR_UPDATEDICTATION, "Recheck MRN", "No such dictation", "Recheck MRN:\r\nNo such dictation", true},
      {Action::DBR_UPDATEDICTFIELDS, "", "com.quorvane.servlet.UpdateDictFieldsException: Malformed headerData", "Malformed headerData", true},
      {Action::DBR_UPDATEDICTFIELDS, "Fix", "Plain: text", "Fix:\r\nPlain: text", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(IdOf(c.action)) + " " + c.error);
    services->Script(c.action, ScriptedAnswer::Error(c.error));
    auto spec = SpecHere({IdOf(c.action), 27});
    const auto generic = AddSet(spec, IdOf(c.action), {{"utteranceID", "7"}, {"type", "duration"}, {"value", "99"}, {"PendingNote", c.pendingNote}});
    AddSet(spec, 27);
    const size_t before = services->Calls().size();
    Submit(spec);
    EXPECT_THAT(Errors(generic), ElementsAre(c.error));
    const auto first = dictations->Item("U7", "0");
    EXPECT_EQ(first->CurrentPendingNote(), c.note);
    // The file holds it too, as the editor reads it back (line ends as a reload gives them).
    clsUtteranceObject reread;
    reread.ReadConfigFileToObject((downloads / "Local_7.cfg").string());
    std::string expected = c.note;
    if (const auto at = expected.find("\r\n"); at != std::string::npos) expected.erase(at, 1);
    EXPECT_EQ(reread.CurrentPendingNote(), expected);
    EXPECT_EQ(services->Calls().size() - before, c.closes ? 1u : 2u);
  }
}

// --- split --------------------------------------------------------------------------------------

TEST_F(DictationOperationsTest, SplitTakesTheNewDictationsIDOrEndsTheRequest) {
  struct Case {
    const char* answer;
    const char* splitID;
    const char* error;      // at completion
    const char* logged;     // in the errors log
  };
  const Case cases[] = {
      {"<InfoResponse><UtteranceID>1006</UtteranceID></InfoResponse>", "1006", "", ""},
      {"<InfoResponse><UtteranceID>01006</UtteranceID></InfoResponse>", "1006", "", ""},
      // IDs that only a loose reading makes a number are no dictation's.
      {"<InfoResponse><UtteranceID> 1006 </UtteranceID></InfoResponse>", "", "Unable to determine SplitDictations Utterance ID in SplitDictation request.",
       "Unexpected format in XML returned by SplitDictation request"},
      {"<InfoResponse><UtteranceID>1.006e3</UtteranceID></InfoResponse>", "", "Unable to determine SplitDictations Utterance ID in SplitDictation request.",
       "Unexpected format in XML returned by SplitDictation request"},
      {"<InfoResponse><Split/></InfoResponse>", "", "Unable to determine SplitDictations Utterance ID in SplitDictation request.",
       "Unexpected format in XML returned by SplitDictation request: <InfoResponse><Split/></InfoResponse>"},
      {"<InfoResponse><UtteranceID>../x</UtteranceID></InfoResponse>", "", "Unable to determine SplitDictations Utterance ID in SplitDictation request.",
       "Unexpected format in XML returned by SplitDictation request"},
      {"<InfoResponse><UtteranceID>", "", "Unable to determine SplitDictations Utterance ID in SplitDictation request.",
       " parsing XML returned from SplitDictation request: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    errorAtCompletion.clear();
    services->Script(Action::DBR_SPLITDICTATION, ScriptedAnswer::Success(c.answer));
    auto spec = SpecHere({26, 27});
    const auto generic = AddSet(spec, 26, {{"utteranceID", "7"}, {"audioStart", "0"}, {"audioEnd", "1000"}});
    AddSet(spec, 27);
    const size_t before = services->Calls().size();
    const auto request = Submit(spec);
    EXPECT_EQ(request->SplitDictationID(), c.splitID);
    EXPECT_THAT(errorAtCompletion, ElementsAre(c.error));
    EXPECT_EQ(services->Calls().size() - before, *c.error ? 1u : 2u);
    EXPECT_EQ(generic->ResponseStrings()->Items(), std::vector<std::string>{c.answer});
    if (*c.logged) {
      EXPECT_THAT(ErrorsLog(), HasSubstr(c.logged));
    }
  }
  // A failed split ends the request; a time-out is tried again.
  errorAtCompletion.clear();
  services->Script(Action::DBR_SPLITDICTATION, ScriptedAnswer::Error(kTimeOut));
  services->Script(Action::DBR_SPLITDICTATION, ScriptedAnswer::Error("Bad audio range"));
  auto spec = SpecHere({26, 27});
  const auto generic = AddSet(spec, 26);
  AddSet(spec, 27);
  Submit(spec);
  EXPECT_THAT(Errors(generic), ElementsAre("Bad audio range"));
  EXPECT_EQ(ActionsCalled().back(), Action::DBR_SPLITDICTATION);
}

TEST_F(DictationOperationsTest, TestSplitFlagLetsTheTesterChooseTheOutcome) {
  platform::WriteFileAtomically(AppFile("TestSplit.flg"), "");
  struct Case {
    int answer;
    const char* splitID;
    const char* error;
  };
  const Case cases[] = {{1, "1006", ""}, {2, "1006", "Bogus error message for debugging"}, {3, "", "Bogus error message for debugging"},
                        {7, "1006", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    errorAtCompletion.clear();
    prompter->Answer(c.answer);
    services->Script(Action::DBR_SPLITDICTATION, ScriptedAnswer::Success("<InfoResponse><UtteranceID>1006</UtteranceID></InfoResponse>"));
    auto spec = SpecHere({26});
    AddSet(spec, 26);
    const auto request = Submit(spec);
    EXPECT_EQ(request->SplitDictationID(), c.splitID);
    EXPECT_THAT(errorAtCompletion, ElementsAre(c.error));
    ASSERT_FALSE(prompter->Shown().empty());
    EXPECT_EQ(prompter->Shown().back().title, "Penwright Debugging");
    EXPECT_THAT(prompter->Shown().back().text, HasSubstr("3 = Return an error with no split ID"));
  }
  EXPECT_THAT(DetailLog(), HasSubstr("Unexpected response.  Continuing with normal processing"));
}

// --- create ---------------------------------------------------------------------------------------

TEST_F(DictationOperationsTest, CreatedDictationBecomesTheRequestsOnlyRecordWithItsFile) {
  info->SetCurrentDatabaseURL("https://north.example/servlet");
  services->Script(Action::DBR_CREATEDICTATION,
                   ScriptedAnswer::Success("<InfoResponse><WorkQueueItem><utteranceID>2001</utteranceID><locationID>3</locationID>"
                                           "<queueStatus>Ready for Transcription</queueStatus></WorkQueueItem></InfoResponse>"));
  const auto request = Submit(SpecHere({33}));
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_EQ(services->Calls().at(0).arguments.Named("machineID"), "WS-1");
  const auto created = request->Dictations();
  ASSERT_EQ(created->Count(), 1);
  const auto record = created->Items().front();
  EXPECT_EQ(record->UtteranceID(), 2001);
  const std::string file = (folder.Path() / "App/Downloads/Local_2001.cfg").string();
  EXPECT_EQ(record->ConfigFile(), file);
  const std::string written = ReadFile(file);
  EXPECT_THAT(written, HasSubstr("<DatabaseURL>https://north.example/servlet</DatabaseURL>"));
  EXPECT_THAT(written, HasSubstr("<MachineID>WS-1</MachineID>"));

  struct Case {
    ScriptedAnswer answer;
    const char* error;
  };
  const Case failures[] = {
      {ScriptedAnswer::Success("<InfoResponse><Nothing/></InfoResponse>"),
       "The database returned invalid XML while creating a new dictation: No Row or WorkQueueItem Element in XML"},
      {ScriptedAnswer::Error("Wrong locationID 4"), "Wrong locationID 4"},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.error);
    errorAtCompletion.clear();
    services->Script(Action::DBR_CREATEDICTATION, c.answer);
    Submit(SpecHere({33, 27}));
    ASSERT_EQ(errorAtCompletion.size(), 1u);
    EXPECT_THAT(errorAtCompletion[0], ::testing::StartsWith(c.error));
    EXPECT_EQ(ActionsCalled().back(), Action::DBR_CREATEDICTATION) << "nothing follows a failed creation";
  }

  // An answer without any ID is the request's dictation, without a file to name; the request goes on.
  errorAtCompletion.clear();
  services->Script(Action::DBR_CREATEDICTATION,
                   ScriptedAnswer::Success("<InfoResponse><WorkQueueItem><queueStatus>x</queueStatus></WorkQueueItem></InfoResponse>"));
  auto goesOn = SpecHere({33, 27});
  AddSet(goesOn, 27);
  const auto withoutID = Submit(goesOn);
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  EXPECT_EQ(ActionsCalled().back(), Action::DBR_GETOPTIONS);
  ASSERT_EQ(withoutID->Dictations()->Count(), 1);
  EXPECT_EQ(withoutID->Dictations()->Items().front()->ConfigFile(), "");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "App/Downloads/Local_0.cfg"));
}

// --- settings files -----------------------------------------------------------------------------

TEST_F(DictationOperationsTest, SettingsAnswersBecomeFilesNamedForTheInstitution) {
  struct Case {
    Action action;
    const char* file;
    const char* failure;  // GlobalErrorMessage of another error, or "" when the request goes on
  };
  const Case cases[] = {
      {Action::DBR_GETAPPFEATURES, "AppConsoleFeatures_12_3_Dev.xml", ""},
      {Action::DBR_GETQAGRADECRITERIA, "QAGradeCriteria_12_3_Dev.xml",
       "Unexpected internal error: Could not retrieve Grading Criteria.  Error returned: Database down"},
      {Action::DBR_GETPRCRITERIA, "PendingCriteria_12_3_Dev.xml",
       "Unexpected internal error: Could not retrieve Pending Criteria.  Error returned: Database down"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    errorAtCompletion.clear();
    services->Script(c.action, ScriptedAnswer::Error(kTimeOut));
    services->Script(c.action, ScriptedAnswer::Success("<InfoResponse><Feature name=\"QA\"/></InfoResponse>"));
    auto spec = SpecHere({IdOf(c.action)});
    const auto generic = AddSet(spec, IdOf(c.action));
    Submit(spec);
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
    EXPECT_EQ(ReadFile(AppFile(c.file)), "<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n<InfoResponse>\r\n    <Feature name=\"QA\"/>\r\n</InfoResponse>\r\n");
    EXPECT_EQ(generic->ResponseStrings()->Count(), 0) << "the file instead of a response string";

    // An answer that is no XML is reported in the parameter set and the request goes on.
    services->Script(c.action, ScriptedAnswer::Success("not xml"));
    auto broken = SpecHere({IdOf(c.action)});
    const auto brokenSet = AddSet(broken, IdOf(c.action));
    Submit(broken);
    ASSERT_EQ(Errors(brokenSet).size(), 1u);
    EXPECT_THAT(Errors(brokenSet)[0], HasSubstr("Unable to write"));

    errorAtCompletion.clear();
    services->Script(c.action, ScriptedAnswer::Error("Database down"));
    auto failed = SpecHere({IdOf(c.action), 27});
    const auto failedSet = AddSet(failed, IdOf(c.action));
    AddSet(failed, 27);
    const size_t before = services->Calls().size();
    Submit(failed);
    EXPECT_THAT(Errors(failedSet), ElementsAre("Database down"));
    EXPECT_THAT(errorAtCompletion, ElementsAre(c.failure));
    EXPECT_EQ(services->Calls().size() - before, *c.failure ? 1u : 2u);
    if (*c.failure) {
      EXPECT_THAT(ErrorsLog(), HasSubstr(c.failure));
    }
  }
  EXPECT_THAT(DetailLog(), HasSubstr("Writing QAGradeCriteria to " + AppFile("QAGradeCriteria_12_3_Dev.xml").string()));

  // A realm that would lead the name out of the application folder writes nothing.
  info->SetRealm("../../etc");
  services->Script(Action::DBR_GETAPPFEATURES, ScriptedAnswer::Success("<InfoResponse/>"));
  auto spec = SpecHere({47});
  const auto generic = AddSet(spec, 47);
  Submit(spec);
  ASSERT_EQ(Errors(generic).size(), 1u);
  EXPECT_THAT(Errors(generic)[0], HasSubstr("does not name a file in the application folder"));
}

// --- QA grading and pending-reason files ------------------------------------------------------

TEST_F(DictationOperationsTest, GradingAndPendingReasonAnswersAreWrittenWholePerDictation) {
  ScriptedAnswer grading;
  grading.errors = true;
  grading.errorArray = {"", "", "Utterance 12: You may not view the errors for dictation version 0 of dictation: 12  documentVersion=0", "", ""};
  grading.dictationResponses = {"<InfoResponse>seven\r\n</InfoResponse>", "<InfoResponse>nine</InfoResponse>", "", "", ""};
  services->Script(Action::DBR_DOWNLOADQAG, grading);
  ScriptedAnswer reasons = ScriptedAnswer::Success();
  reasons.dictationResponses = {"", "<InfoResponse>pr nine</InfoResponse>"};
  services->Script(Action::DBR_DOWNLOADPRS, reasons);
  auto spec = SpecHere({51, 61});
  spec->WorkQueue()->SetWorkQueueMode(2);
  Submit(spec, [](clsDatabaseRequest& request) { request.SetUseMTReview(true); });
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(ListedIDs(services->Calls()[0]), (std::vector<std::int32_t>{7, 9, 12, 15, 20}));
  EXPECT_EQ(services->Calls()[0].arguments.Named("workQueueMode"), "2");
  EXPECT_EQ(services->Calls()[0].arguments.Named("useMTReview"), "True");
  EXPECT_EQ(ListedIDs(services->Calls()[1]), (std::vector<std::int32_t>{7, 9, 15, 20})) << "12 failed";
  EXPECT_EQ(services->Calls()[1].arguments.Named("workQueueMode"), "2");

  EXPECT_EQ(ReadFile(downloads / "Local_7.QAG"), "<InfoResponse>seven\r\n</InfoResponse>");
  EXPECT_EQ(ReadFile(downloads / "Local_9.QAG"), "<InfoResponse>nine</InfoResponse>");
  EXPECT_THAT(ReadFile(downloads / "Local_12.QAG"), HasSubstr("<InfoResponse xmlns="));
  EXPECT_FALSE(std::filesystem::exists(downloads / "Local_15.QAG"));
  EXPECT_THAT(dictations->Item("U12", "0")->ErrorString(), HasSubstr("You may not view"));
  EXPECT_EQ(ReadFile(downloads / "Local_9.pr"), "<InfoResponse>pr nine</InfoResponse>");
  EXPECT_FALSE(std::filesystem::exists(downloads / "Local_7.pr"));
  EXPECT_THAT(DetailLog(), HasSubstr("User doesn't have permission to download QAG file"));
  EXPECT_THAT(DetailLog(), HasSubstr("Writing PRs for utterance 9"));

  // Nothing retrieved, and a time-out after two dictations: the retry asks for the others.
  services->Script(Action::DBR_DOWNLOADPRS, ScriptedAnswer::TimeOutAfter({"7", "9"}, kTimeOut));
  Submit(SpecHere({61}));
  ASSERT_EQ(services->Calls().size(), 4u);
  EXPECT_EQ(ListedIDs(services->Calls()[3]), (std::vector<std::int32_t>{12, 15, 20}));
  EXPECT_THAT(DetailLog(), HasSubstr("No PRs files retrieved"));
  EXPECT_THAT(DetailLog(), HasSubstr("TimeoutOccurred"));
}

TEST(QAPermissionErrors, NameTheLeadingDigitsAfterTheDictationMarkerThatFollowsTheVersion) {
  struct Case {
    const char* text;
    const char* id;
  };
  const Case cases[] = {
      {"Utterance 42: You may not view the errors for dictation version 3 of dictation: 42  documentVersion=3", "42"},
      {"You may not view the errors for dictation version 0 of dictation:   17", "17"},
      {"You may not view the errors for dictation version 0 of dictation: 017 documentVersion=0", "17"},
      {"You may not view the errors for dictation version 0 of dictation: 18documentVersion=0", "18"},
      // The order the text had before: no "dictation:" after the first "version".
      {"You may not view the errors for dictation: 42 version 3", ""},
      {"You may not view the errors for dictation: 42", ""},
      {"You may not view the errors for dictation version 2 of dictation: abc", ""},
      {"You may not view the errors for dictation version 2 of dictation: -4", ""},
      {"You may not view the errors for dictation version 2 of dictation: 99999999999", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DictationOfQAPermissionError(c.text), c.id) << c.text;
}

TEST_F(DictationOperationsTest, AQARefusalNamingAnotherDictationKeepsItsGradingFile) {
  struct Case {
    const char* named;
    bool hasFile;  // the named dictation has a grading file already
    bool emptied;  // ... and it is replaced by the empty one
  };
  const Case cases[] = {
      {"12", true, true},    // one of the request's
      {"30", true, false},   // another dictation's unsent grading
      {"31", false, true},   // another dictation without one yet
      {"x31", false, false}, // no dictation at all: nothing, and no box
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    const std::filesystem::path file = downloads / (std::string("Local_") + (c.named[0] == 'x' ? c.named + 1 : c.named) + ".QAG");
    std::filesystem::remove(file);
    if (c.hasFile) testing::WriteFile(file, "<InfoResponse>unsent</InfoResponse>");
    ScriptedAnswer grading;
    grading.errors = true;
    grading.errorArray = {"Utterance 7: You may not view the errors for dictation version 0 of dictation: " + std::string(c.named) +
                          "  documentVersion=0"};
    services->Script(Action::DBR_DOWNLOADQAG, grading);
    Submit(SpecHere({51}));
    if (c.emptied) {
      EXPECT_THAT(ReadFile(file), HasSubstr("<InfoResponse xmlns="));
    } else if (c.hasFile) {
      EXPECT_EQ(ReadFile(file), "<InfoResponse>unsent</InfoResponse>");
    } else {
      EXPECT_FALSE(std::filesystem::exists(file));
    }
  }
  EXPECT_THAT(ErrorsLog(), HasSubstr("The refusal names dictation 30, which is not one of this request's: its grading file is kept."));
  EXPECT_TRUE(prompter->Shown().empty());
}

// --- records: dictation information and permissions ---------------------------------------------

TEST_F(DictationOperationsTest, PermissionsAndPendingNotesRewriteTheRecordsTheyName) {
  ScriptedAnswer permissions = ScriptedAnswer::Success();
  permissions.dictationResponses = {
      "<InfoResponse><DictationPermission utteranceID=\"7\" documentVersion=\"0\" HasMTReviewSGPermission=\"False\"/></InfoResponse>",
      "<InfoResponse><DictationPermission utteranceID=\"9\" documentVersion=\"4\" HasMTReviewSGPermission=\"False\"/></InfoResponse>",
      "not xml",
      "<InfoResponse><DictationPermission utteranceID=\"15\" documentVersion=\"0\" HasMTReviewSGPermission=\"True\"/></InfoResponse>"};
  services->Script(Action::DBR_GETDICTPERMISSIONS, permissions);
  ScriptedAnswer notes = ScriptedAnswer::Success();
  notes.dictationResponses = {"<InfoResponse><DictationInfo utteranceID=\"7\"><pendingNote>Audio &amp; text differ</pendingNote></DictationInfo></InfoResponse>"};
  services->Script(Action::DBR_GETDICTATIONINFO, notes);
  auto spec = SpecHere({62, 58});
  // A record without a configuration file gets one in the application's download folder.
  dictations->Item("U15", "0")->SetConfigFile("");
  Submit(spec);
  // Records 9 (another version) and 12 (no answer) are left alone.
  EXPECT_THAT(ReadFile(downloads / "Local_7.cfg"), HasSubstr("<HasMTReviewSGPermission>False</HasMTReviewSGPermission>"));
  EXPECT_THAT(ReadFile(downloads / "Local_7.cfg"), HasSubstr("<CurrentPendingNote>Audio &amp; text differ</CurrentPendingNote>"));
  EXPECT_FALSE(std::filesystem::exists(downloads / "Local_9.cfg"));
  EXPECT_FALSE(std::filesystem::exists(downloads / "Local_12.cfg"));
  EXPECT_THAT(ReadFile(folder.Path() / "App/Downloads/Local_15.cfg"), HasSubstr("<HasMTReviewSGPermission>True</HasMTReviewSGPermission>"));
  EXPECT_THAT(ErrorsLog(), HasSubstr("The database returned invalid XML for dictation 12: not xml"));
  EXPECT_THAT(DetailLog(), HasSubstr("found pending note for dictationid 7"));
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(ListedIDs(services->Calls()[0]), (std::vector<std::int32_t>{7, 9, 12, 15, 20}));
}

TEST_F(DictationOperationsTest, DictationListActionsWithoutDictationsMakeNoCall) {
  for (const std::int32_t action : {58, 61, 62}) {
    SCOPED_TRACE(action);
    errorAtCompletion.clear();
    auto spec = SpecHere({action});
    spec->SetUtterances(std::make_shared<clsUtterances>());
    Submit(spec);
    EXPECT_THAT(errorAtCompletion, ElementsAre(""));
  }
  EXPECT_TRUE(services->Calls().empty());
}

// --- review mode ----------------------------------------------------------------------------------

TEST_F(DictationOperationsTest, WorkQueueSendsTheReviewArgumentsOnlyInReviewMode) {
  struct Case {
    std::int16_t mode;
    bool withSet;
    std::vector<std::string> expected;  // Init values 7 to 10
  };
  const Case cases[] = {
      {3, true, {"mtaylor", "Y", "N", "jdoe"}},
      {3, false, {"", "N", "N", ""}},
      {0, true, {"", "N", "N", ""}},
      {2, true, {"", "N", "N", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    auto spec = Spec({2}, 1);
    spec->SetLocation("North Clinic");
    spec->WorkQueue()->SetWorkQueueMode(c.mode);
    if (c.withSet) {
      // The first parameter set holds them, whatever action it is for.
      AddSet(spec, 27, {{"includeViewed", "N"}, {"includeViewing", "Y"}, {"rdrTranscriptionist", "mtaylor"}, {"rdrReviewer", "jdoe"}});
    }
    const size_t before = services->Calls().size();
    Submit(spec);
    ASSERT_EQ(services->Calls().size(), before + 1);
    const auto& init = std::get<WorkQueueInit>(services->Calls().back().init);
    const std::vector<std::string> review = {init.rdrTranscriptionist, init.includeViewing, init.includeViewed, init.rdrReviewer};
    EXPECT_EQ(review, c.expected);
  }
  EXPECT_THAT(DetailLog(), HasSubstr("Returning mtaylor"));
}

TEST_F(DictationOperationsTest, ReviewModeDownloadsOneDictationAtATime) {
  struct Case {
    std::int16_t numToRetrieve;
    bool gridDownload;
    bool firstDownloaded;  // .wav and .hd3 of dictation 7 already there
    std::vector<std::int32_t> listed;  // empty: no call, the request closes
    std::int32_t dictationsLeft;
  };
  const Case cases[] = {
      {-1, false, false, {7}, 1},
      {5, false, false, {7}, 1},
      {6, false, false, {}, 0},   // fewer dictations than asked for
      {1, false, true, {}, 1},    // the first one is downloaded already
      {-1, true, false, {7, 9, 12, 15, 20}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.numToRetrieve);
    WriteDownloads();
    for (const char* extension : {".wav", ".hd3"}) {
      std::error_code ignored;
      std::filesystem::remove(downloads / (std::string("Local_7") + extension), ignored);
      if (c.firstDownloaded) platform::WriteFileAtomically(downloads / (std::string("Local_7") + extension), "x");
    }
    const size_t before = services->Calls().size();
    auto spec = SpecHere({1});
    spec->WorkQueue()->SetWorkQueueMode(3);
    spec->WorkQueue()->SetNumToRetrieve(c.numToRetrieve);
    spec->WorkQueue()->SetGridDownload(c.gridDownload);
    const auto request = Submit(spec);
    if (c.listed.empty()) {
      EXPECT_EQ(services->Calls().size(), before);
    } else {
      ASSERT_EQ(services->Calls().size(), before + 1);
      EXPECT_EQ(ListedIDs(services->Calls().back()), c.listed);
    }
    EXPECT_EQ(request->Dictations()->Count(), c.dictationsLeft);
    if (!c.gridDownload && c.dictationsLeft == 1) {
      EXPECT_EQ(request->WorkQueue()->NumToRetrieve(), 1);
    }
  }
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("NumUtterancesRequested (6) less than num utterances available (5). Returning 0."));
  EXPECT_THAT(log, HasSubstr("Reinitializing utterance collection to include only: 7"));
  EXPECT_THAT(log, HasSubstr("Utterance 7 already downloaded.  Ignoring."));
  EXPECT_THAT(log, HasSubstr("Utterance 7 has already been downloaded.  Returning 0."));
}

}  // namespace
}  // namespace vz
