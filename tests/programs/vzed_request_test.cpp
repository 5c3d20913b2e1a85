// End to end: a client in this process drives vzed in another through the socket, from creating
// the server object to DatabaseRequestComplete and the request's results.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor_client.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;

// A request for `action` with one generic request for it.
std::int64_t Request(EditorClient& editor, int action) {
  const auto spec = editor.NewSpec({action});
  editor.AddParameterSet(spec, action);
  return spec;
}

TEST(VzedRequests, ARequestCompletesOnceAndItsResultsAreReadInsideTheHandler) {
  VzedProcess vzed;
  EditorClient editor(vzed, {.logs = true, .server = {{"TraceLevel", 4}}});
  const std::string logs = editor.logs.string();
  EXPECT_EQ(editor.Get(editor.server, "LogFilePath"), logs + "/Server.log");

  std::string resultRead;
  std::string key;
  editor.Run(Request(editor, 2), [&](std::int64_t request) {
    // Inside the handler: the server answers our calls while it waits for bReceived.
    const auto generic = HandleOf(editor.Get(request, "GenericRequests"));
    const auto first = HandleOf(editor.Get(generic, "Item", {1}));
    resultRead = editor.Get(HandleOf(editor.Get(first, "ResponseStrings")), "Item", {1}).get<std::string>();
    key = editor.Get(request, "ID").get<std::string>();
  });
  const std::vector<Json>& events = editor.events;
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
  second.Add(Request(second, 1));
  ASSERT_TRUE(Eventually([&] {
    first.rpc.ServeOne(std::chrono::milliseconds(0));
    return first.rpc.Lines().Closed();
  }));
  ASSERT_TRUE(Eventually([&] {
    second.rpc.ServeOne(std::chrono::milliseconds(0));
    return seenBySecond.size() == 1;
  }));
  // The second client heard it once, after the first, and is served on as before.
  ASSERT_TRUE(Eventually([&] { return second.Get(second.queue, "Count") == 0; }));
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
  const Json result = caller.rpc.Call(
      "call", {{"handle", caller.server}, {"name", "Fire_LoginStatus"}, {"args", Json::array({"Downloading current speakers..."})}});
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

  EditorClient prompting(vzed, {.prompts = true});
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
  const auto info = editor.New("NewConnectInfo");
  editor.Set(info, "Password", "s3cr3t-pa55");
  const std::string log = ReadFile(vzed.logFolder + "/vzed.log");
  EXPECT_THAT(log, HasSubstr("\"name\":\"Password\""));
  EXPECT_THAT(log, HasSubstr("\"value\":\"********\""));
  EXPECT_THAT(log, ::testing::Not(HasSubstr("s3cr3t-pa55")));
}

}  // namespace
}  // namespace vz::testing
