// End to end: a client in this process drives vzed in another through the socket, from creating
// the server object to DatabaseRequestComplete and the request's results.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vzed_process.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;
using vze::Json;

// A client that has created the server object, configured its logs and advised it.
struct EditorClient {
  explicit EditorClient(VzedProcess& vzed, bool prompts = false) : rpc(vzed.Client()) {
    server = HandleOf(rpc.Call("create", {{"class", "clsZERUredoz"}}));
    rpc.Call("advise", {{"handle", server}, {"prompts", prompts}});
  }
  Json Get(std::int64_t handle, const std::string& name, Json args = Json::array()) {
    return rpc.Call("get", {{"handle", handle}, {"name", name}, {"args", std::move(args)}});
  }
  void Set(std::int64_t handle, const std::string& name, Json value) {
    rpc.Call("set", {{"handle", handle}, {"name", name}, {"value", std::move(value)}});
  }
  Json Call(std::int64_t handle, const std::string& name, Json args = Json::array()) {
    return rpc.Call("call", {{"handle", handle}, {"name", name}, {"args", std::move(args)}});
  }
  // Submits a request for `action` with one generic request for it; returns the request's key.
  std::string Submit(std::int32_t action) {
    const auto spec = HandleOf(Call(server, "NewRequestSpec")["value"]);
    Set(spec, "Actions", Json::array({action}));
    Call(HandleOf(Get(spec, "GenericRequests")), "Add", {action});
    const auto queue = HandleOf(Get(server, "DatabaseRequests"));
    const Json request = Call(queue, "Add", Json::array({Json{{"$handle", spec}}}))["value"];
    return Get(HandleOf(request), "ID").get<std::string>();
  }
  vze::RpcClient rpc;
  std::int64_t server = 0;
};

TEST(VzedRequests, ARequestCompletesOnceAndItsResultsAreReadInsideTheHandler) {
  VzedProcess vzed;
  EditorClient editor(vzed);
  const std::string logs = vzed.folder / "Logs";
  std::filesystem::create_directories(logs);
  editor.Set(editor.server, "LogFilePath", logs + "/Server.log");
  editor.Set(editor.server, "GlobalLogFile", logs + "/Global.log");
  editor.Set(editor.server, "TraceLevel", 4);
  EXPECT_EQ(editor.Get(editor.server, "LogFilePath"), logs + "/Server.log");

  std::vector<Json> events;
  std::string resultRead;
  editor.rpc.OnServerMessage([&](const Json& message) -> std::optional<Json> {
    events.push_back(message);
    const Json& params = message["params"];
    if (params["name"] != "DatabaseRequestComplete") return std::nullopt;
    // Inside the handler: the server answers our calls while it waits for bReceived.
    const auto request = HandleOf(params["args"][0]);
    const auto generic = HandleOf(editor.Get(request, "GenericRequests"));
    const auto first = HandleOf(editor.Get(generic, "Item", {1}));
    resultRead = editor.Get(HandleOf(editor.Get(first, "ResponseStrings")), "Item", {1}).get<std::string>();
    Json args = params["args"];
    args[1] = true;
    return Json{{"args", args}};
  });
  const std::string key = editor.Submit(2);
  const auto queue = HandleOf(editor.Get(editor.server, "DatabaseRequests"));
  // The pump removes the request right after the event: once the queue is empty any repeat of
  // the event would have come already.
  ASSERT_TRUE(Eventually([&] {
    while (editor.rpc.ServeOne(std::chrono::milliseconds(0))) {
    }
    return !events.empty() && editor.Get(queue, "Count") == 0;
  }));
  while (editor.rpc.ServeOne(std::chrono::milliseconds(50))) {
  }
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0]["method"], "event");
  EXPECT_TRUE(events[0].contains("id"));  // a request: bReceived is by reference
  EXPECT_EQ(events[0]["params"]["source"], editor.server);
  EXPECT_EQ(events[0]["params"]["args"][0]["$class"], "clsDatabaseRequest");
  EXPECT_EQ(events[0]["params"]["args"][1], false);
  EXPECT_EQ(resultRead, "Completed at once");
  const std::string log = ReadFile(logs + "/Server.log");
  EXPECT_THAT(log, HasSubstr("After event.  bReceived = True"));
  EXPECT_THAT(log, ::testing::Not(HasSubstr("After event.  bReceived = False")));
  EXPECT_THAT(key, ::testing::StartsWith("DBR"));
}

TEST(VzedRequests, EventsGoToEveryAdvisedClientInOrderAndAVanishedClientLosesNothingForTheOthers) {
  VzedProcess vzed;
  EditorClient first(vzed);
  EditorClient second(vzed);
  std::vector<std::string> order;
  // The first client receives the event request and disappears without answering.
  first.rpc.OnServerMessage([&](const Json& message) -> std::optional<Json> {
    if (message["params"]["name"] == "DatabaseRequestComplete") {
      order.push_back("first");
      first.rpc.Lines().Close();
    }
    return std::nullopt;
  });
  std::vector<Json> seenBySecond;
  second.rpc.OnServerMessage([&](const Json& message) -> std::optional<Json> {
    seenBySecond.push_back(message);
    order.push_back("second");
    Json args = message["params"]["args"];
    args[1] = true;
    return Json{{"args", args}};
  });
  second.Submit(1);
  ASSERT_TRUE(Eventually([&] {
    first.rpc.ServeOne(std::chrono::milliseconds(0));
    return first.rpc.Lines().Closed();
  }));
  ASSERT_TRUE(Eventually([&] {
    second.rpc.ServeOne(std::chrono::milliseconds(0));
    return seenBySecond.size() == 1;
  }));
  // The second client heard it once, after the first, and is served on as before.
  const auto queue = HandleOf(second.Get(second.server, "DatabaseRequests"));
  ASSERT_TRUE(Eventually([&] { return second.Get(queue, "Count") == 0; }));
  while (second.rpc.ServeOne(std::chrono::milliseconds(50))) {
  }
  EXPECT_EQ(seenBySecond.size(), 1u);
  EXPECT_THAT(order, ::testing::ElementsAre("first", "second"));
  EXPECT_EQ(second.Get(second.server, "TraceLevel").is_number(), true);
}

TEST(VzedRequests, NotificationsCarryEventsWithoutByReferenceArguments) {
  VzedProcess vzed;
  EditorClient listener(vzed);
  EditorClient caller(vzed);
  const Json result = caller.Call(caller.server, "Fire_LoginStatus", {"Downloading current speakers..."});
  EXPECT_EQ(result["args"], Json::array({"Downloading current speakers..."}));
  const std::optional<std::string> line = listener.rpc.Lines().ReadLine(std::chrono::seconds(5));
  ASSERT_TRUE(line);
  const Json event = Json::parse(*line);
  EXPECT_FALSE(event.contains("id"));
  EXPECT_EQ(event["params"]["name"], "LoginStatus");
  EXPECT_EQ(event["params"]["args"], Json::array({"Downloading current speakers..."}));
  // Handles are per connection: the listener's own handle names the server in its events.
  EXPECT_EQ(event["params"]["source"], listener.server);
}

TEST(VzedRequests, MessageBoxesGoToThePromptingClientOrAreAnsweredHeadless) {
  VzedProcess vzed;
  EditorClient plain(vzed);
  // Nobody prompts: the task manager's warning box counts as not shown, and the close is refused.
  EXPECT_EQ(plain.rpc.Call("closeRequest", {{"reason", "taskManager"}}), (Json{{"cancelled", true}}));

  EditorClient prompting(vzed, /*prompts=*/true);
  std::vector<Json> boxes;
  std::thread answerer([&] {
    prompting.rpc.OnServerMessage([&](const Json& message) -> std::optional<Json> {
      boxes.push_back(message);
      return Json{{"answer", 1}};
    });
    prompting.rpc.ServeOne(std::chrono::seconds(10));
  });
  EXPECT_EQ(plain.rpc.Call("closeRequest", {{"reason", "taskManager"}}), (Json{{"cancelled", true}}));
  answerer.join();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]["method"], "messageBox");
  EXPECT_THAT(boxes[0]["params"]["text"].get<std::string>(), HasSubstr("You cannot shut it down through the task manager"));
  EXPECT_EQ(boxes[0]["params"]["title"], "Penwright MT");
  EXPECT_FALSE(vzed.Exited());
}

TEST(VzedRequests, PasswordsNeverReachTheTraceInClear) {
  VzedProcess vzed({"--trace-level", "4"});
  EditorClient editor(vzed);
  const auto info = HandleOf(editor.Call(editor.server, "NewConnectInfo")["value"]);
  editor.Set(info, "Password", "s3cr3t-pa55");
  const std::string log = ReadFile(vzed.logFolder + "/vzed.log");
  EXPECT_THAT(log, HasSubstr("\"name\":\"Password\""));
  EXPECT_THAT(log, HasSubstr("\"value\":\"********\""));
  EXPECT_THAT(log, ::testing::Not(HasSubstr("s3cr3t-pa55")));
}

}  // namespace
}  // namespace vz::testing
