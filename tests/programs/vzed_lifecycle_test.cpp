// How vzed ends: close requests by signal and by closeRequest, the exit window's timer started from
// outside, crash reports, the service manager's notifications, and the one client of --stdio.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "editor_client.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;
namespace fs = std::filesystem;

TEST(VzedLifecycle, AcceptedCloseRequestAnswersFirstThenEndsInOrder) {
  VzedProcess vzed;
  EditorClient client(vzed, {.advise = false, .server = {{"LogFilePath", vzed.folder / "Server.log"}}});
  EXPECT_EQ(client.rpc.Call("closeRequest", {{"reason", "owner"}}), (Json{{"cancelled", false}}));
  EXPECT_TRUE(EndedWith(vzed.WaitForExit(), 0));
  EXPECT_FALSE(fs::exists(vzed.socket));  // the socket file goes with the server
  const std::string log = ReadFile(vzed.folder / "Server.log");
  EXPECT_THAT(log, HasSubstr("frmTimer.Form_QueryUnload: Closed because owner is shutting down."));
  EXPECT_THAT(log, HasSubstr("clsZERUredoz.Cleanup: Entering sub."));
}

TEST(VzedLifecycle, SignalsAreCloseRequestsWithTheirReasons) {
  struct Case {
    int signal;
    const char* file;  // where the reason is written, beside the detail log; none without a server object
    const char* reason;
  };
  // The system going down is an abnormal end; with no server object yet nothing holds the process.
  for (const Case& c : {Case{SIGTERM, "AbnormalEnds.log", "OS-ShutDown"}, Case{SIGINT, "Server.log", "Closed from control menu."},
                        Case{SIGHUP, nullptr, nullptr}}) {
    VzedProcess vzed;
    std::optional<EditorClient> client;
    if (c.file != nullptr) client.emplace(vzed, EditorOptions{.advise = false, .server = {{"LogFilePath", vzed.folder / "Server.log"}}});
    ::kill(vzed.pid, c.signal);
    EXPECT_TRUE(EndedWith(vzed.WaitForExit(), 0)) << c.signal;
    if (c.file != nullptr) {
      EXPECT_THAT(ReadFile(vzed.folder / c.file), HasSubstr(c.reason)) << c.signal;
    }
  }
}

TEST(VzedLifecycle, TheExitWindowsTimerIsStartedFromOutsideBySigusr1) {
  VzedProcess vzed;
  ::kill(vzed.pid, SIGUSR1);  // no exit window loaded yet: ignored
  EditorClient client(vzed, {.advise = false});
  EXPECT_FALSE(vzed.Exited());
  const Json handle = client.Get(client.server, "ExitProcessWindowHandle");
  ASSERT_EQ(handle, vzed.pid);
  ::kill(static_cast<pid_t>(handle.get<int>()), SIGUSR1);
  EXPECT_TRUE(EndedWith(vzed.WaitForExit(), 0));
}

TEST(VzedLifecycle, ForceCrashLeavesACrashReportInTheErrorsFolder) {
  // ForceCrash ends every process of the name: this vzed runs under a name of its own, so that no
  // other vzed on the machine (another test's, a user's) is hit.
  TempFolder programs;
  const std::string name = "vzcrash" + std::to_string(::getpid());
  fs::create_symlink(VZED_PATH, programs / name);
  VzedProcess vzed({}, {}, Actions::kInstant, programs / name);
  fs::create_directories(vzed.folder.Path() / "Logs");
  EditorClient client(vzed, {.advise = false, .server = {{"GlobalLogFile", vzed.folder / "Logs/Global.log"}}});
  client.Call(client.server, "InitCrashHandlers", Json::array({false}));
  EXPECT_THROW(client.Call(client.server, "ForceCrash", Json::array({name})), std::runtime_error);
  const auto status = vzed.WaitForExit();
  ASSERT_TRUE(status && WIFSIGNALED(*status));
  EXPECT_EQ(WTERMSIG(*status), SIGSEGV);
  std::string report;
  for (const auto& entry : fs::directory_iterator(vzed.folder.Path() / "Errors")) {
    if (entry.path().filename().string().rfind("Crash_", 0) == 0) report = ReadFile(entry.path());
  }
  EXPECT_THAT(report, HasSubstr("Signal: 11 (SIGSEGV)"));
  EXPECT_THAT(report, HasSubstr("Process: " + std::to_string(vzed.pid)));
}

// A datagram socket standing in for systemd's notification socket.
class NotifySocket {
 public:
  explicit NotifySocket(const std::string& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  ~NotifySocket() { ::close(fd_); }
  // Every datagram received within `limit` until one contains `wanted`.
  bool WaitFor(const std::string& wanted, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return Eventually([&] {
      char buffer[4096];
      for (ssize_t got; (got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
        received.append(buffer, static_cast<size_t>(got)).append("\n");
      }
      return received.find(wanted) != std::string::npos;
    }, limit);
  }
  std::string received;

 private:
  std::string path_;
  int fd_ = -1;
};

TEST(VzedLifecycle, UnderSystemdItReportsReadinessTheWatchdogAndStopping) {
  TempFolder notifyFolder;
  NotifySocket systemd(notifyFolder / "notify");
  VzedProcess vzed({}, {"NOTIFY_SOCKET=" + (notifyFolder / "notify")});
  EXPECT_TRUE(systemd.WaitFor("READY=1"));
  EXPECT_THAT(systemd.received, HasSubstr("STATUS=serving on " + vzed.socket));
  EditorClient client(vzed, {.advise = false});
  client.Call(client.server, "InitializeTimeOutMechanism", Json::array({1}));
  // The pump's heartbeats reach the monitor, which passes them on as WATCHDOG=1.
  client.Add(client.NewSpec({2}));
  EXPECT_TRUE(systemd.WaitFor("WATCHDOG=1"));
  EXPECT_EQ(client.rpc.Call("closeRequest", {{"reason", "controlMenu"}}), (Json{{"cancelled", false}}));
  EXPECT_TRUE(systemd.WaitFor("STOPPING=1"));
  EXPECT_TRUE(EndedWith(vzed.WaitForExit(), 0));
}

TEST(VzedLifecycle, RefusesASocketFolderOthersMayEnterAndASocketInUse) {
  TempFolder folder;
  fs::create_directories(folder.Path() / "open");
  fs::permissions(folder.Path() / "open", fs::perms::all);
  EXPECT_THROW(VzedProcess({"--socket", folder / "open/vzed.sock"}), std::runtime_error);
  VzedProcess first;
  EXPECT_THROW(VzedProcess({"--socket", first.socket}), std::runtime_error);
  EXPECT_EQ(fs::status(first.socket).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(first.Exited());
}

TEST(VzedLifecycle, StdioServesOneClientUntilItsInputEnds) {
  int toServer[2], fromServer[2];
  ASSERT_EQ(::pipe(toServer), 0);
  ASSERT_EQ(::pipe(fromServer), 0);
  TempFolder folder;
  const std::string logFolder = folder / "log";
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(toServer[0], STDIN_FILENO);
    ::dup2(fromServer[1], STDOUT_FILENO);
    ::close(toServer[1]);
    ::close(fromServer[0]);
    ::execl(VZED_PATH, VZED_PATH, "--stdio", "--log-folder", logFolder.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(toServer[0]);
  ::close(fromServer[1]);
  const std::string request = R"({"jsonrpc":"2.0","id":1,"method":"describe","params":{"class":"clsStatusString"}})" "\n";
  ASSERT_EQ(::write(toServer[1], request.data(), request.size()), static_cast<ssize_t>(request.size()));
  std::string answer;
  char c = 0;
  while (::read(fromServer[0], &c, 1) == 1 && c != '\n') answer.push_back(c);
  const Json parsed = Json::parse(answer);
  EXPECT_EQ(parsed["id"], 1);
  EXPECT_EQ(parsed["result"]["class"], "clsStatusString");
  ::close(toServer[1]);  // end of input: the daemon ends
  int status = 0;
  ASSERT_TRUE(Eventually([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(fromServer[0]);
}

}  // namespace
}  // namespace vz::testing
