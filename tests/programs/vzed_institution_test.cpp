// End to end against an institution: the simulator runs in this process on loopback, vzed in
// another with its real HTTP client services, and a client drives it as the editor does: the work
// queue and the download of its dictations, then the upload of one transcription.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "simulator/simulator_server.hpp"
#include "vzed_process.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;
using vze::Json;

constexpr int kDictations = 5;
constexpr long kFirstID = 1001;

// What the editor reads of a dictation inside DatabaseRequestComplete.
struct SeenDictation {
  long id = 0;
  std::string status;
  std::string configFile;
  std::string error;
};

class EditorSession {
 public:
  EditorSession(VzedProcess& vzed, const std::string& servletURL, const std::filesystem::path& downloads)
      : rpc(vzed.Client()), downloads_(downloads) {
    server = HandleOf(rpc.Call("create", {{"class", "clsZERUredoz"}}));
    const std::string logs = vzed.folder / "Logs";
    std::filesystem::create_directories(logs);
    Set(server, "LogFilePath", logs + "/Server.log");
    Set(server, "GlobalLogFile", logs + "/Global.log");
    Set(server, "AppPath", std::string(vzed.folder / "App"));
    Set(server, "TraceLevel", 2);
    rpc.Call("advise", {{"handle", server}, {"prompts", false}});
    queue = HandleOf(Get(server, "DatabaseRequests"));
    const auto connection = HandleOf(Get(queue, "ConnectionInfo"));
    Set(connection, "CurrentDatabaseURL", servletURL);
    Set(connection, "Transcriptionist", "jdoe");
    Set(connection, "Password", "secret");
    Set(connection, "DownloadPath", downloads.string());
    Set(connection, "CurrentLocationID", 3);
    servletURL_ = servletURL;
  }

  Json Get(std::int64_t handle, const std::string& name) {
    return rpc.Call("get", {{"handle", handle}, {"name", name}, {"args", Json::array()}});
  }
  void Set(std::int64_t handle, const std::string& name, Json value) {
    rpc.Call("set", {{"handle", handle}, {"name", name}, {"value", std::move(value)}});
  }
  Json Call(std::int64_t handle, const std::string& name, Json args = Json::array()) {
    return rpc.Call("call", {{"handle", handle}, {"name", name}, {"args", std::move(args)}})["value"];
  }

  // The work queue the editor hands every request of its main loop.
  std::int64_t NewWorkQueue() {
    const auto workQueue = HandleOf(Call(server, "NewWorkQueue"));
    Set(workQueue, "RetrieveLocation", 3);
    Set(workQueue, "DownloadPath", downloads_.string());
    Set(workQueue, "DatabaseURL", servletURL_);
    Set(workQueue, "Transcriptionist", "jdoe");
    return workQueue;
  }

  // Work queue then download, as one request.
  void SubmitWorkQueueAndDownload() {
    const auto workQueue = NewWorkQueue();
    const auto spec = HandleOf(Call(server, "NewRequestSpec"));
    Set(spec, "WorkQueue", Json{{"$handle", workQueue}});
    Set(spec, "Actions", Json::array({2, 1}));  // DBR_GETWORKQUEUE, DBR_DOWNLOAD
    Set(spec, "CompletionAction", 1);
    Call(queue, "Add", Json::array({Json{{"$handle", spec}}}));
  }

  // The upload of one dictation, its record read back from its configuration file.
  void SubmitUpload(long id) {
    const std::string configFile = (downloads_ / ("Local_" + std::to_string(id) + ".cfg")).string();
    const auto dictation = HandleOf(Call(server, "NewUtteranceObject"));
    Call(dictation, "ReadConfigFileToObject", Json::array({configFile}));
    const auto collection = HandleOf(Call(server, "NewUtteranceCollection"));
    Call(collection, "AddCompleteObject", Json::array({Json{{"$handle", dictation}}, configFile}));
    const auto spec = HandleOf(Call(server, "NewRequestSpec"));
    Set(spec, "WorkQueue", Json{{"$handle", NewWorkQueue()}});
    Set(spec, "Utterances", Json{{"$handle", collection}});
    Set(spec, "Actions", Json::array({0}));  // DBR_UPLOAD
    Set(spec, "CompletionAction", 0);
    const auto generic = HandleOf(Call(HandleOf(Get(spec, "GenericRequests")), "Add", Json::array({0})));
    Call(HandleOf(Get(generic, "Parameters")), "Add", Json::array({"0", "UploadFlags"}));
    Call(queue, "Add", Json::array({Json{{"$handle", spec}}}));
  }

  // Serves events until DatabaseRequestComplete has come and the queue is empty again. Inside the
  // handler the editor reads the request's results and, as the editor keeps its records on disk,
  // writes each dictation's configuration file.
  void WaitForCompletion() {
    completions = 0;
    rpc.OnServerMessage([&](const Json& message) -> std::optional<Json> {
      const Json& params = message["params"];
      eventNames.push_back(params.value("name", ""));
      if (params["name"] != "DatabaseRequestComplete") return std::nullopt;
      ++completions;
      const auto request = HandleOf(params["args"][0]);
      errorMessage = Get(request, "GlobalErrorMessage").get<std::string>();
      dictations.clear();
      const Json utterances = Get(request, "Utterances");
      if (utterances.is_object()) {
        for (const Json& item : rpc.Call("enumerate", {{"handle", HandleOf(utterances)}})) {
          const auto handle = HandleOf(item);
          SeenDictation seen{Get(handle, "UtteranceID").get<long>(), Get(handle, "Status").get<std::string>(),
                             Get(handle, "ConfigFile").get<std::string>(), Get(handle, "ErrorString").get<std::string>()};
          Call(handle, "WriteObjectToConfigFile", Json::array({seen.configFile}));
          dictations.push_back(seen);
        }
      }
      Json args = params["args"];
      args[1] = true;
      return Json{{"args", args}};
    });
    ASSERT_TRUE(Eventually(
        [&] {
          while (rpc.ServeOne(std::chrono::milliseconds(0))) {
          }
          return completions > 0 && Get(queue, "Count") == 0;
        },
        std::chrono::seconds(60)));
    while (rpc.ServeOne(std::chrono::milliseconds(50))) {
    }
  }

  vze::RpcClient rpc;
  std::int64_t server = 0;
  std::int64_t queue = 0;
  int completions = 0;
  std::string errorMessage;
  std::vector<SeenDictation> dictations;
  std::vector<std::string> eventNames;

 private:
  std::filesystem::path downloads_;
  std::string servletURL_;
};

TEST(VzedAgainstAnInstitution, DownloadsTheWorkQueueAndUploadsATranscriptionByteForByte) {
  TempFolder data;
  simulator::SimulatorConfig config;
  config.dataFolder = data.Path();
  config.institutions[0].dictations = kDictations;
  config.institutions[0].secondsOfAudio = 2;
  simulator::InstitutionSimulator institution(config);
  institution.Start();

  VzedProcess vzed({}, {}, Actions::kInstitution);
  const std::filesystem::path downloads = vzed.folder / "Downloads";
  std::filesystem::create_directories(downloads);
  EditorSession editor(vzed, institution.ServletURL("north"), downloads);

  editor.SubmitWorkQueueAndDownload();
  editor.WaitForCompletion();
  EXPECT_EQ(editor.completions, 1);
  EXPECT_EQ(editor.errorMessage, "");
  ASSERT_EQ(editor.dictations.size(), static_cast<size_t>(kDictations));
  for (int i = 0; i < kDictations; ++i) {
    const SeenDictation& seen = editor.dictations[i];
    const std::string root = (downloads / ("Local_" + std::to_string(kFirstID + i))).string();
    EXPECT_EQ(seen.id, kFirstID + i);
    EXPECT_THAT(seen.status, ::testing::StartsWith("Downloaded for "));
    EXPECT_EQ(seen.configFile, root + ".cfg");
    EXPECT_THAT(ReadFile(root + ".cfg"), HasSubstr("<queueStatus>" + seen.status + "</queueStatus>"));
    EXPECT_GT(std::filesystem::file_size(root + ".pcm"), 0u) << root;
    EXPECT_GT(std::filesystem::file_size(root + ".wav"), 44u) << root;
  }

  // The transcriptionist's document for the first dictation goes back with its record.
  const std::string document = "{\\rtf1\\ansi Patient seen today.\\par \xC3\xA9\\par}\r\n";
  std::ofstream(downloads / "Local_1001.rtf", std::ios::binary) << document;
  const std::string record = ReadFile(downloads / "Local_1001.cfg");
  editor.SubmitUpload(kFirstID);
  editor.WaitForCompletion();
  EXPECT_EQ(editor.completions, 1);
  EXPECT_EQ(editor.errorMessage, "");
  ASSERT_EQ(editor.dictations.size(), 1u);

  std::filesystem::path uploads;
  institution.GetServlets().Inspect("north", [&](const simulator::Institution& north) { uploads = north.UploadFolder(kFirstID); });
  EXPECT_EQ(ReadFile(uploads / "Local_1001.rtf"), document);
  // The record was sent as it stood before the upload's status update rewrote it.
  EXPECT_EQ(ReadFile(uploads / "Local_1001.cfg"), record);
  EXPECT_FALSE(std::filesystem::exists(uploads.parent_path() / "1002"));
}

TEST(VzedAgainstAnInstitution, AudioOverTheFileLimitIsRefusedForEachDictationAndNothingIsWritten) {
  TempFolder data;
  simulator::SimulatorConfig config;
  config.dataFolder = data.Path();
  config.institutions[0].dictations = 2;
  config.institutions[0].secondsOfAudio = 1;
  simulator::InstitutionSimulator institution(config);
  institution.Start();

  VzedProcess vzed({"--max-file-answer", "4KiB"}, {}, Actions::kInstitution);
  const std::filesystem::path downloads = vzed.folder / "Downloads";
  std::filesystem::create_directories(downloads);
  EditorSession editor(vzed, institution.ServletURL("north"), downloads);
  editor.SubmitWorkQueueAndDownload();
  editor.WaitForCompletion();
  ASSERT_EQ(editor.dictations.size(), 2u);
  for (const SeenDictation& seen : editor.dictations) {
    const std::string name = "Local_" + std::to_string(seen.id) + ".pcm";
    EXPECT_THAT(seen.error, HasSubstr("refused " + name + " from the server: ")) << seen.id;
    EXPECT_THAT(seen.error, HasSubstr("bytes, over the limit of 4096 bytes for a file")) << seen.id;
    EXPECT_FALSE(std::filesystem::exists(downloads / name));
  }
  for (const auto& entry : std::filesystem::directory_iterator(downloads)) {
    EXPECT_EQ(entry.path().extension(), ".cfg") << entry.path();  // records only: no audio, no temporary file
  }
}

}  // namespace
}  // namespace vz::testing
