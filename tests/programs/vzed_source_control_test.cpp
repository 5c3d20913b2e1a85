// End to end, source control: the simulator runs in this process on loopback, vzed (one per
// workstation) in another with its real HTTP client services, and a client drives each as the
// editor does: work queue, check-out, upload, check-in (with or without a pending note), unlock,
// and a second workstation that meets the first one's lock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "simulator/simulator_server.hpp"
#include "vzed_process.hpp"

namespace vz::testing {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using vze::Json;

constexpr const char* kReady = "Ready for Transcription";
constexpr const char* kCheckedOut = "Checked out for Standard Transcription";

// What the editor reads of a dictation inside DatabaseRequestComplete.
struct SeenDictation {
  long id = 0;
  std::string status;
  long statusCode = 0;
  std::string error;
  std::string problemNote;
};

struct Box {
  std::string text;
  std::string title;
};

// One workstation: an editor driving its own vzed.
class Workstation {
 public:
  Workstation(const std::string& servletURL, const std::string& machineID)
      : vzed_({}, {}, Actions::kInstitution), rpc_(vzed_.Client()), downloads_(vzed_.folder / "Downloads"), servletURL_(servletURL) {
    std::filesystem::create_directories(downloads_);
    server_ = HandleOf(rpc_.Call("create", {{"class", "clsZERUredoz"}}));
    logs_ = vzed_.folder / "Logs";
    std::filesystem::create_directories(logs_);
    Set(server_, "LogFilePath", (logs_ / "Server.log").string());
    Set(server_, "GlobalLogFile", (logs_ / "Global.log").string());
    Set(server_, "AppPath", vzed_.folder / "App");
    Set(server_, "TraceLevel", 2);
    rpc_.Call("advise", {{"handle", server_}, {"prompts", true}});
    queue_ = HandleOf(Get(server_, "DatabaseRequests"));
    connection_ = HandleOf(Get(queue_, "ConnectionInfo"));
    Set(connection_, "CurrentDatabaseURL", servletURL);
    Set(connection_, "Transcriptionist", "jdoe");
    Set(connection_, "Password", "secret");
    Set(connection_, "DownloadPath", downloads_.string());
    Set(connection_, "CurrentLocationID", 3);
    Set(connection_, "MachineID", machineID);
  }

  void SetServletURL(const std::string& url) { Set(connection_, "CurrentDatabaseURL", url); }

  // The work queue; its dictations' records land in their configuration files.
  void RetrieveWorkQueue() {
    const auto spec = HandleOf(Call(server_, "NewRequestSpec"));
    Set(spec, "WorkQueue", Json{{"$handle", NewWorkQueue(0)}});
    Set(spec, "Actions", Json::array({2}));
    Set(spec, "CompletionAction", 1);
    Submit(spec);
  }

  // `actions` for the dictations `ids`, their records read from their configuration files.
  void Run(const std::vector<int>& actions, const std::vector<long>& ids, std::int16_t mode = 0, std::int32_t completionAction = 3) {
    const auto collection = HandleOf(Call(server_, "NewUtteranceCollection"));
    for (const long id : ids) {
      const std::string configFile = ConfigFile(id);
      const auto dictation = HandleOf(Call(server_, "NewUtteranceObject"));
      Call(dictation, "ReadConfigFileToObject", Json::array({configFile}));
      // A dictation that failed before is tried afresh.
      Call(dictation, "ClearErrors");
      Call(collection, "AddCompleteObject", Json::array({Json{{"$handle", dictation}}, configFile}));
    }
    const auto spec = HandleOf(Call(server_, "NewRequestSpec"));
    Set(spec, "WorkQueue", Json{{"$handle", NewWorkQueue(mode)}});
    Set(spec, "Utterances", Json{{"$handle", collection}});
    Set(spec, "Actions", Json(actions));
    Set(spec, "CompletionAction", completionAction);
    if (std::find(actions.begin(), actions.end(), 0) != actions.end()) {
      const auto generic = HandleOf(Call(HandleOf(Get(spec, "GenericRequests")), "Add", Json::array({0})));
      Call(HandleOf(Get(generic, "Parameters")), "Add", Json::array({"0", "UploadFlags"}));
    }
    Submit(spec);
  }

  // The transcriptionist's document for a dictation.
  void WriteTranscription(long id) {
    std::ofstream(downloads_ / ("Local_" + std::to_string(id) + ".rtf"), std::ios::binary) << "{\\rtf1 Dictation " << id << ".\\par}";
  }

  // The editor adds a pending note to a dictation's record on disk.
  void AddPendingNote(long id, const std::string& text) {
    const auto dictation = HandleOf(Call(server_, "NewUtteranceObject"));
    Call(dictation, "ReadConfigFileToObject", Json::array({ConfigFile(id)}));
    Call(dictation, "AddPendingNoteItem", Json::array({2, text}));
    Call(dictation, "WriteObjectToConfigFile", Json::array({ConfigFile(id)}));
  }

  std::string ServerLog() const { return ReadFile(logs_ / "Server.log"); }
  std::string ConfigFile(long id) const { return (downloads_ / ("Local_" + std::to_string(id) + ".cfg")).string(); }

  std::string errorMessage;
  std::vector<SeenDictation> dictations;
  std::vector<Box> boxes;

 private:
  Json Get(std::int64_t handle, const std::string& name) {
    return rpc_.Call("get", {{"handle", handle}, {"name", name}, {"args", Json::array()}});
  }
  void Set(std::int64_t handle, const std::string& name, Json value) {
    rpc_.Call("set", {{"handle", handle}, {"name", name}, {"value", std::move(value)}});
  }
  Json Call(std::int64_t handle, const std::string& name, Json args = Json::array()) {
    return rpc_.Call("call", {{"handle", handle}, {"name", name}, {"args", std::move(args)}})["value"];
  }
  std::int64_t NewWorkQueue(std::int16_t mode) {
    const auto workQueue = HandleOf(Call(server_, "NewWorkQueue"));
    Set(workQueue, "RetrieveLocation", 3);
    Set(workQueue, "DownloadPath", downloads_.string());
    Set(workQueue, "DatabaseURL", servletURL_);
    Set(workQueue, "Transcriptionist", "jdoe");
    Set(workQueue, "WorkQueueMode", mode);
    return workQueue;
  }

  // Submits the request and serves events until its DatabaseRequestComplete has come and the
  // queue is empty again. Inside the handler the editor reads the request's results and, as it
  // keeps its records on disk, writes each dictation's configuration file.
  void Submit(std::int64_t spec) {
    Call(queue_, "Add", Json::array({Json{{"$handle", spec}}}));
    int completions = 0;
    rpc_.OnServerMessage([&](const Json& message) -> std::optional<Json> {
      const Json& params = message["params"];
      if (message.value("method", "") == "messageBox") {
        boxes.push_back({params.value("text", ""), params.value("title", "")});
        return Json{{"answer", 1}};
      }
      if (params.value("name", "") != "DatabaseRequestComplete") return std::nullopt;
      ++completions;
      const auto request = HandleOf(params["args"][0]);
      errorMessage = Get(request, "GlobalErrorMessage").get<std::string>();
      dictations.clear();
      const Json utterances = Get(request, "Utterances");
      if (utterances.is_object()) {
        for (const Json& item : rpc_.Call("enumerate", {{"handle", HandleOf(utterances)}})) {
          const auto handle = HandleOf(item);
          dictations.push_back({Get(handle, "UtteranceID").get<long>(), Get(handle, "Status").get<std::string>(),
                                Get(handle, "StatusCode").get<long>(), Get(handle, "ErrorString").get<std::string>(),
                                Get(handle, "OriginalPendingNote").get<std::string>()});
          Call(handle, "WriteObjectToConfigFile", Json::array({Get(handle, "ConfigFile")}));
        }
      }
      Json args = params["args"];
      args[1] = true;
      return Json{{"args", args}};
    });
    ASSERT_TRUE(Eventually(
        [&] {
          while (rpc_.ServeOne(std::chrono::milliseconds(0))) {
          }
          return completions > 0 && Get(queue_, "Count") == 0;
        },
        std::chrono::seconds(60)));
    while (rpc_.ServeOne(std::chrono::milliseconds(20))) {
    }
  }

  VzedProcess vzed_;
  vze::RpcClient rpc_;
  std::filesystem::path downloads_;
  std::filesystem::path logs_;
  std::string servletURL_;
  std::int64_t server_ = 0;
  std::int64_t queue_ = 0;
  std::int64_t connection_ = 0;
};

class SourceControlEndToEnd : public ::testing::Test {
 protected:
  SourceControlEndToEnd() {
    simulator::SimulatorConfig config;
    config.dataFolder = data.Path();
    config.institutions[0].dictations = 5;
    config.institutions[0].secondsOfAudio = 1;
    institution = std::make_unique<simulator::InstitutionSimulator>(config);
    institution->Start();
  }

  // The simulator's view of a dictation.
  simulator::Dictation AtTheInstitution(long id) {
    simulator::Dictation seen;
    institution->GetServlets().Inspect("north", [&](const simulator::Institution& north) {
      for (const simulator::Dictation& dictation : north.Dictations()) {
        if (dictation.utteranceID == id) seen = dictation;
      }
    });
    return seen;
  }
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

  TempFolder data;
  std::unique_ptr<simulator::InstitutionSimulator> institution;
};

TEST_F(SourceControlEndToEnd, CheckOutUploadAndCheckInOfThreeDictations) {
  Workstation editor(institution->ServletURL("north"), "WS-1");
  editor.RetrieveWorkQueue();
  ASSERT_EQ(editor.dictations.size(), 5u);

  // A call the client services cannot make: the box, and nothing changed.
  editor.SetServletURL("no servlet here");
  editor.Run({3}, {1001, 1002, 1003});
  EXPECT_EQ(editor.errorMessage, "Bad call to controlSourceAsync().");
  ASSERT_EQ(editor.boxes.size(), 1u);
  EXPECT_EQ(editor.boxes[0].text, "Bad call to controlSourceAsync()");
  EXPECT_EQ(editor.boxes[0].title, "Penwright MT");
  EXPECT_THAT(Statuses(editor), Each(kReady));
  EXPECT_EQ(AtTheInstitution(1001).lockedBy, "");
  editor.SetServletURL(institution->ServletURL("north"));

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
  Workstation editor(institution->ServletURL("north"), "WS-1");
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
  Workstation editor(institution->ServletURL("north"), "WS-1");
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
  Workstation first(institution->ServletURL("north"), "WS-1");
  Workstation second(institution->ServletURL("north"), "WS-2");
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
