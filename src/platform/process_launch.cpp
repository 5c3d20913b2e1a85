#include "platform/process_launch.hpp"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace vz::platform {

bool LaunchProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
  if (::access(program.c_str(), X_OK) != 0) return false;
  std::vector<std::string> owned;
  owned.reserve(arguments.size() + 1);
  owned.push_back(program.string());
  owned.insert(owned.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& argument : owned) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
  // Nobody waits for the helper; a detached reaper keeps it from lingering as a zombie.
  std::thread([child] {
    int status = 0;
    ::waitpid(child, &status, 0);
  }).detach();
  return true;
}

}  // namespace vz::platform
