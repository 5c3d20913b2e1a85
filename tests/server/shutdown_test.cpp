// Shutdown and the time-out monitor: the terminator, the exit window, the crash handler hooks, the
// watchdog's hang reports, and the crash reports of fatal signals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/fatal_signals.hpp"
#include "server/exit_window.hpp"
#include "server/terminator.hpp"
#include "server/watchdog_monitor.hpp"
#include "server_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using testing::ServerTest;
namespace fs = std::filesystem;

class RecordingCrashHandler : public CrashHandler {
 public:
  void Initialize(bool enable, const std::string& name, bool vectored) override {
    calls.push_back(std::string(enable ? "init " : "off ") + name + (vectored ? " vectored" : ""));
  }
  bool ForceCrash(const std::string& name) override {
    calls.push_back("crash " + name);
    return true;
  }
  std::vector<std::string> calls;
};

// Files in `folder` whose names start with `prefix`.
std::vector<fs::path> FilesStartingWith(const fs::path& folder, const std::string& prefix) {
  std::vector<fs::path> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path());
  }
  return found;
}

// Polls `done` until it holds or five seconds have passed.
template <class Done>
bool Eventually(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

using ShutdownTest = ServerTest;

TEST_F(ShutdownTest, EachTerminatorReadIsANewObjectTracedOnCreationAndRelease) {
  Value first = dispatch::Get(*server, "Terminator");
  Value second = dispatch::Get(*server, "Terminator");
  EXPECT_NE(first.ToObject(), second.ToObject());
  EXPECT_EQ(first.ToObject()->Class().Name(), "clsDBRTerminator");
  first = Value();
  second = Value();
  const std::string log = DetailLog();
  size_t entering = 0, exiting = 0;
  for (size_t at = 0; (at = log.find("clsDBRTerminator.Class_Initialize", at)) != std::string::npos; ++at) ++entering;
  for (size_t at = 0; (at = log.find("clsDBRTerminator.Class_Terminate", at)) != std::string::npos; ++at) ++exiting;
  EXPECT_EQ(entering, 2u);
  EXPECT_EQ(exiting, 2u);
}

TEST_F(ShutdownTest, ExitWindowIsLoadedOnceAndEndsTheProcessOnlyWhenItsTimerIsStartedFromOutside) {
  std::vector<int> exits;
  frmExitProcess::SetExitAction([&](int code) { exits.push_back(code); });
  EXPECT_FALSE(frmExitProcess::StartTimerFromOutside());  // not loaded yet: nothing to start
  EXPECT_EQ(server->ExitProcessWindowHandle(), static_cast<std::int32_t>(::getpid()));
  frmExitProcess* window = frmExitProcess::Loaded();
  ASSERT_NE(window, nullptr);
  server->ExitProcessWindowHandle();
  EXPECT_EQ(frmExitProcess::Loaded(), window);
  EXPECT_FALSE(window->Timer1().Enabled());
  clock.AdvanceBy(std::chrono::seconds(5));
  EXPECT_TRUE(exits.empty());

  EXPECT_TRUE(frmExitProcess::StartTimerFromOutside());
  clock.AdvanceBy(std::chrono::milliseconds(999));
  EXPECT_TRUE(exits.empty());
  clock.AdvanceBy(std::chrono::milliseconds(1));
  EXPECT_THAT(exits, ::testing::ElementsAre(0));
  EXPECT_THAT(DetailLog(), HasSubstr("frmExitProcess.Timer1_Timer: Exiting process."));
  frmExitProcess::Unload();
  frmExitProcess::SetExitAction(nullptr);
}

TEST_F(ShutdownTest, CrashHandlerIsMadeByInitCrashHandlersAndForceCrashNeedsOne) {
  std::string name = "someprocess";
  EXPECT_FALSE(server->ForceCrash(name));  // no crash handler yet
  auto handler = std::make_shared<RecordingCrashHandler>();
  InstallServerEnvironment({&clock, catalogue, nullptr, [handler] { return handler; }});
  bool vectored = true;
  server->InitCrashHandlers(vectored);
  EXPECT_TRUE(server->ForceCrash(name));
  EXPECT_THAT(handler->calls, ::testing::ElementsAre("init " + ApplicationName() + " vectored", "crash someprocess"));
  EXPECT_THAT(DetailLog(), HasSubstr("Entering sub.  bUseVectorHandler = True"));
}

TEST_F(ShutdownTest, TheWatchdogRunsFromInitializeTimeOutMechanismUntilCleanup) {
  auto monitor = std::make_shared<WatchdogMonitor>(WatchdogMonitor::Options{});
  InstallServerEnvironment({&clock, catalogue, [monitor] { return monitor; }});
  server->InitializeTimeOutMechanism(Value(1.0));
  EXPECT_TRUE(monitor->Running());
  EXPECT_EQ(dispatch::Get(*server, "TimeOutMonitor").ToObject(), monitor);
  dispatch::Call(*monitor, "Heartbeat", {});
  server->Cleanup();
  EXPECT_FALSE(monitor->Running());
}

// The watchdog's checks, without a server and without its thread: the test owns the clock and
// takes each look itself.
class WatchdogTest : public testing::DiagnosticsTest {
 protected:
  fs::path ErrorsFolder() const { return folder.Path() / "Errors"; }
  void Advance(int milliseconds) { now += std::int64_t(milliseconds) * 1'000'000; }
  WatchdogMonitor::Options Manual() {
    WatchdogMonitor::Options options;
    options.clock = [this] { return now; };
    return options;
  }
  std::int64_t now = 1'000'000'000;
};

TEST_F(WatchdogTest, AStuckLoopGetsOneHangReportPerHang) {
  WatchdogMonitor monitor(Manual());  // no loop to probe: only real heartbeats count
  monitor.Arm("vzed", 20, {GlobalLogFile(), GlobalSummaryLogFile(), LogFilePath(), 4});
  Advance(19);
  monitor.Check();
  EXPECT_EQ(monitor.HangReportsWritten(), 0);
  Advance(6);
  monitor.Check();
  ASSERT_EQ(monitor.HangReportsWritten(), 1);
  const auto reports = FilesStartingWith(ErrorsFolder(), "Hang_vzed_");
  ASSERT_EQ(reports.size(), 1u);
  const std::string report = testing::ReadFile(reports[0]);
  EXPECT_THAT(report, HasSubstr("No heartbeat for 25 ms (interval 20 ms)"));
  EXPECT_THAT(report, HasSubstr("Detail log: " + LogFilePath()));
  // The same silence is not reported twice; a heartbeat ends the hang even when no check saw the
  // loop alive, and the next silence is a new one.
  Advance(500);
  monitor.Check();
  EXPECT_EQ(monitor.HangReportsWritten(), 1);
  monitor.Heartbeat();
  Advance(30);
  monitor.Check();
  EXPECT_EQ(monitor.HangReportsWritten(), 2);
  EXPECT_EQ(FilesStartingWith(ErrorsFolder(), "Hang_vzed_").size(), 2u);
}

TEST_F(WatchdogTest, ALoopThatAnswersItsProbesIsNotReportedOneThatDoesNotIs) {
  std::vector<std::function<void()>> posted;
  int heartbeats = 0;
  auto options = Manual();
  options.postToLoop = [&](std::function<void()> task) { posted.push_back(std::move(task)); };
  options.onHeartbeat = [&] { ++heartbeats; };
  WatchdogMonitor monitor(options);
  monitor.Arm("vzed", 40, {});
  // An idle loop: each probe is answered before the next look.
  for (int look = 0; look < 10; ++look) {
    Advance(15);
    monitor.Check();
    ASSERT_EQ(posted.size(), 1u) << "look " << look;
    posted.front()();
    posted.clear();
  }
  EXPECT_EQ(monitor.ProbesAnswered(), 10);
  EXPECT_EQ(monitor.HangReportsWritten(), 0);
  // A busy loop: one probe stays outstanding, no second is posted, and the silence is reported.
  for (int look = 0; look < 4; ++look) {
    Advance(15);
    monitor.Check();
  }
  EXPECT_EQ(posted.size(), 1u);
  EXPECT_EQ(monitor.HangReportsWritten(), 1);
  EXPECT_TRUE(FilesStartingWith(folder.Path(), "Hang_").empty());  // reports go to the errors folder only
  // Probes are not heartbeats the daemon passes on; real ones are.
  monitor.Heartbeat();
  EXPECT_EQ(heartbeats, 1);
}

// Runs `body` in a child process and returns its wait status.
template <class Body>
int InChild(Body body) {
  const pid_t child = ::fork();
  if (child == 0) {
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

TEST(CrashReports, AFatalSignalWritesAReportAndStillEndsTheProcessByTheSignal) {
  testing::TempFolder folder;
  const int status = InChild([&] {
    platform::InstallCrashReporter(folder / "Errors", "crashtest", false);
    std::raise(SIGSEGV);
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  const auto reports = FilesStartingWith(folder.Path() / "Errors", "Crash_crashtest_");
  ASSERT_EQ(reports.size(), 1u);
  const std::string report = testing::ReadFile(reports[0]);
  EXPECT_THAT(report, HasSubstr("Signal: 11 (SIGSEGV)"));
  EXPECT_THAT(report, HasSubstr("Backtrace:\n"));
  EXPECT_GT(report.size(), report.find("Backtrace:\n") + 12);  // at least one frame
}

TEST(CrashReports, AnUncaughtExceptionIsNamedWhenAskedFor) {
  testing::TempFolder folder;
  const int status = InChild([&] {
    platform::InstallCrashReporter(folder.Path().string(), "crashtest", true);
    std::thread([] { throw std::runtime_error("nobody caught this"); }).join();
  });
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGABRT);
  const auto reports = FilesStartingWith(folder.Path(), "Crash_crashtest_");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_THAT(testing::ReadFile(reports[0]), HasSubstr("Uncaught exception: nobody caught this"));
}

TEST(CrashReports, ForceCrashReachesOnlyProcessesOfThatName) {
  testing::TempFolder folder;
  // A process with a name no one else uses: a copy of sleep.
  const fs::path sleeper = folder.Path() / "vzcrashprobe";
  fs::copy_file("/bin/sleep", sleeper);
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(sleeper.c_str(), "vzcrashprobe", "30", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_TRUE(Eventually([&] { return testing::ReadFile("/proc/" + std::to_string(child) + "/comm") == "vzcrashprobe\n"; }));
  EXPECT_EQ(platform::CrashProcessesNamed("vzcrashprobe-other"), 0);
  EXPECT_EQ(platform::CrashProcessesNamed("vzcrashprobe"), 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
}

}  // namespace
}  // namespace vz
