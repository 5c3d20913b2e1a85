#include "editor_client.hpp"

#include <gtest/gtest.h>

namespace vz::testing {

EditorClient::EditorClient(VzedProcess& vzed, EditorOptions options)
    : rpc(vzed.Client()), login_(std::move(options.login)), keepRecords_(options.keepRecords) {
  server = HandleOf(rpc.Call("create", {{"class", "clsZERUredoz"}}));
  if (options.logs) {
    logs = vzed.folder.Path() / "Logs";
    std::filesystem::create_directories(logs);
    Set(server, "LogFilePath", (logs / "Server.log").string());
    Set(server, "GlobalLogFile", (logs / "Global.log").string());
  }
  SetAll(server, options.server);
  if (options.advise) rpc.Call("advise", {{"handle", server}, {"prompts", options.prompts}});
  queue = HandleOf(Get(server, "DatabaseRequests"));
  connection = HandleOf(Get(queue, "ConnectionInfo"));
  if (login_) {
    downloads = vzed.folder.Path() / "Downloads";
    std::filesystem::create_directories(downloads);
    SetAll(connection, {{"CurrentDatabaseURL", login_->servletURL},
                        {"Transcriptionist", login_->transcriptionist},
                        {"Password", login_->password},
                        {"DownloadPath", downloads.string()},
                        {"CurrentLocationID", login_->location}});
    SetAll(connection, login_->more);
  }
  rpc.OnServerMessage([this](const Json& message) { return Answer(message); });
}

Json EditorClient::Get(std::int64_t handle, const std::string& name, Json args) {
  return rpc.Call("get", {{"handle", handle}, {"name", name}, {"args", std::move(args)}});
}

void EditorClient::Set(std::int64_t handle, const std::string& name, Json value) {
  rpc.Call("set", {{"handle", handle}, {"name", name}, {"value", std::move(value)}});
}

void EditorClient::SetAll(std::int64_t handle, const Properties& values) {
  for (const auto& [name, value] : values) Set(handle, name, value);
}

Json EditorClient::Call(std::int64_t handle, const std::string& name, Json args) {
  return rpc.Call("call", {{"handle", handle}, {"name", name}, {"args", std::move(args)}})["value"];
}

Json EditorClient::Enumerate(std::int64_t collection) { return rpc.Call("enumerate", {{"handle", collection}}); }

std::int64_t EditorClient::New(const std::string& factory, const Properties& values) {
  const auto object = HandleOf(Call(server, factory));
  SetAll(object, values);
  return object;
}

std::int64_t EditorClient::NewWorkQueue(std::optional<int> mode) {
  const auto workQueue = New("NewWorkQueue", {{"RetrieveLocation", login_->location},
                                              {"DownloadPath", downloads.string()},
                                              {"DatabaseURL", login_->servletURL},
                                              {"Transcriptionist", login_->transcriptionist}});
  if (mode) Set(workQueue, "WorkQueueMode", *mode);
  return workQueue;
}

std::int64_t EditorClient::NewSpec(const std::vector<int>& actions, std::optional<int> completionAction,
                                   std::int64_t workQueue) {
  const auto spec = New("NewRequestSpec");
  if (workQueue != 0) Set(spec, "WorkQueue", Ref(workQueue));
  Set(spec, "Actions", Json(actions));
  if (completionAction) Set(spec, "CompletionAction", *completionAction);
  return spec;
}

std::int64_t EditorClient::AddParameterSet(std::int64_t spec, int action, const Parameters& parameters) {
  const auto generic = HandleOf(Call(HandleOf(Get(spec, "GenericRequests")), "Add", Json::array({action})));
  const auto set = HandleOf(Get(generic, "Parameters"));
  for (const auto& [name, value] : parameters) Call(set, "Add", Json::array({value, name}));
  return generic;
}

std::int64_t EditorClient::ReadDictation(const std::string& configFile) {
  const auto dictation = HandleOf(Call(server, "NewUtteranceObject"));
  Call(dictation, "ReadConfigFileToObject", Json::array({configFile}));
  return dictation;
}

std::vector<std::string> EditorClient::Texts(std::int64_t generic, const std::string& collection) {
  std::vector<std::string> texts;
  for (const Json& item : Enumerate(HandleOf(Get(generic, collection)))) texts.push_back(item.get<std::string>());
  return texts;
}

void EditorClient::ForEachDictation(std::int64_t request, const std::function<void(std::int64_t dictation)>& visit) {
  const Json utterances = Get(request, "Utterances");
  if (!utterances.is_object()) return;
  for (const Json& item : Enumerate(HandleOf(utterances))) visit(HandleOf(item));
}

std::string EditorClient::ConfigFile(long id) const {
  return (downloads / ("Local_" + std::to_string(id) + ".cfg")).string();
}

std::int64_t EditorClient::Add(std::int64_t spec) { return HandleOf(Call(queue, "Add", Json::array({Ref(spec)}))); }

void EditorClient::Run(std::int64_t spec, const ResultReader& read) {
  events.clear();
  completions = 0;
  errorMessage.clear();
  read_ = read;
  Add(spec);
  EXPECT_TRUE(Eventually(
      [&] {
        while (rpc.ServeOne(std::chrono::milliseconds(0))) {
        }
        return completions > 0 && Get(queue, "Count") == 0;
      },
      std::chrono::seconds(60)))
      << "the request did not complete";
  // The pump removes the request right after the event: a repeat would have been sent by now.
  while (rpc.ServeOne(std::chrono::milliseconds(20))) {
  }
  read_ = nullptr;
}

std::optional<Json> EditorClient::Answer(const Json& message) {
  if (message.value("method", "") == "messageBox") {
    boxes.push_back(message);
    return Json{{"answer", 1}};
  }
  events.push_back(message);
  const Json& params = message["params"];
  if (params.value("name", "") != "DatabaseRequestComplete") return std::nullopt;
  ++completions;
  const auto request = HandleOf(params["args"][0]);
  errorMessage = Get(request, "GlobalErrorMessage").get<std::string>();
  if (keepRecords_) {
    dictations.clear();
    ForEachDictation(request, [&](std::int64_t handle) {
      SeenDictation seen{Get(handle, "UtteranceID").get<long>(),      Get(handle, "Status").get<std::string>(),
                         Get(handle, "StatusCode").get<long>(),       Get(handle, "ConfigFile").get<std::string>(),
                         Get(handle, "ErrorString").get<std::string>(), Get(handle, "OriginalPendingNote").get<std::string>()};
      Call(handle, "WriteObjectToConfigFile", Json::array({seen.configFile}));
      dictations.push_back(seen);
    });
  }
  if (read_) read_(request);
  Json args = params["args"];
  args[1] = true;
  return Json{{"args", args}};
}

}  // namespace vz::testing
