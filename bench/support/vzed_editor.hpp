#pragma once
// vzed run by a benchmark as a process of its own, driven over its JSON-RPC socket as an editor
// drives it: the server object, the login on its connection, then work-queue requests whose
// DatabaseRequestComplete the editor acknowledges.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"
#include "process_memory.hpp"
#include "rpc_client.hpp"

namespace vz::bench {

using vze::Json;

// What a work queue with the download of its dictations came to.
struct QueueOutcome {
  bool completed = false;     // DatabaseRequestComplete came in time
  std::string error;          // the request's error, or what is missing
  long normalised = 0;        // normalised audio files in the download folder
};

class VzedEditor {
 public:
  // Starts vzed with its files in `folder` and the extra `arguments` (--transfers N, say), logged
  // in to the North Clinic at `servletURL`.
  VzedEditor(const std::string& program, const std::filesystem::path& folder, const std::string& servletURL,
             const std::vector<std::string>& arguments)
      : servletURL_(servletURL) {
    std::filesystem::create_directories(folder / "run");
    std::filesystem::permissions(folder / "run", std::filesystem::perms::owner_all);
    const std::string socket = (folder / "run" / "vzed.sock").string();
    // A short pump interval: the editor's request starts at once, as with a busy editor's ticks.
    std::vector<std::string> command = {program, "--socket", socket, "--log-folder", (folder / "log").string(), "--tick-interval", "5"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    process_.emplace(command, folder / "vzed.out");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!rpc_) {
      if (process_->Ended()) throw std::runtime_error("vzed did not start: see " + (folder / "vzed.out").string());
      try {
        rpc_.emplace(socket, std::chrono::seconds(30));
      } catch (const std::runtime_error&) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("vzed did not accept connections");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    server_ = Handle(rpc_->Call("create", {{"class", "clsZERUredoz"}}));
    rpc_->Call("advise", {{"handle", server_}, {"prompts", false}});
    queue_ = Handle(Get(server_, "DatabaseRequests"));
    const auto connection = Handle(Get(queue_, "ConnectionInfo"));
    Set(connection, "CurrentDatabaseURL", servletURL_);
    Set(connection, "Transcriptionist", "jdoe");
    Set(connection, "Password", "secret");
    Set(connection, "CurrentLocationID", kLocation);
    rpc_->OnServerMessage([this](const Json& message) { return Answer(message); });
  }

  // The work queue of the North Clinic and the download and normalisation of its dictations into
  // `downloads` (a fresh folder), waited for as the editor waits: until DatabaseRequestComplete.
  QueueOutcome DownloadQueue(const std::filesystem::path& downloads, long expected) {
    std::filesystem::create_directories(downloads);
    Set(Handle(Get(queue_, "ConnectionInfo")), "DownloadPath", downloads.string());
    const auto workQueue = Handle(Call(server_, "NewWorkQueue"));
    Set(workQueue, "RetrieveLocation", kLocation);
    Set(workQueue, "DownloadPath", downloads.string());
    Set(workQueue, "DatabaseURL", servletURL_);
    Set(workQueue, "Transcriptionist", "jdoe");
    const auto spec = Handle(Call(server_, "NewRequestSpec"));
    Set(spec, "WorkQueue", Json{{"$handle", workQueue}});
    Set(spec, "Actions", Json::array({2, 1}));  // the work queue, then the download of its dictations
    outcome_ = {};
    Call(queue_, "Add", Json::array({Json{{"$handle", spec}}}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (!outcome_.completed && std::chrono::steady_clock::now() < deadline && !process_->Ended())
      rpc_->ServeOne(std::chrono::milliseconds(100));
    if (!outcome_.completed) {
      outcome_.error = process_->Ended() ? "vzed ended" : "no DatabaseRequestComplete within ten minutes";
      return outcome_;
    }
    for (const auto& file : std::filesystem::directory_iterator(downloads)) outcome_.normalised += file.path().extension() == ".wav";
    if (outcome_.error.empty() && outcome_.normalised != expected)
      outcome_.error = std::to_string(outcome_.normalised) + " of " + std::to_string(expected) + " dictations normalised";
    return outcome_;
  }

  // The most vzed has held resident since it started.
  long PeakResidentKilobytes() const { return PeakResidentKilobytesOf(process_->Pid()); }

 private:
  static constexpr int kLocation = 3;

  static std::int64_t Handle(const Json& value) { return value.at("$handle").get<std::int64_t>(); }
  Json Get(std::int64_t handle, const std::string& name) {
    return rpc_->Call("get", {{"handle", handle}, {"name", name}, {"args", Json::array()}});
  }
  void Set(std::int64_t handle, const std::string& name, Json value) {
    rpc_->Call("set", {{"handle", handle}, {"name", name}, {"value", std::move(value)}});
  }
  Json Call(std::int64_t handle, const std::string& name, Json args = Json::array()) {
    return rpc_->Call("call", {{"handle", handle}, {"name", name}, {"args", std::move(args)}})["value"];
  }

  // Events and message boxes that come while the editor waits: DatabaseRequestComplete is read
  // and acknowledged (its second argument set), everything else answered with nothing.
  std::optional<Json> Answer(const Json& message) {
    if (message.value("method", "") == "messageBox") return Json{{"answer", 1}};
    const Json& params = message["params"];
    if (params.value("name", "") != "DatabaseRequestComplete") return std::nullopt;
    Json args = params["args"];
    outcome_.error = Get(Handle(args[0]), "GlobalErrorMessage").get<std::string>();
    outcome_.completed = true;
    args[1] = true;
    return Json{{"args", args}};
  }

  std::string servletURL_;
  std::optional<ChildProcess> process_;
  std::optional<vze::RpcClient> rpc_;
  std::int64_t server_ = 0;
  std::int64_t queue_ = 0;
  QueueOutcome outcome_;
};

}  // namespace vz::bench
