#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "object/class_registry.hpp"
#include "server/register_server_classes.hpp"
#include "server_fixture.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ServerTest;

class RecordingMonitor : public TimeOutMonitor {
 public:
  void SetInterval(std::int32_t milliseconds) override { calls.push_back("SetInterval " + std::to_string(milliseconds)); }
  void Start(const std::string&, std::int32_t milliseconds, const MonitorLogSettings& settings, bool) override {
    calls.push_back("Start " + std::to_string(milliseconds));
    started = settings;
  }
  void Stop() override { calls.push_back("Stop"); }
  void Heartbeat() override { ++heartbeats; }
  std::vector<std::string> calls;
  int heartbeats = 0;
  MonitorLogSettings started;
};

using ServerObjectTest = ServerTest;

TEST_F(ServerObjectTest, OneServerPerProcess) {
  RegisterServerClasses(ClassRegistry::Global());
  EXPECT_EQ(dispatch::Create("clsZERUredoz"), server);
  EXPECT_EQ(dispatch::Create("CLSZERUREDOZ"), server);
}

TEST_F(ServerObjectTest, ConnectionActiveUnlessTheCurrentRequestRetries) {
  EXPECT_TRUE(server->ConnectionActive());
  const auto request = Add({2});
  EXPECT_TRUE(server->ConnectionActive());
  request->SetRetries(1);
  EXPECT_FALSE(server->ConnectionActive());
}

TEST_F(ServerObjectTest, StopAllRequestsRefusesWorkUntilAcceptedAgain) {
  Add({2});
  server->StopAllRequests();
  EXPECT_FALSE(PumpTimer().Enabled());
  EXPECT_EQ(Add({2}), nullptr);
  queue->SetAcceptingRequests(true);
  EXPECT_TRUE(Add({2}));
  EXPECT_TRUE(PumpTimer().Enabled());
}

TEST_F(ServerObjectTest, ReleasedFormHandlerFailsThroughTheTrapUntilReplaced) {
  server->SetCutoffForRTFTextUpload(4096);
  server->ShutDownPenwrightClientDLL();
  server->TurnOffTruncateFlag();
  server->TruncateRequest();
  ASSERT_EQ(prompter->Shown().size(), 2u);
  EXPECT_THAT(prompter->Shown()[0].text, HasSubstr("in ZERUredoz.clsZERUredoz.TurnOffTruncateFlag."));
  EXPECT_THAT(prompter->Shown()[1].text, HasSubstr("in ZERUredoz.clsZERUredoz.TruncateRequest."));
  // Plain hand-overs skip a missing handler quietly.
  server->SetBinaryRTFUploadsImplemented(true);
  EXPECT_EQ(prompter->Shown().size(), 2u);
  server->SetInstance("2");
  server->MakeNewFormHandler();
  ASSERT_NE(server->FormHandler(), nullptr);
  EXPECT_TRUE(server->FormHandler()->BinaryRTFUploadsImplemented());
  EXPECT_EQ(server->FormHandler()->CutoffForRTFTextUpload(), 4096);
  EXPECT_EQ(server->FormHandler()->Instance(), "2");
  server->TruncateRequest();
  EXPECT_TRUE(server->FormHandler()->TruncateFlag());
  server->TurnOffTruncateFlag();
  EXPECT_FALSE(server->FormHandler()->TruncateFlag());
}

TEST_F(ServerObjectTest, TimeOutMonitorIsStartedOnceAndReTimed) {
  auto monitor = std::make_shared<RecordingMonitor>();
  InstallServerEnvironment({&clock, catalogue, [monitor] { return monitor; }});
  server->InitializeTimeOutMechanism(Value(0.5));
  server->InitializeTimeOutMechanism(Value(2.0));
  server->InitializeTimeOutMechanism(std::nullopt);
  server->InitializeTimeOutMechanism(Value("soon"));
  EXPECT_THAT(monitor->calls, ElementsAre("Start 30000", "SetInterval 120000", "SetInterval 60000", "SetInterval 60000"));
  EXPECT_EQ(monitor->started.logFilePath, detailLog);
  EXPECT_EQ(monitor->started.globalLogFile, GlobalLogFile());
  EXPECT_EQ(monitor->started.traceLevel, 4);
  EXPECT_EQ(server->FormHandler()->Monitor(), monitor);
  // The pump gives a heartbeat at every tick, the request one more when it is deactivated.
  Add({});
  Tick();
  EXPECT_EQ(monitor->heartbeats, 2);
  server->Cleanup();
  EXPECT_EQ(monitor->calls.back(), "Stop");
}

TEST_F(ServerObjectTest, NoMonitorBeforeTheClientStartsOneAndNoZeroInterval) {
  auto monitor = std::make_shared<RecordingMonitor>();
  InstallServerEnvironment({&clock, catalogue, [monitor] { return monitor; }});
  server->MakeNewFormHandler();
  EXPECT_THAT(monitor->calls, ::testing::IsEmpty());
  EXPECT_EQ(server->TimeOutMonitorObject(), nullptr);
  server->InitializeTimeOutMechanism(Value(0.0));
  server->InitializeTimeOutMechanism(Value(-3.0));
  server->MakeNewFormHandler();
  EXPECT_THAT(monitor->calls, ElementsAre("Start 60000", "SetInterval 60000", "SetInterval 60000"));
  EXPECT_EQ(server->FormHandler()->Monitor(), monitor);
}

TEST_F(ServerObjectTest, InitializeTimeOutMechanismNamesTheProductInItsErrors) {
  class RefusingMonitor : public RecordingMonitor {
    void Start(const std::string&, std::int32_t, const MonitorLogSettings&, bool) override {
      RaiseServerError("The monitor cannot start.");
    }
  };
  InstallServerEnvironment({&clock, catalogue, [] { return std::make_shared<RefusingMonitor>(); }});
  server->InitializeTimeOutMechanism(Value(1.0));
  ASSERT_FALSE(prompter->Shown().empty());
  EXPECT_THAT(prompter->Shown().back().text,
              HasSubstr("Error -1: The monitor cannot start.\r\nin VizorareZazizuzEravov.clsZERUredoz.InitializeTimeOutMechanism.\r\n"));
}

TEST_F(ServerObjectTest, InstanceNotifiesTheProcessMonitor) {
  const std::string socketPath = folder / "procmon.sock";
  const int listener = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::setenv("VZE_PROCMON_SOCKET", socketPath.c_str(), 1);

  server->SetInstance(" 2 ");
  char buffer[64] = {};
  const ssize_t got = ::recv(listener, buffer, sizeof buffer - 1, MSG_DONTWAIT);
  EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0), "1028 " + std::to_string(::getpid()));
  server->SetInstance("4");
  EXPECT_LT(::recv(listener, buffer, sizeof buffer - 1, MSG_DONTWAIT), 0);
  ::unsetenv("VZE_PROCMON_SOCKET");
  ::close(listener);
  EXPECT_THAT(ApplicationName(), ::testing::EndsWith("4"));
}

TEST_F(ServerObjectTest, ShutdownSwitchesErrorBoxesOff) {
  server->SetShutDownInProcess(true);
  EXPECT_FALSE(ErrorBoxesEnabled());
  EXPECT_TRUE(queue->ShutDownInProcess());
  EXPECT_TRUE(server->FormHandler()->IsShutDown());
  server->ShutDownPenwrightClientDLL();
  server->TurnOffTruncateFlag();
  EXPECT_TRUE(prompter->Shown().empty());
  SetErrorBoxesEnabled(true);
}

TEST_F(ServerObjectTest, SettingsReachTheTraceModuleAndTheFormHandler) {
  server->SetTraceLevel(3);
  EXPECT_EQ(TraceLevel(), 3);
  EXPECT_EQ(server->FormHandler()->TraceLevel(), 3);
  server->SetGlobalLogFile(folder / "Logs/Other.log");
  EXPECT_EQ(GlobalLogFile(), folder / "Logs/Other.log");
  EXPECT_EQ(server->LogSettings().GlobalLogFile(), folder / "Logs/Other.log");
  server->SetDBRUseCustomDateFormat(true);
  server->SetDBRDateAndTimeFormat("yyyy-mm-dd hh:nn");
  EXPECT_TRUE(CurrentProcessSettings().useCustomDateFormat);
  EXPECT_EQ(CurrentProcessSettings().dateAndTimeFormat, "yyyy-mm-dd hh:nn");
  EXPECT_TRUE(server->FormHandler()->UseCustomDateFormat());
  server->SetCancelAllRequests(true);
  EXPECT_TRUE(CurrentProcessSettings().cancelAllRequests);
}

}  // namespace
}  // namespace vz
