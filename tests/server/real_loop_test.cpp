// The pump on the real event loop, with a zero interval: requests run back to back on loop turns.
#include <gtest/gtest.h>

#include "platform/event_loop.hpp"
#include "server_fixture.hpp"

namespace vz {
namespace {

TEST(PumpOnTheRealLoop, DrivesRequestsToCompletionWithAZeroInterval) {
  testing::TempFolder folder;
  ResetTraceModule();
  SetLogFilePath(folder / "Server.log");
  EventLoop loop;
  auto catalogue = std::make_shared<testing::ScriptedCatalogue>();
  InstallServerEnvironment({&loop.LoopClock(), catalogue, nullptr});
  const auto server = clsZERUredoz::ProcessInstance();
  auto client = std::make_shared<testing::RecordingClient>();
  server->Advise(client);
  server->Pump()->tmrRequest().SetInterval(std::chrono::milliseconds(0));
  auto spec = server->NewRequestSpec();
  spec->SetActionList({2, 13});
  for (int i = 0; i < 3; ++i) server->DatabaseRequests()->Add(spec);
  EXPECT_TRUE(loop.RunUntil([&] { return client->completed.size() == 3; }, std::chrono::seconds(5)));
  EXPECT_EQ(catalogue->started.size(), 6u);
  EXPECT_FALSE(server->DatabaseRequests()->RequestActive());
  // An idle pump starts again with the next request.
  server->DatabaseRequests()->Add(spec);
  EXPECT_TRUE(loop.RunUntil([&] { return client->completed.size() == 4; }, std::chrono::seconds(5)));
  server->Cleanup();
  InstallServerEnvironment({});
  ResetTraceModule();
}

}  // namespace
}  // namespace vz
