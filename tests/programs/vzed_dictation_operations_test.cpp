// End to end, the dictation operations and QA: the simulator runs in this process on loopback,
// vzed in another with its HTTP client services, and a client drives it as the editor does. One
// test per family: field updates, split and creation, QA, settings, records, review mode. The
// institution's dictations are 40 to 44; the user may not review 42.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "editor_client.hpp"
#include "servlet_wire/basic_auth.hpp"
#include "simulated_institution.hpp"

namespace vz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// What the editor reads of a request inside DatabaseRequestComplete.
struct Outcome {
  std::string error;
  std::string splitID;
  std::vector<long> ids;
  std::map<long, std::map<std::string, std::string>> rows;  // the properties asked for, per dictation
};

class DictationOperationsEndToEnd : public SimulatedInstitutionTest {
 protected:
  DictationOperationsEndToEnd() {
    simulator::SimulatorConfig config = Config(5, 2);
    config.institutions[0].firstUtteranceID = 40;
    config.institutions[0].restrictedDictations = {42};
    Start(config);
    vzed = std::make_unique<VzedProcess>(std::vector<std::string>{}, std::vector<std::string>{}, Actions::kInstitution);
    editor = std::make_unique<EditorClient>(
        *vzed, EditorOptions{.logs = true,
                             // a communication failure is tried again at once
                             .server = {{"AppPath", vzed->folder / "App"}, {"RetryTimerInterval", 50}},
                             .login = Login{NorthURL(), {{"InstitutionID", "12"}, {"Realm", "Dev"}, {"MachineID", "WS-7"}}}});
    downloads = editor->downloads;
  }

  // A request specification with its work queue in `mode`.
  std::int64_t Spec(const std::vector<int>& actions, int mode = 0) { return editor->NewSpec(actions, 1, editor->NewWorkQueue(mode)); }
  // The dictations as records the editor keeps, each tied to its configuration file.
  void WithDictations(std::int64_t spec, const std::vector<long>& ids) {
    const auto collection = editor->New("NewUtteranceCollection");
    for (const long id : ids) editor->Call(collection, "Add", Json::array({id, 3, "Ready for Transcription", editor->ConfigFile(id), "0"}));
    editor->Set(spec, "Utterances", Ref(collection));
  }
  // Submits the request and serves events until it is complete; inside the handler reads what the
  // editor reads, the dictations' `properties` among it.
  Outcome Run(std::int64_t spec, const std::vector<std::string>& properties = {}) {
    Outcome outcome;
    editor->Run(spec, [&](std::int64_t request) {
      outcome.splitID = editor->Get(request, "SplitDictationID").get<std::string>();
      editor->ForEachDictation(request, [&](std::int64_t record) {
        const long id = editor->Get(record, "UtteranceID").get<long>();
        outcome.ids.push_back(id);
        for (const std::string& name : properties) outcome.rows[id][name] = editor->Call(record, "GetProperty", Json::array({name})).get<std::string>();
      });
    });
    outcome.error = editor->errorMessage;
    EXPECT_EQ(editor->completions, 1);
    return outcome;
  }

  std::filesystem::path App(const std::string& name) const { return vzed->folder.Path() / "App" / name; }

  // What the institution answers to `number` with `form`, straight from its servlets.
  std::string Served(const std::string& number, const std::string& form) {
    simulator::HttpExchange exchange;
    exchange.target = "/north/servlet/ScribeServlet?request=" + number;
    exchange.authorization = servlet_wire::EncodeBasicAuthorization("jdoe", "secret");
    exchange.contentType = "application/x-www-form-urlencoded";
    exchange.body = form;
    return institution->GetServlets().Handle(exchange).body;
  }
  simulator::WorkQueueReviewArguments LastWorkQueueCall() {
    return FromNorth([](const simulator::Institution& north) { return north.WorkQueueCalls().back(); });
  }

  std::unique_ptr<VzedProcess> vzed;
  std::filesystem::path downloads;
  std::unique_ptr<EditorClient> editor;
};

TEST_F(DictationOperationsEndToEnd, FieldUpdatesChangeTheQueueAndFailuresBecomePendingNotes) {
  // One field, and the whole dictation with a pending note: the next work queue shows both.
  auto spec = Spec({18, 15});
  const auto field = editor->AddParameterSet(spec, 18, {{"utteranceID", "40"}, {"type", "priority"}, {"value", "1"}, {"PendingNote", ""}});
  editor->AddParameterSet(spec, 15, {{"PendingNote", "Check the MRN"}, {"workType", "Operative Note"}});
  WithDictations(spec, {41});
  EXPECT_EQ(Run(spec).error, "");
  EXPECT_THAT(editor->Texts(field, "ResponseStrings"), ElementsAre(HasSubstr("<Updated utteranceID=\"40\" field=\"priority\"/>")));
  const Outcome queue = Run(Spec({2}), {"priority", "workType", "problemNote"});
  EXPECT_EQ(queue.rows.at(40).at("priority"), "1");
  EXPECT_EQ(queue.rows.at(41).at("workType"), "Operative Note");
  EXPECT_EQ(queue.rows.at(41).at("problemNote"), "Check the MRN");

  // Failed updates leave the editor's note and the servlet's text in the record's file.
  struct Case {
    int action;
    long id;
    Parameters parameters;
    std::string note;
  };
  const Case cases[] = {
      {18, 42, {{"utteranceID", "42"}, {"type", "duration"}, {"value", "5"}, {"PendingNote", "Call the doctor"}},
       "Call the doctor:\r\nField duration cannot be updated"},
      {18, 43, {{"utteranceID", "43"}, {"type", "duration"}, {"value", "5"}, {"PendingNote", ""}}, "Field duration cannot be updated"},
      {36, 44, {{"utteranceID", "44"}, {"headerData", "<headerData><duration>5</duration></headerData>"}}, "Field duration cannot be updated"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    auto failing = Spec({c.action});
    const auto set = editor->AddParameterSet(failing, c.action, c.parameters);
    WithDictations(failing, {c.id});
    EXPECT_EQ(Run(failing).error, "");
    EXPECT_EQ(editor->Texts(set, "ErrorMessages").size(), 1u);
    EXPECT_THAT(ReadFile(downloads / ("Local_" + std::to_string(c.id) + ".cfg")), HasSubstr("<CurrentPendingNote>" + c.note + "</CurrentPendingNote>"));
  }
  EXPECT_THAT(ReadFile(downloads / "Local_44.cfg"), ::testing::Not(HasSubstr("UpdateDictFieldsException")));
}

TEST_F(DictationOperationsEndToEnd, SplitAndCreatedDictationsJoinTheWorkQueue) {
  // The first try meets an unavailable servlet and is repeated.
  institution->Faults().Set("split", simulator::Fault::Status(503));
  auto split = Spec({26});
  editor->AddParameterSet(split, 26, {{"utteranceID", "40"}, {"audioStart", "500"}, {"audioEnd", "1500"}});
  const Outcome splitDone = Run(split);
  EXPECT_EQ(splitDone.error, "");
  EXPECT_EQ(splitDone.splitID, "45");

  const Outcome created = Run(Spec({33}));
  EXPECT_EQ(created.error, "");
  ASSERT_THAT(created.ids, ElementsAre(46));
  EXPECT_THAT(ReadFile(App("Downloads/Local_46.cfg")), HasSubstr("<MachineID>WS-7</MachineID>"));

  // Both are in the next queue and download like any other; the split one has its part of the audio.
  const Outcome queue = Run(Spec({2, 1}), {"OriginalID", "StartingAudioOffset", "EndingAudioOffset", "duration"});
  EXPECT_EQ(queue.error, "");
  EXPECT_THAT(queue.ids, ElementsAre(40, 41, 42, 43, 44, 45, 46));
  const auto& row = queue.rows.at(45);
  EXPECT_EQ(row.at("OriginalID"), "40");
  EXPECT_EQ(row.at("StartingAudioOffset"), "500");
  EXPECT_EQ(row.at("EndingAudioOffset"), "1500");
  EXPECT_EQ(row.at("duration"), "00:01");
  EXPECT_GT(std::filesystem::file_size(downloads / "Local_45.wav"), 44u);
  institution->GetServlets().Inspect("north", [](const simulator::Institution& north) {
    EXPECT_EQ(std::filesystem::file_size(north.Dictations().at(5).audio), 1024u + 8000u * 2u) << "one second at 8 kHz";
  });
}

TEST_F(DictationOperationsEndToEnd, ScoresChangeTheAverageAndGradingFilesTravelWhole) {
  const std::string mtaylor = "&transcriptionistLogin=mtaylor";
  auto before = Spec({55});
  const auto average = editor->AddParameterSet(before, 55, {{"ParmString", mtaylor}});
  Run(before);
  EXPECT_THAT(editor->Texts(average, "ResponseStrings"), ElementsAre(HasSubstr("<AverageGrade reviews=\"0\"></AverageGrade>")));

  auto scores = Spec({42, 42, 42, 55, 46});
  for (const auto& [id, score] : std::vector<std::pair<std::string, std::string>>{{"40", "80"}, {"41", "91"}, {"42", "70"}})
    editor->AddParameterSet(scores, 42, {{"transcriptionistLogin", "mtaylor"}, {"utteranceID", id}, {"reviewScore", score}, {"reviewNote", "ok"}});
  const auto after = editor->AddParameterSet(scores, 55, {{"ParmString", mtaylor}});
  const auto count = editor->AddParameterSet(scores, 46);
  EXPECT_EQ(Run(scores).error, "");
  EXPECT_THAT(editor->Texts(after, "ResponseStrings"), ElementsAre(HasSubstr("<AverageGrade reviews=\"2\">85.50</AverageGrade>")));
  EXPECT_THAT(editor->Texts(count, "ResponseStrings"), ElementsAre(HasSubstr("<NumReviews>2</NumReviews>")));

  // A grading file goes up and comes back byte for byte; 41's is the institution's own; 42 may not
  // be viewed and gets an empty one.
  const std::string grading = "<?xml version=\"1.0\"?>\r\n<InfoResponse xmlns=\"urn:x\"><Grade>A</Grade></InfoResponse>\r\n";
  std::ofstream(downloads / "Local_40.QAG", std::ios::binary) << grading;
  auto upload = Spec({50});
  WithDictations(upload, {40});
  EXPECT_EQ(Run(upload).error, "");
  std::filesystem::remove(downloads / "Local_40.QAG");

  auto download = Spec({51, 61});
  WithDictations(download, {40, 41, 42, 43});
  EXPECT_EQ(Run(download).error, "");
  EXPECT_EQ(ReadFile(downloads / "Local_40.QAG"), grading);
  const std::string entry41 = "locationID=3&utteranceID=41&linkedDocumentID=&isAddendum=False&documentVersion=0";
  EXPECT_EQ(ReadFile(downloads / "Local_41.QAG"), Served("0409", entry41 + "&workQueueMode=0&useMTReview=False"));
  EXPECT_THAT(ReadFile(downloads / "Local_41.QAG"), HasSubstr("score=\"91\""));
  EXPECT_EQ(ReadFile(downloads / "Local_42.QAG"),
            "<?xml version=\"1.0\"?><InfoResponse xmlns=\"http://www.quorvane.com/datamodel/billinggroup\"/>");
  EXPECT_EQ(ReadFile(downloads / "Local_41.pr"), Served("0410", entry41 + "&workQueueMode=0"));
  EXPECT_FALSE(std::filesystem::exists(downloads / "Local_42.pr")) << "42 failed in the grading download";
}

TEST_F(DictationOperationsEndToEnd, SettingsFilesAndOptionsComeFromTheInstitution) {
  auto spec = Spec({47, 48, 60, 28, 27});
  for (const int action : {47, 48, 60}) editor->AddParameterSet(spec, action);
  editor->AddParameterSet(spec, 28, {{"optionsXML", "<Options><AutoSave minutes=\"5\"/></Options>"}});
  const auto options = editor->AddParameterSet(spec, 27);
  EXPECT_EQ(Run(spec).error, "");
  EXPECT_THAT(ReadFile(App("AppConsoleFeatures_12_3_Dev.xml")), HasSubstr("<Feature name=\"SplitDictation\" enabled=\"True\"/>"));
  EXPECT_THAT(ReadFile(App("QAGradeCriteria_12_3_Dev.xml")), HasSubstr("<GradeCriterion id=\"1\" name=\"Accuracy\"/>"));
  EXPECT_THAT(ReadFile(App("PendingCriteria_12_3_Dev.xml")), HasSubstr("<PendingCriterion id=\"1\" name=\"Unclear audio\"/>"));
  EXPECT_THAT(editor->Texts(options, "ResponseStrings"), ElementsAre(HasSubstr("<Options><AutoSave minutes=\"5\"/></Options>")));
}

TEST_F(DictationOperationsEndToEnd, PermissionsAndPendingNotesRewriteTheRecordsFiles) {
  auto note = Spec({18});
  editor->AddParameterSet(note, 18, {{"utteranceID", "40"}, {"type", "priority"}, {"value", "2"}, {"PendingNote", "Dictated twice"}});
  EXPECT_EQ(Run(note).error, "");

  // The work queue's records, their files written by the server alone.
  EXPECT_EQ(Run(Spec({2, 62, 58})).error, "");
  for (long id = 40; id <= 44; ++id) {
    SCOPED_TRACE(id);
    const std::string record = ReadFile(downloads / ("Local_" + std::to_string(id) + ".cfg"));
    EXPECT_THAT(record, HasSubstr("<utteranceID>" + std::to_string(id) + "</utteranceID>"));
    EXPECT_THAT(record, HasSubstr(id == 42 ? "<HasMTReviewSGPermission>False</HasMTReviewSGPermission>"
                                           : "<HasMTReviewSGPermission>True</HasMTReviewSGPermission>"));
    EXPECT_THAT(record, HasSubstr(id == 40 ? "<CurrentPendingNote>Dictated twice</CurrentPendingNote>" : "<CurrentPendingNote/>"));
  }
}

TEST_F(DictationOperationsEndToEnd, ReviewModeSendsTheReviewArgumentsAndDownloadsOneDictation) {
  const Parameters review = {{"includeViewed", "Y"}, {"includeViewing", "N"}, {"rdrTranscriptionist", "mtaylor"}, {"rdrReviewer", "jdoe"}};
  auto inReview = Spec({2, 1}, 3);
  editor->AddParameterSet(inReview, 2, review);
  const Outcome reviewed = Run(inReview);
  EXPECT_EQ(reviewed.error, "");
  EXPECT_THAT(reviewed.ids, ElementsAre(40)) << "one dictation at a time";
  auto sent = LastWorkQueueCall();
  EXPECT_EQ(sent.workQueueMode, "3");
  EXPECT_EQ(sent.rdrTranscriptionist, "mtaylor");
  EXPECT_EQ(sent.includeViewing, "N");
  EXPECT_EQ(sent.includeViewed, "Y");
  EXPECT_EQ(sent.rdrReviewer, "jdoe");

  auto plain = Spec({2}, 0);
  editor->AddParameterSet(plain, 2, review);
  EXPECT_EQ(Run(plain).error, "");
  sent = LastWorkQueueCall();
  EXPECT_EQ(sent.workQueueMode, "0");
  EXPECT_EQ(sent.rdrTranscriptionist, "");
  EXPECT_EQ(sent.includeViewing, "N");
  EXPECT_EQ(sent.includeViewed, "N");
  EXPECT_EQ(sent.rdrReviewer, "");
}

}  // namespace
}  // namespace vz::testing
