// vze drives vzed by hand: every command has --help, and get, set, call, enumerate and watch work
// against a running server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <thread>

#include "progress_display.hpp"
#include "editor_client.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

// Runs vze with `args` (already quoted for the shell).
CommandRun Vze(const std::string& args) { return RunCommand(std::string(VZE_PATH) + " " + args); }

// `vze watch OPTIONS` as `vze watch > file` runs it, its output in a file of vzed's folder.
class Watch {
 public:
  Watch(VzedProcess& vzed, const std::string& options) : output_(vzed.folder / "watch.txt") {
    const std::string command = "exec " + std::string(VZE_PATH) + " --socket " + vzed.socket + " watch " + options + " > " + output_;
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    EXPECT_EQ(::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  }
  std::string Shown() const { return ReadFile(output_); }
  bool HasShown(const std::string& text) const { return Shown().find(text) != std::string::npos; }
  // Ctrl-C; true when the watcher then ended normally.
  bool Interrupt() {
    ::kill(pid, SIGINT);
    int status = -1;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  pid_t pid = -1;

 private:
  std::string output_;
};

TEST(Vze, EveryCommandHasHelp) {
  EXPECT_EQ(Vze("--help").status, 0);
  for (const char* command : {"get", "set", "call", "enumerate", "describe", "watch", "close"}) {
    const CommandRun help = Vze(std::string(command) + " --help");
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
  const CommandRun unknown = Vze(socket + "get clsZERUredoz NoSuchThing");
  EXPECT_EQ(unknown.status, 1);
  EXPECT_THAT(unknown.output, HasSubstr("error 438"));

  // watch prints the events as they come and acknowledges completions.
  CommandRun watched;
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

TEST(Vze, WatchShowsARequestsProgressAsOnePlainLinePerStepWhenRedirected) {
  VzedProcess vzed;
  Watch watch(vzed, "--acknowledge");
  // Once the watcher has seen a status it is listening: then the request goes in.
  EXPECT_TRUE(Eventually([&] {
    Vze("--socket " + vzed.socket + " call clsZERUredoz Fire_LoginStatus Ready");
    return watch.HasShown("LoginStatus");
  }));
  EditorClient client(vzed, {.advise = false});
  client.Add(client.NewSpec({2}));  // DBR_GETWORKQUEUE
  EXPECT_TRUE(Eventually([&] { return watch.HasShown("DatabaseRequestComplete"); }));
  EXPECT_TRUE(watch.Interrupt());

  std::vector<std::string> progress;
  std::istringstream lines(watch.Shown());
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("progress ", 0) == 0 || line.find("DatabaseRequestComplete") != std::string::npos) progress.push_back(line);
  }
  ASSERT_EQ(progress.size(), 3u) << watch.Shown();
  EXPECT_THAT(progress[0], MatchesRegex("progress DBR[0-9]+ DBR_GETWORKQUEUE \\(action 1 of 1\\)"));
  EXPECT_THAT(progress[1], MatchesRegex("progress DBR[0-9]+ DBR_GETWORKQUEUE \\(action 1 of 1\\): done"));
  EXPECT_THAT(progress[2], HasSubstr("\"name\":\"DatabaseRequestComplete\""));  // after the progress lines
}

// A plain `vze watch` only listens: stopped (Ctrl-Z), it answers nothing, and still the editor's
// request completes although vzed would wait an hour for an answering subscriber.
TEST(Vze, AStoppedWatchHoldsUpNoRequest) {
  VzedProcess vzed({"--event-timeout", "3600"});
  Watch watch(vzed, "--no-progress");
  EditorClient editor(vzed);
  EXPECT_TRUE(Eventually([&] {
    editor.Call(editor.server, "Fire_LoginStatus", Json::array({"Ready"}));
    return watch.HasShown("LoginStatus");
  }));
  ::kill(watch.pid, SIGSTOP);
  editor.Run(editor.NewSpec({2}));  // DBR_GETWORKQUEUE
  EXPECT_EQ(editor.completions, 1);
  ::kill(watch.pid, SIGCONT);
  // Awake again, the watcher prints the completion it was sent as a notification.
  EXPECT_TRUE(Eventually([&] { return watch.HasShown("DatabaseRequestComplete"); }));
  EXPECT_TRUE(watch.Interrupt());
}

TEST(ProgressDisplay, RedrawsOneLineOnATerminalAndPrintsPlainStepsOtherwise) {
  const vze::Json action{{"request", "DBR00002"}, {"step", "action"}, {"actionName", "DBR_DOWNLOAD"}, {"actionNumber", 2},
                         {"actionCount", 2}, {"dictationsListed", 200}, {"dictationsDone", 0}, {"bytesReceived", 0}};
  vze::Json transfer = action;
  transfer["step"] = "transfer";
  transfer["bytesReceived"] = 3 * 1024 * 1024 + 512 * 1024;
  vze::Json dictation = transfer;
  dictation["step"] = "dictation";
  dictation["dictationsDone"] = 1;
  dictation["transfers"] = vze::Json::array({{{"utteranceID", "1002"}, {"bytesSent", 0}, {"bytesReceived", 2048}},
                                             {{"utteranceID", "1003"}, {"bytesSent", 0}, {"bytesReceived", 0}}});
  vze::Json done = dictation;
  done.erase("transfers");
  done["step"] = "done";
  done["error"] = "Request truncated.";

  std::ostringstream plain;
  vze::ProgressDisplay redirected(plain, false);
  for (const auto& params : {action, transfer, dictation, done}) redirected.Show(params);
  EXPECT_EQ(plain.str(),
            "progress DBR00002 DBR_DOWNLOAD (action 2 of 2): 0 of 200 dictations\n"
            "progress DBR00002 DBR_DOWNLOAD (action 2 of 2): 1 of 200 dictations, 3.5 MiB received, in flight: 1002 (2.0 KiB), 1003 (0 B)\n"
            "progress DBR00002 DBR_DOWNLOAD (action 2 of 2): 1 of 200 dictations, 3.5 MiB received, ended: Request truncated.\n");

  std::ostringstream screen;
  vze::ProgressDisplay terminal(screen, true, 40);
  terminal.Show(action);
  terminal.PrintLine("{\"method\":\"event\"}");
  terminal.Show(done);
  EXPECT_EQ(screen.str(),
            "DBR00002 DBR_DOWNLOAD (action 2 of 2): "  // cut to the terminal's 40 columns less one
            "\r\033[K{\"method\":\"event\"}\nDBR00002 DBR_DOWNLOAD (action 2 of 2): "
            "\r\033[KDBR00002 DBR_DOWNLOAD (action 2 of 2): 1 of 200 dictations, 3.5 MiB received, ended: Request truncated.\n");
  EXPECT_EQ(vze::ByteCount(1023), "1023 B");
  EXPECT_EQ(vze::ByteCount(1536), "1.5 KiB");
}

TEST(Vze, SaysWhenNoServerListens) {
  TempFolder folder;
  const CommandRun run = Vze("--socket " + (folder / "none.sock") + " get clsZERUredoz TraceLevel");
  EXPECT_EQ(run.status, 3);
  EXPECT_THAT(run.output, HasSubstr("cannot connect"));
}

}  // namespace
}  // namespace vz::testing
