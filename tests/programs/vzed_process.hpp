#pragma once
// A vzed started by a test as a separate process on a temporary socket, and stopped by it.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "rpc_client.hpp"
#include "temp_folder.hpp"

extern char** environ;

namespace vz::testing {

// Polls `done` until it holds or `limit` has passed.
template <class Done>
bool Eventually(Done done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Whether a server accepts connections at `socket` now.
inline bool Accepts(const std::string& socket) {
  try {
    vze::LineClient probe(socket);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Whether a wait status is a normal end with `code`.
inline bool EndedWith(const std::optional<int>& status, int code) { return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code; }

// What vzed's actions do: complete at once, or talk to an institution's servlets over HTTP(S).
enum class Actions { kInstant, kInstitution };

// A process a test started, killed when the test is done with it unless it has ended.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { Kill(); }

  // Whether it has ended (reaping it when it has).
  bool Exited() {
    if (exited) return true;
    if (::waitpid(pid, &status, WNOHANG) == pid) exited = true;
    return exited;
  }
  // Waits (bounded) for it to end; its wait status, or nothing when it is still running.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    if (!Eventually([&] { return Exited(); }, limit)) return std::nullopt;
    return status;
  }
  void Kill() {
    if (pid > 0 && !Exited()) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      exited = true;
    }
  }

  pid_t pid = -1;
  int status = 0;
  bool exited = false;

 protected:
  // Starts `args`; `environment` (NAME=value) replaces the test's own entries of those names, and
  // `actions` arrange the descriptors. False when it cannot start.
  bool Spawn(const std::vector<std::string>& args, const std::vector<std::string>& environment,
             const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string line = *entry;
      const std::string name = line.substr(0, line.find('=') + 1);
      if (std::none_of(environment.begin(), environment.end(), [&](const std::string& set) { return set.starts_with(name); })) {
        envStrings.push_back(line);
      }
    }
    std::vector<char*> envp;
    for (const auto& entry : envStrings) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    return ::posix_spawn(&pid, args.front().c_str(), actions, nullptr, argv.data(), envp.data()) == 0;
  }
};

class VzedProcess : public ChildProcess {
 public:
  // Starts vzed with a 5 ms pump, a 3 s event timeout unless `extra` sets one, and the given extra
  // arguments, and waits until it accepts connections.
  // `executable` is vzed by another name, for tests that find it by its process name.
  explicit VzedProcess(std::vector<std::string> extra = {}, std::vector<std::string> environment = {},
                       Actions actions = Actions::kInstant, std::string executable = VZED_PATH) {
    std::filesystem::create_directories(folder.Path() / "run");
    std::filesystem::permissions(folder.Path() / "run", std::filesystem::perms::owner_all);
    socket = folder / "run/vzed.sock";
    logFolder = folder / "log";
    std::vector<std::string> args = {executable, "--socket", socket, "--log-folder", logFolder, "--tick-interval", "5"};
    if (std::find(extra.begin(), extra.end(), "--event-timeout") == extra.end()) args.insert(args.end(), {"--event-timeout", "3"});
    if (actions == Actions::kInstant) args.insert(args.end(), {"--test-actions", "instant"});
    args.insert(args.end(), extra.begin(), extra.end());
    if (!Spawn(args, environment)) throw std::runtime_error("cannot start vzed");
    const bool up = Eventually([&] { return Exited() || Accepts(socket); });
    if (!up || Exited()) throw std::runtime_error("vzed did not start");
  }
  ~VzedProcess() { Kill(); }  // before its folder goes

  vze::RpcClient Client() { return vze::RpcClient(socket, std::chrono::seconds(10)); }

  TempFolder folder;
  std::string socket;
  std::string logFolder;
};

// What a command line gave: its exit status and its output, standard error included.
struct CommandRun {
  int status = -1;
  std::string output;
};

// Runs `line` (quoted for the shell) to its end.
inline CommandRun RunCommand(const std::string& line) {
  CommandRun run;
  FILE* pipe = ::popen((line + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The handle of an object value.
inline std::int64_t HandleOf(const vze::Json& value) { return value.at("$handle").get<std::int64_t>(); }

}  // namespace vz::testing
