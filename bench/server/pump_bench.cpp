// The engine's own cost: requests added and driven through the pump to DatabaseRequestComplete on
// the real event loop, with a zero-interval timer and an action that completes at once; and the
// memory a queued request takes.
#include <malloc.h>

#include <memory>

#include "diagnostics/trace.hpp"
#include "execution/database_request.hpp"
#include "model/request_spec.hpp"
#include "platform/event_loop.hpp"
#include "ratio_reporter.hpp"
#include "server/request_queue.hpp"
#include "server/server_environment.hpp"
#include "server/server_object.hpp"

namespace {

class InstantCatalogue : public vz::ActionCatalogue {
 public:
  void StartAction(vz::clsDatabaseRequest& request, std::int32_t) override { request.ResumePump(); }
};

class CountingClient : public vz::EventSink {
 public:
  void OnEvent(vz::Object&, const vz::MemberInfo&, std::span<vz::Value> arguments) override {
    ++completed;
    arguments[1] = vz::Value(true);
  }
  long completed = 0;
};

struct Engine {
  Engine() {
    vz::ResetTraceModule();
    vz::InstallServerEnvironment({&loop.LoopClock(), std::make_shared<InstantCatalogue>(), nullptr});
    server = vz::clsZERUredoz::ProcessInstance();
    server->Pump()->tmrRequest().SetInterval(std::chrono::milliseconds(0));
    client = std::make_shared<CountingClient>();
    server->Advise(client);
    spec = server->NewRequestSpec();
    spec->SetActionList({2});
  }
  ~Engine() {
    server->Cleanup();
    vz::InstallServerEnvironment({});
  }
  vz::EventLoop loop;
  std::shared_ptr<vz::clsZERUredoz> server;
  std::shared_ptr<CountingClient> client;
  std::shared_ptr<vz::clsRequestSpec> spec;
};

void BM_RequestsThroughPump(benchmark::State& state) {
  auto engine = std::make_unique<Engine>();
  const auto batch = state.range(0);
  long keysUsed = 0;
  for (auto _ : state) {
    if (keysUsed + batch > 32767) {
      // A queue has 32767 request keys; a new server starts a new queue.
      state.PauseTiming();
      engine.reset();
      engine = std::make_unique<Engine>();
      keysUsed = 0;
      state.ResumeTiming();
    }
    const long target = engine->client->completed + batch;
    for (long i = 0; i < batch; ++i) engine->server->DatabaseRequests()->Add(engine->spec);
    keysUsed += batch;
    if (!engine->loop.RunUntil([&] { return engine->client->completed >= target; }, std::chrono::seconds(30))) {
      state.SkipWithError("requests did not complete");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_RequestsThroughPump)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_MemoryPerQueuedRequest(benchmark::State& state) {
  Engine engine;
  const auto queue = engine.server->DatabaseRequests();
  queue->SetRequestActive(true);  // queued, not run
  const auto count = state.range(0);
  double perRequest = 0;
  for (auto _ : state) {
    const auto before = mallinfo2().uordblks;
    for (long i = 0; i < count; ++i) queue->Add(engine.spec);
    const auto after = mallinfo2().uordblks;
    perRequest = static_cast<double>(after - before) / static_cast<double>(count);
    state.PauseTiming();
    while (queue->Count() > 0) queue->RemoveRequest(queue->Item(vz::Value(std::int32_t{1}))->ID());
    state.ResumeTiming();
  }
  state.counters["bytes_per_request"] = perRequest;
}
BENCHMARK(BM_MemoryPerQueuedRequest)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return vz::bench::RunAndCompare(
      argc, argv, {},
      {{"pump", "requests through the pump, zero interval, instant actions", "BM_RequestsThroughPump/1000", 300000}});
}
