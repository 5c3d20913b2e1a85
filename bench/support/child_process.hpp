#pragma once
// A program a benchmark starts as a process of its own (a server, or a peer tool), its standard
// output and error going to a file the benchmark reads, stopped by the benchmark at the end.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vz::bench {

class ChildProcess {
 public:
  // Starts `arguments` (the program first, found on PATH when it names no folder) with its output
  // in `output` ("/dev/null" to drop it); throws std::runtime_error when it cannot be started.
  ChildProcess(const std::vector<std::string>& arguments, const std::filesystem::path& output) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int failure = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (failure != 0) throw std::runtime_error("cannot start " + arguments.front());
  }
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }

  // Whether it has ended (reaping it when it has).
  bool Ended() {
    if (!ended_ && ::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return ended_;
  }

  // Waits up to `limit` for it to end; true when it ended with status 0.
  bool WaitForSuccess(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Ended()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
  }

  // Waits for it to end, however long; true when it ended with status 0.
  bool WaitForSuccess() {
    if (!ended_ && ::waitpid(pid_, &status_, 0) == pid_) ended_ = true;
    return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
  }

  // Asks it to end (SIGTERM), and kills it when it has not within two seconds.
  void Stop() {
    if (pid_ <= 0 || Ended()) return;
    ::kill(pid_, SIGTERM);
    if (!WaitForSuccess(std::chrono::seconds(2)) && !Ended()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status_, 0);
      ended_ = true;
    }
  }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool ended_ = false;
};

// Runs `arguments` to its end with its output dropped; true when it succeeded.
inline bool RunToEnd(const std::vector<std::string>& arguments) {
  try {
    ChildProcess child(arguments, "/dev/null");
    return child.WaitForSuccess();
  } catch (const std::runtime_error&) {
    return false;
  }
}

}  // namespace vz::bench
