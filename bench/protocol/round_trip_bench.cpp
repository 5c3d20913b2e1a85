// Automation round trips over the Unix socket: a `get` of the server object's TraceLevel through
// the whole protocol stack (JSON-RPC parse, handle lookup, generic dispatch, answer), against a
// bare echo of the same request line over the same kind of socket and the same line channel.
// Both servers run on their own event-loop thread in this process; the client is blocking.
#include <memory>
#include <string>
#include <thread>

#include "diagnostics/trace.hpp"
#include "line_client.hpp"
#include "object/class_registry.hpp"
#include "platform/event_loop.hpp"
#include "protocol/hub.hpp"
#include "ratio_reporter.hpp"
#include "server/register_server_classes.hpp"
#include "server/server_environment.hpp"
#include "server/server_object.hpp"
#include "transport/unix_listener.hpp"

namespace {

const std::string kRequest = R"({"jsonrpc":"2.0","id":7,"method":"get","params":{"handle":1,"name":"TraceLevel"}})";

std::string SocketPath(const char* name) {
  return "/tmp/vz-bench-" + std::to_string(::getpid()) + "/" + name + ".sock";
}

// An event loop on its own thread, serving whatever `setUp` attaches to it.
class LoopThread {
 public:
  template <class SetUp>
  explicit LoopThread(SetUp setUp) {
    setUp(loop_);
    thread_ = std::thread([this] { loop_.Run(); });
  }
  ~LoopThread() {
    loop_.Post([this] {
      if (tearDown) tearDown();
      loop_.Stop();
    });
    thread_.join();
  }
  std::function<void()> tearDown;

 private:
  vz::EventLoop loop_;
  std::thread thread_;
};

struct AutomationServer {
  AutomationServer() {
    vz::ResetTraceModule();
    vz::RegisterServerClasses(vz::ClassRegistry::Global());
    thread = std::make_unique<LoopThread>([this](vz::EventLoop& loop) {
      vz::InstallServerEnvironment({&loop.LoopClock(), std::make_shared<vz::EmptyActionCatalogue>(), nullptr});
      hub = std::make_unique<vz::protocol::Hub>(loop, vz::protocol::HubOptions{});
      listener = std::make_unique<vz::transport::UnixListener>(
          loop.Context(), SocketPath("automation"), [this](auto channel) { hub->Attach(std::move(channel)); });
    });
    thread->tearDown = [this] {
      listener.reset();
      hub.reset();
      if (const auto server = vz::clsZERUredoz::Current()) server->Cleanup();
      vz::InstallServerEnvironment({});
    };
  }
  std::unique_ptr<vz::protocol::Hub> hub;
  std::unique_ptr<vz::transport::UnixListener> listener;
  std::unique_ptr<LoopThread> thread;
};

struct EchoServer {
  EchoServer() {
    thread = std::make_unique<LoopThread>([this](vz::EventLoop& loop) {
      listener = std::make_unique<vz::transport::UnixListener>(loop.Context(), SocketPath("echo"), [](auto channel) {
        std::weak_ptr<vz::transport::LineChannel> weak = channel;
        channel->Start({.onLine = [weak](std::string line) {
                          if (const auto open = weak.lock()) open->Send(std::move(line));
                        },
                        .onOverflow = {},
                        .onClosed = {}});
      });
    });
    thread->tearDown = [this] { listener.reset(); };
  }
  std::unique_ptr<vz::transport::UnixListener> listener;
  std::unique_ptr<LoopThread> thread;
};

void RoundTrips(benchmark::State& state, vze::LineClient& client) {
  for (auto _ : state) {
    if (!client.SendLine(kRequest) || !client.ReadLine(std::chrono::seconds(10))) {
      state.SkipWithError("no answer");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_AutomationGetRoundTrip(benchmark::State& state) {
  AutomationServer server;
  vze::LineClient client(SocketPath("automation"));
  // Handle 1 of this connection: the server object.
  client.SendLine(R"({"jsonrpc":"2.0","id":1,"method":"create","params":{"class":"clsZERUredoz"}})");
  client.ReadLine(std::chrono::seconds(10));
  RoundTrips(state, client);
}
BENCHMARK(BM_AutomationGetRoundTrip)->UseRealTime()->MinTime(1.0);

void BM_EchoRoundTrip(benchmark::State& state) {
  EchoServer server;
  vze::LineClient client(SocketPath("echo"));
  RoundTrips(state, client);
}
BENCHMARK(BM_EchoRoundTrip)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  return vz::bench::RunAndCompare(argc, argv,
                                  {{"round-trip", "automation get round trip against a bare line echo over the same socket",
                                    "BM_AutomationGetRoundTrip/min_time:1.000/real_time",
                                    "BM_EchoRoundTrip/min_time:1.000/real_time", vz::bench::Comparison::By::Time, 1.5}});
}
