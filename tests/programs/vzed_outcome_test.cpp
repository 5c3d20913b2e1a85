// End to end, what the editor is told a request did: a dictation is reported uploaded, checked in
// or saved only when it was. The simulator runs in this process on loopback, vzed in another with
// its HTTP client services; the editor keeps its records in their configuration files, writing
// them after each request and after clearing their errors. One test per fault: a refusal whose
// text names a document version, an answer lost after the institution did the call (on a kept
// connection, and with vzed killed meanwhile), a record that cannot be saved, and a record whose
// errors were cleared in memory only.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "editor_client.hpp"
#include "simulated_institution.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using simulator::Fault;
using simulator::FaultKind;

// What the editor reads of a dictation inside DatabaseRequestComplete.
struct Reported {
  std::string error;
  long statusCode = 0;
};

// A workstation "WS-1": its own vzed, which a test may kill, and the editor driving it. Given the
// records of an earlier one, it is the same workstation with vzed started again.
class Workstation {
 public:
  explicit Workstation(const std::string& servletURL, const std::filesystem::path& records = {})
      : vzed({}, {}, Actions::kInstitution),
        editor(vzed, {.prompts = true,
                      .logs = true,
                      // a communication failure is tried again at once
                      .server = {{"AppPath", vzed.folder / "App"}, {"TraceLevel", 2}, {"RetryTimerInterval", 50}},
                      .login = Login{servletURL, {{"MachineID", "WS-1"}, {"InstitutionID", "12"}, {"Realm", "Dev"}}}}) {
    if (!records.empty()) {
      editor.downloads = records;
      editor.Set(editor.connection, "DownloadPath", records.string());
    }
  }

  void RetrieveWorkQueue() { editor.Run(editor.NewSpec({2}, 1, editor.NewWorkQueue(0))); }

  // Adds `actions` for the dictations `ids`, each record read from its file with its errors
  // cleared and, unless `clearedOnDisk` is false, written back.
  std::int64_t Add(const std::vector<int>& actions, const std::vector<long>& ids, bool clearedOnDisk = true) {
    const auto collection = editor.New("NewUtteranceCollection");
    for (const long id : ids) {
      const auto dictation = editor.ReadDictation(editor.ConfigFile(id));
      editor.Call(dictation, "ClearErrors");
      if (clearedOnDisk) editor.Call(dictation, "WriteObjectToConfigFile", Json::array({editor.ConfigFile(id)}));
      editor.Call(collection, "AddCompleteObject", Json::array({Ref(dictation), editor.ConfigFile(id)}));
    }
    const auto spec = editor.NewSpec(actions, 5, editor.NewWorkQueue(0));
    editor.Set(spec, "Utterances", Ref(collection));
    if (std::find(actions.begin(), actions.end(), 0) != actions.end()) editor.AddParameterSet(spec, 0, {{"UploadFlags", "0"}});
    return spec;
  }

  // Runs the request and reads its dictations; the editor then writes their records (unless
  // `keepRecords` is false).
  std::map<long, Reported> Complete(std::int64_t spec, bool keepRecords = true) {
    std::map<long, Reported> reported;
    editor.Run(spec, [&](std::int64_t request) {
      editor.ForEachDictation(request, [&](std::int64_t dictation) {
        reported[editor.Get(dictation, "UtteranceID").get<long>()] = {editor.Get(dictation, "ErrorString").get<std::string>(),
                                                                      editor.Get(dictation, "StatusCode").get<long>()};
        if (keepRecords) editor.Call(dictation, "WriteObjectToConfigFile", Json::array({editor.Get(dictation, "ConfigFile")}));
      });
    });
    return reported;
  }
  std::map<long, Reported> Run(const std::vector<int>& actions, const std::vector<long>& ids) { return Complete(Add(actions, ids)); }

  void WriteTranscription(long id) {
    std::ofstream(editor.downloads / ("Local_" + std::to_string(id) + ".rtf"), std::ios::binary) << "{\\rtf1 Dictation " << id << ".\\par}";
  }
  // Checked out, its transcription written and uploaded: ready to be checked in.
  void PrepareCheckIn(long id) {
    Run({3}, {id});
    WriteTranscription(id);
    Run({0}, {id});
  }

  std::string ServerLog() const { return ReadFile(editor.logs / "Server.log"); }

  VzedProcess vzed;
  EditorClient editor;
};

class OutcomeEndToEnd : public SimulatedInstitutionTest {
 protected:
  OutcomeEndToEnd() { Start(Config(3, 1)); }
};

TEST_F(OutcomeEndToEnd, ARefusalWhoseTextNamesADocumentVersionIsTheDictationsError) {
  struct Refusal {
    const char* callKind;
    const char* message;
    std::vector<int> actions;  // run once the dictation is checked out and its transcription written
    long statusCode;
  };
  const Refusal refusals[] = {
      {"commit", "Commit failed for utteranceID=1001&documentVersion=0&isAddendum=False", {0}, 6},
      {"sourcecontrol", "Upload refused: bad parameter documentVersion=0x", {0, 4}, 6},
  };
  Workstation editor(NorthURL());
  editor.RetrieveWorkQueue();
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.callKind);
    editor.Run({3}, {1001});
    editor.WriteTranscription(1001);
    institution->Faults().Set(refusal.callKind, Fault::Status(409, refusal.message));
    const auto reported = editor.Run(refusal.actions, {1001});
    institution->Faults().ClearAll();
    EXPECT_THAT(reported.at(1001).error, HasSubstr("Utterance 1001: "));
    EXPECT_THAT(reported.at(1001).error, HasSubstr("documentVersion =0"));  // the servlet's, not read as ours
    EXPECT_EQ(reported.at(1001).statusCode, refusal.statusCode);
    EXPECT_FALSE(AtTheInstitution(1001).completed);
    editor.Run({6}, {1001});  // the next case starts from a free dictation
  }
}

TEST_F(OutcomeEndToEnd, ACheckInWhoseAnswerIsLostOnAKeptConnectionIsReportedAsTheInstitutionDidIt) {
  Workstation editor(NorthURL());
  editor.RetrieveWorkQueue();
  editor.Run({3}, {1001});
  editor.WriteTranscription(1001);
  // The upload leaves its connection for the check-in; the institution checks in, then the
  // connection closes before a byte of the answer.
  institution->Faults().Set("sourcecontrol", Fault::Of(FaultKind::kLoseAnswer));
  const auto reported = editor.Run({0, 4}, {1001});
  EXPECT_EQ(editor.editor.errorMessage, "");
  EXPECT_EQ(reported.at(1001).error, "");
  EXPECT_EQ(reported.at(1001).statusCode, 5);
  EXPECT_TRUE(AtTheInstitution(1001).completed);
  // Done once: the repeat got the first answer.
  EXPECT_EQ(Exchanges("utteranceID=1001 operation=2 -> 200").size(), 2u);
  EXPECT_THAT(Exchanges("operation=2 -> 200 (replayed)"), Not(::testing::IsEmpty()));
}

TEST_F(OutcomeEndToEnd, AfterVzedIsKilledBetweenCheckInAndAnswerTheEditorsRetryGetsTheFirstAnswer) {
  auto first = std::make_unique<Workstation>(NorthURL());
  first->RetrieveWorkQueue();
  first->PrepareCheckIn(1001);
  const std::filesystem::path records = first->editor.downloads;
  // The institution checks in and holds its answer; vzed is killed meanwhile.
  institution->Faults().Set("sourcecontrol", Fault::Delay(std::chrono::minutes(5)));
  first->editor.Add(first->Add({4}, {1001}));
  ASSERT_TRUE(Eventually([&] { return AtTheInstitution(1001).completed; }, std::chrono::seconds(30)));
  ::kill(first->vzed.pid, SIGKILL);
  ASSERT_TRUE(first->vzed.WaitForExit().has_value());

  // The editor starts vzed again and checks the dictation in again from its record.
  Workstation again(NorthURL(), records);
  const auto reported = again.Run({4}, {1001});
  EXPECT_EQ(again.editor.errorMessage, "");
  EXPECT_EQ(reported.at(1001).error, "");
  EXPECT_EQ(reported.at(1001).statusCode, 5);
  EXPECT_EQ(Exchanges("utteranceID=1001 operation=2 -> 200 (replayed)").size(), 1u);
}

TEST_F(OutcomeEndToEnd, ARecordThatCannotBeSavedIsNamedInTheRequestsError) {
  Workstation editor(NorthURL());
  editor.RetrieveWorkQueue();
  editor.PrepareCheckIn(1001);
  const auto spec = editor.Add({4}, {1001});
  // The record's file can no longer be replaced.
  const std::filesystem::path file = editor.editor.ConfigFile(1001);
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  const auto reported = editor.Complete(spec, false);
  EXPECT_THAT(editor.editor.errorMessage, HasSubstr("The record of dictation 1001 could not be saved: "));
  EXPECT_THAT(editor.editor.errorMessage, HasSubstr("Local_1001.cfg"));
  // The dictation's own error stays empty: it was checked in.
  EXPECT_EQ(reported.at(1001).error, "");
  EXPECT_TRUE(AtTheInstitution(1001).completed);

  // The workstation's certificate cannot be written either: the compressed lists say so.
  const std::filesystem::path certificate = editor.vzed.folder / "App/Logins/Dev/jdoe/3.cfg";
  std::filesystem::create_directories(certificate);
  const auto lists = editor.editor.NewSpec({40}, 1, editor.editor.NewWorkQueue(0));
  const auto set = editor.editor.AddParameterSet(lists, 40);
  editor.editor.Run(lists);
  const auto errors = editor.editor.Texts(set, "ErrorMessages");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_THAT(errors[0], HasSubstr("The workstation certificate " + certificate.string() + " could not be written: "));
  EXPECT_THAT(errors[0], Not(HasSubstr("Missing parameter certificate")));
}

TEST_F(OutcomeEndToEnd, ACheckInReadsTheRecordFromItsFileAndWarnsOfAnErrorClearedInMemoryOnly) {
  Workstation editor(NorthURL());
  editor.RetrieveWorkQueue();
  for (const long id : {1001, 1002}) {
    editor.PrepareCheckIn(id);
    institution->Faults().Set("sourcecontrol", Fault::Status(500, "Lock service down"));
    ASSERT_THAT(editor.Run({4}, {id}).at(id).error, HasSubstr("Lock service down"));
  }

  // Cleared in memory only: the file brings the old error back, and vzed says so.
  EXPECT_THAT(editor.Complete(editor.Add({4}, {1001}, false)).at(1001).error, HasSubstr("Lock service down"));
  EXPECT_THAT(editor.ServerLog(), HasSubstr("Warning: the record of dictation 1001 read back from "));

  // Cleared and written, as the editor should: checked in, without a warning.
  const auto written = editor.Run({4}, {1002});
  EXPECT_EQ(written.at(1002).error, "");
  EXPECT_EQ(written.at(1002).statusCode, 5);
  EXPECT_TRUE(AtTheInstitution(1002).completed);
  EXPECT_THAT(editor.ServerLog(), Not(HasSubstr("Warning: the record of dictation 1002")));
}

}  // namespace
}  // namespace vz::testing
