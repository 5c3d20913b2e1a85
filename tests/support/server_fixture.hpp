#pragma once
// A server object on a manual clock with a scripted action catalogue, and a client that listens to
// its events, for tests that drive the pump tick by tick.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/automation_error.hpp"
#include "diagnostics_fixture.hpp"
#include "execution/action_catalogue.hpp"
#include "execution/database_request.hpp"
#include "model/process_settings.hpp"
#include "model/request_spec.hpp"
#include "object/class_info.hpp"
#include "object/dispatch.hpp"
#include "object/event.hpp"
#include "platform/manual_clock.hpp"
#include "server/request_queue.hpp"
#include "server/server_environment.hpp"
#include "server/server_object.hpp"

namespace vz::testing {

// Starts each action as the test says: by default it completes at once (the request hands control
// back to the pump), otherwise it stays in flight until the test completes it.
class ScriptedCatalogue : public ActionCatalogue {
 public:
  struct Started {
    std::string requestID;
    std::int32_t action;
  };

  void StartAction(clsDatabaseRequest& request, std::int32_t action) override {
    started.push_back({request.ID(), action});
    if (unrecognized.contains(action)) RaiseServerError(kUnrecognizedRequestType);
    if (const auto raised = raising.find(action); raised != raising.end()) RaiseServerError(raised->second);
    if (holdInFlight) {
      inFlight = std::static_pointer_cast<clsDatabaseRequest>(request.shared_from_this());
      return;
    }
    request.ResumePump();
  }

  // Completes the action left in flight.
  void Complete() {
    auto request = std::move(inFlight);
    if (request) request->ResumePump();
  }

  std::vector<Started> started;
  std::set<std::int32_t> unrecognized;
  std::map<std::int32_t, std::string> raising;  // actions whose branch raises this text
  bool holdInFlight = false;
  std::shared_ptr<clsDatabaseRequest> inFlight;
};

// The client's side of the events: records each one and answers DatabaseRequestComplete.
class RecordingClient : public EventSink {
 public:
  void OnEvent(Object&, const MemberInfo& event, std::span<Value> arguments) override {
    events.push_back(event.name);
    if (event.name == "LoginStatus") loginStatus.push_back(arguments[0].ToString());
    if (event.name != "DatabaseRequestComplete") return;
    const auto request = std::dynamic_pointer_cast<clsDatabaseRequest>(arguments[0].ToObject());
    completed.push_back(request ? request->ID() : std::string("?"));
    if (onComplete) onComplete(*request);
    arguments[1] = Value(acknowledge);
  }

  std::vector<std::string> events;
  std::vector<std::string> completed;
  std::vector<std::string> loginStatus;
  bool acknowledge = true;
  std::function<void(clsDatabaseRequest&)> onComplete;
};

class ServerTest : public DiagnosticsTest {
 protected:
  void SetUp() override {
    DiagnosticsTest::SetUp();
    catalogue = std::make_shared<ScriptedCatalogue>();
    InstallServerEnvironment({&clock, catalogue, nullptr});
    server = clsZERUredoz::ProcessInstance();
    server->SetAppPath(folder / "App");
    client = std::make_shared<RecordingClient>();
    server->Advise(client);
    queue = server->DatabaseRequests();
  }
  void TearDown() override {
    catalogue->inFlight.reset();  // the request holds the catalogue: break the cycle
    client->onComplete = nullptr;  // Cleanup ends what is left; a test's handler may be gone
    server->Cleanup();
    server.reset();
    queue.reset();
    CurrentProcessSettings() = {};
    InstallServerEnvironment({});
    DiagnosticsTest::TearDown();
  }

  // A specification with these actions, made the way a client makes one.
  std::shared_ptr<clsRequestSpec> Spec(std::vector<std::int32_t> actions, std::int32_t completionAction = 1) {
    auto spec = server->NewRequestSpec();
    Value::Array values;
    for (const auto action : actions) values.emplace_back(action);
    dispatch::Set(*spec, "Actions", Value(values));
    dispatch::Set(*spec, "CompletionAction", Value(completionAction));
    return spec;
  }
  std::shared_ptr<clsDatabaseRequest> Add(std::vector<std::int32_t> actions, std::int32_t completionAction = 1) {
    return queue->Add(Spec(std::move(actions), completionAction));
  }

  Timer& PumpTimer() { return server->Pump()->tmrRequest(); }
  // One timer tick after the current interval.
  void Tick() { clock.AdvanceBy(PumpTimer().Interval()); }

  ManualClock clock;
  std::shared_ptr<ScriptedCatalogue> catalogue;
  std::shared_ptr<clsZERUredoz> server;
  std::shared_ptr<RecordingClient> client;
  std::shared_ptr<clsDatabaseRequests> queue;
};

}  // namespace vz::testing
