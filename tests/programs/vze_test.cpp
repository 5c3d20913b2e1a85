// vze drives vzed by hand: every command has --help, and get, set, call, enumerate and watch work
// against a running server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "vzed_process.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;

struct VzeRun {
  int status = -1;
  std::string output;
};

// Runs vze with `args` (already quoted for the shell), standard error included in the output.
VzeRun Vze(const std::string& args) {
  VzeRun run;
  FILE* pipe = ::popen((std::string(VZE_PATH) + " " + args + " 2>&1").c_str(), "r");
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(Vze, EveryCommandHasHelp) {
  EXPECT_EQ(Vze("--help").status, 0);
  for (const char* command : {"get", "set", "call", "enumerate", "describe", "watch", "close"}) {
    const VzeRun help = Vze(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_THAT(help.output, HasSubstr("Usage:")) << command;
  }
}

TEST(Vze, DrivesTheServerObjectByHand) {
  VzedProcess vzed;
  const std::string socket = "--socket " + vzed.socket + " ";
  EXPECT_EQ(Vze(socket + "set clsZERUredoz PenwrightVersion 11.2").status, 0);
  EXPECT_EQ(Vze(socket + "get clsZERUredoz PenwrightVersion").output, "\"11.2\"\n");  // the server object lives on
  EXPECT_EQ(Vze(socket + "get clsZERUredoz DatabaseRequests.Count").output, "0\n");
  EXPECT_EQ(Vze(socket + "enumerate clsZERUredoz DatabaseRequests").output, "[]\n");
  const VzeRun unknown = Vze(socket + "get clsZERUredoz NoSuchThing");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_THAT(unknown.output, HasSubstr("error 438"));

  // watch prints the events as they come and acknowledges completions.
  VzeRun watched;
  std::atomic<bool> finished{false};
  std::thread watcher([&] {
    watched = Vze(socket + "watch --acknowledge --count 1");
    finished = true;
  });
  // Until the watcher has advised, the status goes nowhere: send it until the watcher has seen one.
  EXPECT_TRUE(Eventually([&] {
    if (!finished) Vze(socket + "call clsZERUredoz Fire_LoginStatus Ready");
    return finished.load();
  }));
  watcher.join();
  EXPECT_EQ(watched.status, 0);
  EXPECT_THAT(watched.output, HasSubstr("\"name\":\"LoginStatus\""));
  EXPECT_EQ(Vze(socket + "close owner").output, "{\"cancelled\":false}\n");
  EXPECT_TRUE(vzed.WaitForExit());
}

TEST(Vze, SaysWhenNoServerListens) {
  TempFolder folder;
  const VzeRun run = Vze("--socket " + (folder / "none.sock") + " get clsZERUredoz TraceLevel");
  EXPECT_EQ(run.status, 3);
  EXPECT_THAT(run.output, HasSubstr("cannot connect"));
}

}  // namespace
}  // namespace vz::testing
