// End to end, source control: the simulator runs in this process on loopback, vzed (one per
// workstation) in another with its real HTTP client services, and a client drives each as the
// editor does: work queue, check-out, upload, check-in (with or without a pending note), unlock,
// and a second workstation that meets the first one's lock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "editor_client.hpp"
#include "simulated_institution.hpp"

namespace vz::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* kReady = "Ready for Transcription";
constexpr const char* kCheckedOut = "Checked out for Standard Transcription";

// One workstation: an editor driving its own vzed.
class Workstation : private OwnVzed, public EditorClient {
 public:
  Workstation(const std::string& servletURL, const std::string& machineID)
      : EditorClient(vzed, {.prompts = true,
                            .logs = true,
                            .keepRecords = true,
                            .server = {{"AppPath", vzed.folder / "App"}, {"TraceLevel", 2}},
                            .login = Login{servletURL, {{"MachineID", machineID}}}}) {}

  void SetServletURL(const std::string& url) { Set(connection, "CurrentDatabaseURL", url); }

  // The work queue; its dictations' records land in their configuration files.
  void RetrieveWorkQueue() { EditorClient::Run(NewSpec({2}, 1, NewWorkQueue(0))); }

  // `actions` for the dictations `ids`, their records read from their configuration files.
  void Run(const std::vector<int>& actions, const std::vector<long>& ids, int mode = 0, int completionAction = 3) {
    const auto collection = New("NewUtteranceCollection");
    for (const long id : ids) {
      const auto dictation = ReadDictation(ConfigFile(id));
      // A dictation that failed before is tried afresh.
      Call(dictation, "ClearErrors");
      Call(collection, "AddCompleteObject", Json::array({Ref(dictation), ConfigFile(id)}));
    }
    const auto spec = NewSpec(actions, completionAction, NewWorkQueue(mode));
    Set(spec, "Utterances", Ref(collection));
    if (std::find(actions.begin(), actions.end(), 0) != actions.end()) AddParameterSet(spec, 0, {{"UploadFlags", "0"}});
    EditorClient::Run(spec);
  }

  // The transcriptionist's document for a dictation.
  void WriteTranscription(long id) {
    std::ofstream(downloads / ("Local_" + std::to_string(id) + ".rtf"), std::ios::binary) << "{\\rtf1 Dictation " << id << ".\\par}";
  }

  // The editor adds a pending note to a dictation's record on disk.
  void AddPendingNote(long id, const std::string& text) {
    const auto dictation = ReadDictation(ConfigFile(id));
    Call(dictation, "AddPendingNoteItem", Json::array({2, text}));
    Call(dictation, "WriteObjectToConfigFile", Json::array({ConfigFile(id)}));
  }

  std::string ServerLog() const { return ReadFile(logs / "Server.log"); }
};

class SourceControlEndToEnd : public SimulatedInstitutionTest {
 protected:
  SourceControlEndToEnd() { Start(Config(5, 1)); }

  std::vector<std::string> Statuses(const Workstation& editor) {
    std::vector<std::string> statuses;
    for (const SeenDictation& seen : editor.dictations) statuses.push_back(seen.status);
    return statuses;
  }
  std::vector<long> StatusCodes(const Workstation& editor) {
    std::vector<long> codes;
    for (const SeenDictation& seen : editor.dictations) codes.push_back(seen.statusCode);
    return codes;
  }
};

TEST_F(SourceControlEndToEnd, CheckOutUploadAndCheckInOfThreeDictations) {
  Workstation editor(NorthURL(), "WS-1");
  editor.RetrieveWorkQueue();
  ASSERT_EQ(editor.dictations.size(), 5u);

  // A call the client services cannot make: the box, and nothing changed.
  editor.SetServletURL("no servlet here");
  editor.Run({3}, {1001, 1002, 1003});
  EXPECT_EQ(editor.errorMessage, "Bad call to controlSourceAsync().");
  ASSERT_EQ(editor.boxes.size(), 1u);
  EXPECT_EQ(editor.boxes[0]["params"]["text"], "Bad call to controlSourceAsync()");
  EXPECT_EQ(editor.boxes[0]["params"]["title"], "Penwright MT");
  EXPECT_THAT(Statuses(editor), Each(kReady));
  EXPECT_EQ(AtTheInstitution(1001).lockedBy, "");
  editor.SetServletURL(NorthURL());

  editor.Run({3}, {1001, 1002, 1003});
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_THAT(Statuses(editor), Each(kCheckedOut));
  EXPECT_EQ(AtTheInstitution(1002).lockMachineID, "WS-1");

  for (const long id : {1001, 1002, 1003}) editor.WriteTranscription(id);
  editor.Run({0, 4}, {1001, 1002, 1003}, 0, 5);
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_THAT(Statuses(editor), Each(kCheckedOut));
  EXPECT_THAT(StatusCodes(editor), ElementsAre(5, 5, 5));
  for (const long id : {1001, 1002, 1003}) {
    const simulator::Dictation checkedIn = AtTheInstitution(id);
    EXPECT_TRUE(checkedIn.completed) << id;
    EXPECT_EQ(checkedIn.lockedBy, "") << id;
    EXPECT_EQ(checkedIn.documentVersion, "1") << id;
  }
  EXPECT_THAT(editor.ServerLog(), HasSubstr("Operation = 2"));
  EXPECT_EQ(editor.boxes.size(), 1u) << "no box but the refusal's";
}

TEST_F(SourceControlEndToEnd, UnlockAndTheReviewersCheckOut) {
  Workstation editor(NorthURL(), "WS-1");
  editor.RetrieveWorkQueue();
  editor.Run({3}, {1004});
  EXPECT_THAT(Statuses(editor), ElementsAre(kCheckedOut));
  editor.Run({6}, {1004});
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_THAT(Statuses(editor), ElementsAre(kReady));
  EXPECT_EQ(AtTheInstitution(1004).lockedBy, "");

  // In review mode a check-out locks the dictation and leaves its status as the queue showed it.
  editor.Run({3}, {1005}, 3);
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_THAT(Statuses(editor), ElementsAre(kReady));
  EXPECT_EQ(AtTheInstitution(1005).lockedBy, "jdoe");
  EXPECT_THAT(editor.ServerLog(), HasSubstr("Operation = 6"));
  EXPECT_TRUE(editor.boxes.empty());
}

TEST_F(SourceControlEndToEnd, ACheckInWithAPendingNoteSendsTheNote) {
  Workstation editor(NorthURL(), "WS-1");
  editor.RetrieveWorkQueue();
  editor.Run({3}, {1001});
  editor.WriteTranscription(1001);
  editor.AddPendingNote(1001, "Unclear at 01:12");
  editor.Run({0, 4}, {1001}, 0, 5);
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_THAT(StatusCodes(editor), ElementsAre(5));

  const simulator::Dictation pended = AtTheInstitution(1001);
  // The note's items as the record holds them once read back from its file.
  EXPECT_EQ(pended.pendingNoteDocument,
            "<?xml version=\"1.0\" ?>\r\n<pendingNote>\r\n<item>\n<type>7</type>\n<text>Unclear at 01:12</text>\n</item>\r\n"
            "</pendingNote>");
  EXPECT_FALSE(pended.completed);
  EXPECT_EQ(pended.lockedBy, "");
  const std::string log = editor.ServerLog();
  EXPECT_THAT(log, HasSubstr("Checkin dictation 1001 with pending note: "));
  EXPECT_THAT(log, HasSubstr("Operation = 4"));

  // The next work queue carries the note with the dictation.
  editor.RetrieveWorkQueue();
  ASSERT_FALSE(editor.dictations.empty());
  EXPECT_EQ(editor.dictations[0].id, 1001);
  EXPECT_EQ(editor.dictations[0].problemNote, "Unclear at 01:12");
  EXPECT_TRUE(editor.boxes.empty());
}

TEST_F(SourceControlEndToEnd, ASecondWorkstationMeetsTheFirstOnesLock) {
  Workstation first(NorthURL(), "WS-1");
  Workstation second(NorthURL(), "WS-2");
  first.RetrieveWorkQueue();
  first.Run({3}, {1001});
  EXPECT_THAT(Statuses(first), ElementsAre(kCheckedOut));

  second.RetrieveWorkQueue();
  second.Run({3}, {1001, 1002, 1003});
  ASSERT_EQ(second.dictations.size(), 3u);
  EXPECT_EQ(second.dictations[0].status, kReady);
  EXPECT_THAT(second.dictations[0].error, HasSubstr("Utterance 1001 is checked out to jdoe at workstation WS-1"));
  EXPECT_EQ(second.dictations[1].status, kCheckedOut);
  EXPECT_EQ(second.dictations[2].status, kCheckedOut);
  EXPECT_EQ(AtTheInstitution(1001).lockMachineID, "WS-1");
  EXPECT_EQ(AtTheInstitution(1002).lockMachineID, "WS-2");

  // Once the first workstation lets go, the second may take it.
  first.Run({6}, {1001});
  second.Run({3}, {1001});
  EXPECT_EQ(second.dictations[0].error, "");
  EXPECT_EQ(second.dictations[0].status, kCheckedOut);
  EXPECT_EQ(AtTheInstitution(1001).lockMachineID, "WS-2");
  EXPECT_TRUE(first.boxes.empty());
  EXPECT_TRUE(second.boxes.empty());
}

}  // namespace
}  // namespace vz::testing
