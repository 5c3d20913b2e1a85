#pragma once
// A transcription editor as the end-to-end tests drive vzed: it creates the server object, sets
// it up, builds requests and waits for their DatabaseRequestComplete while serving the events
// and message boxes that come meanwhile.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vzed_process.hpp"

namespace vz::testing {

using vze::Json;
// Member values in the order they are set.
using Properties = std::vector<std::pair<std::string, Json>>;
// A parameter set's entries, name then value.
using Parameters = std::vector<std::pair<std::string, std::string>>;

// What the editor's login leaves on the connection; its work queues repeat it.
struct Login {
  std::string servletURL;
  Properties more = {};  // MachineID, InstitutionID, Realm...
  std::string transcriptionist = "jdoe";
  std::string password = "secret";
  int location = 3;
};

// What the editor reads of a dictation inside DatabaseRequestComplete.
struct SeenDictation {
  long id = 0;
  std::string status;
  long statusCode = 0;
  std::string configFile;
  std::string error;
  std::string problemNote;
};

struct EditorOptions {
  bool advise = true;   // false: the client only calls and hears no events
  bool prompts = false;
  bool logs = false;    // the server object logs to Logs/Server.log and Logs/Global.log in vzed's folder
  // Inside each DatabaseRequestComplete the editor reads the request's dictations and, as it keeps
  // its records on disk, writes each one's configuration file.
  bool keepRecords = false;
  Properties server = {};  // more members of the server object (AppPath, TraceLevel...)
  std::optional<Login> login = std::nullopt;  // fills ConnectionInfo; downloads go to Downloads in vzed's folder
};

class EditorClient {
 public:
  // Called inside the DatabaseRequestComplete handler with the request's handle.
  using ResultReader = std::function<void(std::int64_t request)>;

  explicit EditorClient(VzedProcess& vzed, EditorOptions options = {});
  EditorClient(const EditorClient&) = delete;  // its event handler holds `this`
  EditorClient& operator=(const EditorClient&) = delete;

  Json Get(std::int64_t handle, const std::string& name, Json args = Json::array());
  void Set(std::int64_t handle, const std::string& name, Json value);
  void SetAll(std::int64_t handle, const Properties& values);
  // The member's return value.
  Json Call(std::int64_t handle, const std::string& name, Json args = Json::array());
  Json Enumerate(std::int64_t collection);  // the items of a collection

  // A new object from the server object's factory `factory` ("NewRequestSpec"...), with `values`.
  std::int64_t New(const std::string& factory, const Properties& values = {});
  // A work queue for the login, in `mode` when given.
  std::int64_t NewWorkQueue(std::optional<int> mode = std::nullopt);
  // A request specification for `actions`, with `workQueue` when not 0.
  std::int64_t NewSpec(const std::vector<int>& actions, std::optional<int> completionAction = std::nullopt,
                       std::int64_t workQueue = 0);
  // Adds a generic request for `action` with `parameters` to the request specification `spec`;
  // returns the generic request.
  std::int64_t AddParameterSet(std::int64_t spec, int action, const Parameters& parameters = {});
  // A dictation record read from its configuration file.
  std::int64_t ReadDictation(const std::string& configFile);
  // The texts of a generic request's results ("ResponseStrings", "ErrorMessages").
  std::vector<std::string> Texts(std::int64_t generic, const std::string& collection);
  // Each dictation of a request's Utterances, if it has any.
  void ForEachDictation(std::int64_t request, const std::function<void(std::int64_t dictation)>& visit);
  std::string ConfigFile(long id) const;

  // Adds the request specification `spec` to the queue; returns the request.
  std::int64_t Add(std::int64_t spec);
  // Adds the request specification `spec` and serves events until its DatabaseRequestComplete
  // has come, been acknowledged, and the queue is empty again; then serves on for a moment, so
  // that a repeat of the event would be counted. `read` runs inside the handler, where the results are.
  void Run(std::int64_t spec, const ResultReader& read = {});

  vze::RpcClient rpc;
  std::int64_t server = 0;
  std::int64_t queue = 0;
  std::int64_t connection = 0;
  std::filesystem::path logs;
  std::filesystem::path downloads;
  // Of the last Run: the events heard, the DatabaseRequestComplete among them, its error.
  std::vector<Json> events;
  int completions = 0;
  std::string errorMessage;
  // With keepRecords: the dictations of the last DatabaseRequestComplete.
  std::vector<SeenDictation> dictations;
  // Every message box, answered with the first button.
  std::vector<Json> boxes;

 private:
  std::optional<Json> Answer(const Json& message);

  std::optional<Login> login_;
  bool keepRecords_ = false;
  ResultReader read_;
};

inline Json Ref(std::int64_t handle) { return Json{{"$handle", handle}}; }

// A vzed of its own with its HTTP client services (and `extra` arguments), started before the
// editor that drives it connects.
struct OwnVzed {
  explicit OwnVzed(std::vector<std::string> extra = {}) : vzed(std::move(extra), {}, Actions::kInstitution) {}
  VzedProcess vzed;
};

// An editor driving its own vzed, logged in at `servletURL`, keeping its records on disk.
class InstitutionEditor : private OwnVzed, public EditorClient {
 public:
  explicit InstitutionEditor(const std::string& servletURL, std::vector<std::string> extra = {})
      : OwnVzed(std::move(extra)),
        EditorClient(vzed, {.logs = true,
                            .keepRecords = true,
                            .server = {{"AppPath", vzed.folder / "App"}, {"TraceLevel", 2}},
                            .login = Login{servletURL}}) {}
};


}  // namespace vz::testing
