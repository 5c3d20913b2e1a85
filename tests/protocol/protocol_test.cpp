// The protocol layer in this process: values and handles on the wire, what a trace may show, and
// how one connection's requests are ordered while the server waits for a client's answer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <poll.h>

#include <cmath>
#include <future>
#include <limits>
#include <map>
#include <thread>

#include "diagnostics/message_box.hpp"
#include "diagnostics_fixture.hpp"
#include "object/automation_object.hpp"
#include "platform/event_loop.hpp"
#include "platform/manual_clock.hpp"
#include "protocol/event_forwarding.hpp"
#include "protocol/forwarding_prompter.hpp"
#include "protocol/hub.hpp"
#include "protocol/progress_publisher.hpp"
#include "protocol/json_text.hpp"
#include "protocol/redaction.hpp"
#include "protocol/value_json.hpp"

namespace vz::protocol {
namespace {

using namespace std::chrono_literals;

// A class whose operation asks the user, and a plain property.
class clsAsker : public AutomationObject<clsAsker> {
 public:
  static constexpr std::string_view kClassName = "clsAsker";
  static void Describe(ClassBuilder<clsAsker>& c) {
    c.Creatable()
        .Operation("Ask", &clsAsker::Ask, {"sQuestion"})
        .Property("Name", &clsAsker::Name, &clsAsker::SetName)
        .Operation("Announce", &clsAsker::Announce)
        .Event(kAsked);
  }
  static constexpr EventDef<> kAsked{"Asked", {}};
  std::int32_t Ask(const std::string& question) { return MsgBox(question, vbYesNo, "Question"); }
  void Announce() { RaiseEvent(kAsked); }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

 private:
  std::string name_ = "asker";
};

// One object for every connection, as the server object is, with an event whose by-reference
// argument the subscribers answer.
class clsBell : public AutomationObject<clsBell> {
 public:
  static constexpr std::string_view kClassName = "clsBell";
  static void Describe(ClassBuilder<clsBell>& c) {
    c.Creatable([] {
       static const auto bell = std::make_shared<clsBell>();
       return bell;
     })
        .Operation("Ring", &clsBell::Ring)
        .Event(kRung);
  }
  static constexpr EventDef<bool&> kRung{"Rung", {"bReceived"}};
  // What the subscribers answered.
  bool Ring() {
    bool received = false;
    RaiseEvent(kRung, received);
    return received;
  }
};

TEST(ValueJson, NumbersObjectsAndFaults) {
  HandleTable handles;
  EXPECT_EQ(FromJson(Json(7), handles), Value(std::int32_t{7}));
  EXPECT_EQ(FromJson(Json(std::int64_t{1} << 40), handles), Value(1099511627776.0));  // too wide for a Long
  EXPECT_EQ(FromJson(Json(std::uint64_t{4000000000}), handles), Value(4000000000.0));
  EXPECT_TRUE(FromJson(Json(nullptr), handles).IsEmpty());
  EXPECT_TRUE(ToJson(Value(std::numeric_limits<double>::infinity()), handles).is_null());
  EXPECT_TRUE(ToJson(Value::Nothing(), handles).is_null());

  const auto object = std::make_shared<clsAsker>();
  const Json first = ToJson(Value(object), handles);
  EXPECT_EQ(first, (Json{{"$handle", 1}, {"$class", "clsAsker"}}));
  EXPECT_EQ(ToJson(Value(Value::Array{Value(object)}), handles)[0]["$handle"], 1);  // same object, same handle
  EXPECT_EQ(FromJson(Json{{"$handle", 1}}, handles).ToObject(), object);
  EXPECT_THROW(FromJson(Json{{"$handle", 2}}, handles), ProtocolError);
  EXPECT_THROW(FromJson(Json{{"handle", 1}}, handles), ProtocolError);
  using Released = HandleTable::ReleaseResult;
  EXPECT_EQ(handles.Release(1), Released::kReleased);
  EXPECT_EQ(handles.Release(1), Released::kUnknown);
  EXPECT_EQ(ToJson(Value(object), handles)["$handle"], 2);  // released: a new handle next time
}

TEST(HandleTable, AReleaseThatCrossedTheHandleOnItsWayStaysUndone) {
  HandleTable handles;
  const auto object = std::make_shared<clsAsker>();
  ToJson(Value(object), handles);
  ToJson(Value(object), handles);  // handed out twice; the client had seen it once when it let go
  using Released = HandleTable::ReleaseResult;
  EXPECT_EQ(handles.Release(1, 1), Released::kStillHeld);
  EXPECT_EQ(handles.Find(1), object);
  EXPECT_EQ(handles.Release(1, 2), Released::kReleased);
  EXPECT_EQ(handles.Find(1), nullptr);
}

// A request whose one argument is `depth` arrays nested in each other.
std::string NestedRequest(int depth) {
  return R"({"jsonrpc":"2.0","id":9,"method":"call","params":{"args":[)" + std::string(depth, '[') +
         std::string(depth, ']') + "]}}";
}

TEST(JsonText, DepthAndNumberLimitsKeepTheIdForTheRefusal) {
  using Fault = JsonText::Fault;
  // The message object, params and args take three levels.
  const JsonText deepest = ReadJsonText(NestedRequest(kMaxJsonDepth - 3));
  EXPECT_EQ(deepest.fault, Fault::kNone);
  const JsonText tooDeep = ReadJsonText(NestedRequest(kMaxJsonDepth - 2));
  EXPECT_EQ(tooDeep.fault, Fault::kTooDeep);
  EXPECT_EQ(tooDeep.json["id"], 9);
  // Far deeper than any stack: read without recursion, and the deep part takes no memory.
  const JsonText hostile = ReadJsonText(NestedRequest(200000));
  EXPECT_EQ(hostile.fault, Fault::kTooDeep);
  EXPECT_EQ(hostile.json["id"], 9);

  const JsonText overflow = ReadJsonText(R"({"id":4,"value":[1e999,"1e999",-2E+400,1.5e308]})");
  EXPECT_EQ(overflow.fault, Fault::kNumberOverflow);
  EXPECT_EQ(overflow.json["id"], 4);
  EXPECT_EQ(overflow.json["value"], Json::parse(R"([null,"1e999",null,1.5e308])"));
  EXPECT_EQ(ReadJsonText(R"({"x":1e-999,"y":"\"1e999"})").fault, Fault::kNone);  // underflow is 0

  for (const char* bad : {"", "{", "[1e999", "{\"a\":1e999,}", "nonsense"}) {
    EXPECT_EQ(ReadJsonText(bad).fault, Fault::kNotJson) << bad;
  }
}

TEST(JsonText, EachMemberOfABatchHasTheLimitsOfAMessageSentAlone) {
  using Fault = JsonText::Fault;
  const JsonText batch = ReadJsonText("[" + NestedRequest(kMaxJsonDepth - 3) + "," + NestedRequest(kMaxJsonDepth - 2) +
                                      R"(,7,{"id":5,"value":1e999},)" + NestedRequest(200000) + "]");
  ASSERT_TRUE(batch.IsBatch());
  EXPECT_EQ(batch.fault, Fault::kNone);
  EXPECT_EQ(batch.memberFaults, (std::vector<Fault>{Fault::kNone, Fault::kTooDeep, Fault::kNone, Fault::kNumberOverflow, Fault::kTooDeep}));
  EXPECT_EQ(batch.json[1]["id"], 9);
  EXPECT_EQ(batch.json[3], Json::parse(R"({"id":5,"value":null})"));
  // Commas and brackets inside strings do not shift the members.
  const JsonText quoted = ReadJsonText(R"([{"a":"],[,"},{"b":1e999}])");
  EXPECT_EQ(quoted.memberFaults, (std::vector<Fault>{Fault::kNone, Fault::kNumberOverflow}));
  EXPECT_EQ(ReadJsonText("[1,").fault, Fault::kNotJson);
}

TEST(Redaction, PasswordsAreMaskedWhereverTheyAppear) {
  const Json set{{"method", "set"}, {"params", {{"handle", 3}, {"name", "PASSWORD"}, {"value", "hunter2"}}}};
  EXPECT_EQ(Redacted(set)["params"]["value"], kMaskedValue);
  const Json call{{"method", "call"}, {"params", {{"handle", 3}, {"name", "SetPassword"}, {"args", {"a", "b"}}}}};
  EXPECT_EQ(Redacted(call)["params"]["args"], Json::array({kMaskedValue, kMaskedValue}));
  const Json nested{{"params", {{"args", Json::array({Json{{"sPassword", "x1"}, {"sLogin", "bob"}}})}}}};
  const std::string text = RedactedText(nested);
  EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("x1")));
  EXPECT_THAT(text, ::testing::HasSubstr("bob"));
  const Json plain{{"method", "set"}, {"params", {{"name", "Login"}, {"value", "bob"}}}};
  EXPECT_EQ(Redacted(plain), plain);
}

TEST(EventAnswers, AByReferenceArgumentKeepsItsKind) {
  EXPECT_EQ(AnswerOfTheSameKind(Value(false), Value(true)), Value(true));
  EXPECT_EQ(AnswerOfTheSameKind(Value(false), Value(std::int32_t{1})), Value(true));
  EXPECT_EQ(AnswerOfTheSameKind(Value(false), Value("maybe")), std::nullopt);
  EXPECT_EQ(AnswerOfTheSameKind(Value(std::int16_t{1}), Value(std::int32_t{70000})), std::nullopt);  // overflow
  EXPECT_EQ(AnswerOfTheSameKind(Value("text"), Value(Value::Array{})), std::nullopt);
}

// An in-process hub on its own loop thread, with raw socket clients that block as real ones do.
class SessionTest : public testing::DiagnosticsTest {
 protected:
  // Runs `task` on the loop thread and waits for it.
  template <class Task>
  auto OnLoop(Task task) {
    std::packaged_task<decltype(task())()> packaged(std::move(task));
    auto result = packaged.get_future();
    loop.Post([&packaged] { packaged(); });
    return result.get();
  }
  void SetUp() override {
    DiagnosticsTest::SetUp();
    transport::IgnoreBrokenPipes();
    registry.Add<clsAsker>();
    registry.Add<clsBell>();
    HubOptions options;
    options.registry = &registry;
    options.eventTimeout = eventTimeout;
    hub = std::make_unique<Hub>(loop, options);
    SetPrompter(std::make_shared<ForwardingPrompter>(*hub));
    server = std::thread([this] { loop.Run(); });
  }
  void TearDown() override {
    OnLoop([this] { hub.reset(); });
    loop.Stop();
    server.join();
    SetPrompter(nullptr);
    for (const int fd : clients) ::close(fd);
    DiagnosticsTest::TearDown();
  }
  int Connect() {
    int ends[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    OnLoop([&] { hub->Attach(transport::MakeSocketChannel(loop.Context(), ends[0])); });
    clients.push_back(ends[1]);
    return ends[1];
  }
  void Send(int client, const Json& message) {
    const std::string line = message.dump() + "\n";
    ASSERT_EQ(::write(client, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }
  static Json Request(int id, const std::string& method, Json params = nullptr) {
    Json request{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}};
    if (!params.is_null()) request["params"] = std::move(params);
    return request;
  }
  // The client's next line, parsed; null after `limit`.
  Json Next(int client, std::chrono::milliseconds limit = 5s) {
    std::string& buffer = buffers[client];
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      if (const auto end = buffer.find('\n'); end != std::string::npos) {
        Json parsed = Json::parse(buffer.substr(0, end));
        buffer.erase(0, end + 1);
        return parsed;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd ready{client, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return nullptr;
      char chunk[4096];
      const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
      if (n <= 0) return nullptr;
      buffer.append(chunk, static_cast<size_t>(n));
    }
  }
  // Two clients with an asker each (handle 1); the second prompts for the server.
  // `client` creates `className` as its handle 1 and, given `advise` (its options), advises it;
  // returns the client.
  int Holding(int client, const std::string& className, Json advise = nullptr) {
    Send(client, Request(1, "create", {{"class", className}}));
    EXPECT_EQ(Next(client)["result"]["$handle"], 1);
    if (advise.is_null()) return client;
    advise["handle"] = 1;
    Send(client, Request(2, "advise", advise));
    EXPECT_TRUE(Next(client)["result"].is_null());
    return client;
  }
  std::pair<int, int> AskerAndPrompter() {
    const int asker = Connect();
    const int prompter = Holding(Connect(), "clsAsker", {{"prompts", true}});
    return {Holding(asker, "clsAsker"), prompter};
  }
  // Nothing has arrived for the client once the loop has run what was ready.
  bool Quiet(int client) {
    OnLoop([] {});
    return Next(client, 0ms).is_null();
  }

  std::chrono::milliseconds eventTimeout = 5s;
  ClassRegistry registry;
  EventLoop loop;
  std::unique_ptr<Hub> hub;
  std::thread server;
  std::vector<int> clients;
  std::map<int, std::string> buffers;
};

TEST_F(SessionTest, AMessageBoxGoesToThePromptingClientWhileTheAskersNextRequestWaitsItsTurn) {
  const int asker = Holding(Connect(), "clsAsker");
  const int prompter = Holding(Connect(), "clsAsker", {{"prompts", true}});

  Send(asker, Request(2, "call", {{"handle", 1}, {"name", "Ask"}, {"args", {"Proceed?"}}}));
  Send(asker, Request(3, "get", {{"handle", 1}, {"name", "Name"}}));
  const Json box = Next(prompter);
  EXPECT_EQ(box["method"], "messageBox");
  EXPECT_EQ(box["params"], (Json{{"text", "Proceed?"}, {"title", "Question"}, {"style", vbYesNo}}));
  EXPECT_TRUE(Quiet(asker));  // request 3 waits for request 2
  // The prompting client's own request is served while the server waits for its answer.
  Send(prompter, Request(5, "get", {{"handle", 1}, {"name", "Name"}}));
  EXPECT_EQ(Next(prompter), (Json{{"jsonrpc", "2.0"}, {"id", 5}, {"result", "asker"}}));
  Send(prompter, Json{{"jsonrpc", "2.0"}, {"id", box["id"]}, {"result", {{"answer", vbNo}}}});
  EXPECT_EQ(Next(asker)["result"]["value"], vbNo);
  EXPECT_EQ(Next(asker)["id"], 3);
}

class ShortEventTimeoutTest : public SessionTest {
 protected:
  ShortEventTimeoutTest() { eventTimeout = 300ms; }
};

// The time-out is the client's silence: a client calling the server while it answers is given all
// the time it needs, one that says nothing is not.
TEST_F(ShortEventTimeoutTest, AClientBusyCallingKeepsItsQuestionOpenASilentOneLosesIt) {
  const auto [asker, prompter] = AskerAndPrompter();

  Send(asker, Request(2, "call", {{"handle", 1}, {"name", "Ask"}, {"args", {"Silence?"}}}));
  ASSERT_EQ(Next(prompter)["method"], "messageBox");
  EXPECT_EQ(Next(asker, 5s)["result"]["value"], vbOK);  // given up after 300 ms of silence

  Send(asker, Request(3, "call", {{"handle", 1}, {"name", "Ask"}, {"args", {"Busy?"}}}));
  const Json box = Next(prompter);
  ASSERT_EQ(box["method"], "messageBox");
  const auto start = std::chrono::steady_clock::now();
  for (int id = 10; std::chrono::steady_clock::now() - start < 3 * eventTimeout; ++id) {
    Send(prompter, Request(id, "get", {{"handle", 1}, {"name", "Name"}}));
    ASSERT_EQ(Next(prompter)["id"], id);
  }
  Send(prompter, Json{{"jsonrpc", "2.0"}, {"id", box["id"]}, {"result", {{"answer", vbNo}}}});
  EXPECT_EQ(Next(asker)["result"]["value"], vbNo);
}

// A batch runs in its turn; the box one of its members raises goes out at once, and the prompter
// may answer it inside a batch of its own, which then gets no line.
TEST_F(SessionTest, ABatchMemberThatAsksWaitsForTheAnswerAndTheBatchIsAnsweredInOneLine) {
  const auto [asker, prompter] = AskerAndPrompter();
  Send(asker, Json::array({Request(2, "call", {{"handle", 1}, {"name", "Ask"}, {"args", {"Proceed?"}}}),
                           Json{{"jsonrpc", "2.0"}, {"method", "set"}, {"params", {{"handle", 1}, {"name", "Name"}, {"value", "renamed"}}}},
                           Request(3, "get", {{"handle", 1}, {"name", "Name"}})}));
  const Json box = Next(prompter);
  ASSERT_EQ(box["method"], "messageBox");
  EXPECT_TRUE(Quiet(asker));
  Send(prompter, Json::array({Json{{"jsonrpc", "2.0"}, {"id", box["id"]}, {"result", {{"answer", vbNo}}}},
                              Json{{"jsonrpc", "2.0"}, {"method", "watchProgress"}}}));
  const Json answers = Next(asker);
  ASSERT_TRUE(answers.is_array()) << answers;
  EXPECT_EQ(answers, Json::array({Json{{"jsonrpc", "2.0"}, {"id", 2}, {"result", {{"value", vbNo}, {"args", {"Proceed?"}}}}},
                                  Json{{"jsonrpc", "2.0"}, {"id", 3}, {"result", "renamed"}}}));
  EXPECT_TRUE(Quiet(prompter));
}

class LongEventTimeoutTest : public SessionTest {
 protected:
  LongEventTimeoutTest() { eventTimeout = std::chrono::hours(1); }
};

// A listener that never reads is never waited for: the call that raises the event is answered as
// soon as the answering subscriber has answered the by-reference argument.
TEST_F(LongEventTimeoutTest, AListenerThatNeverReadsDoesNotHoldUpTheEventAndHearsItAsANotification) {
  const int listener = Holding(Connect(), "clsBell");
  const int editor = Connect();
  Send(listener, Request(2, "advise", {{"handle", 1}, {"listen", true}, {"prompts", true}}));
  EXPECT_EQ(Next(listener)["error"]["code"], kInvalidParams);  // a listener answers no boxes
  Send(listener, Request(3, "advise", {{"handle", 1}, {"listen", true}}));
  EXPECT_TRUE(Next(listener)["result"].is_null());
  Holding(editor, "clsBell", Json::object());

  Send(editor, Request(3, "call", {{"handle", 1}, {"name", "Ring"}}));
  const Json asked = Next(editor);
  ASSERT_EQ(asked["method"], "event");
  ASSERT_TRUE(asked.contains("id"));
  Send(editor, Json{{"jsonrpc", "2.0"}, {"id", asked["id"]}, {"result", {{"args", {true}}}}});
  EXPECT_EQ(Next(editor)["result"]["value"], true);

  // The listener, reading at last, finds the event as a notification with the arguments it had.
  EXPECT_EQ(Next(listener), (Json{{"jsonrpc", "2.0"}, {"method", "event"},
                                  {"params", {{"source", 1}, {"name", "Rung"}, {"args", {false}}}}}));
  // Advising again as an answering subscriber makes it one: it is asked first, and the editor
  // sees its answer.
  Send(listener, Request(4, "advise", {{"handle", 1}}));
  Next(listener);
  Send(editor, Request(4, "call", {{"handle", 1}, {"name", "Ring"}}));
  const Json askedFirst = Next(listener);
  ASSERT_TRUE(askedFirst.contains("id"));
  Send(listener, Json{{"jsonrpc", "2.0"}, {"id", askedFirst["id"]}, {"result", {{"args", {true}}}}});
  const Json askedNext = Next(editor);
  EXPECT_EQ(askedNext["params"]["args"], Json::array({true}));
  Send(editor, Json{{"jsonrpc", "2.0"}, {"id", askedNext["id"]}, {"result", {{"args", {true}}}}});
  EXPECT_EQ(Next(editor)["result"]["value"], true);
}

TEST_F(SessionTest, APromptingClientThatVanishesLeavesTheBoxUnshown) {
  const auto [asker, prompter] = AskerAndPrompter();
  Send(asker, Request(2, "call", {{"handle", 1}, {"name", "Ask"}, {"args", {"Proceed?"}}}));
  EXPECT_EQ(Next(prompter)["method"], "messageBox");
  ::shutdown(prompter, SHUT_RDWR);
  // Not shown: the answer a box that may not be shown gets.
  EXPECT_EQ(Next(asker)["result"]["value"], vbOK);
  EXPECT_EQ(OnLoop([&] { return hub->PromptingSession(); }), nullptr);
  EXPECT_EQ(OnLoop([&] { return hub->ConnectionCount(); }), 1u);
}

TEST_F(SessionTest, EventsReachAdvisedConnectionsUntilUnadvise) {
  const int listener = Holding(Connect(), "clsAsker", Json::object());
  Send(listener, Request(3, "call", {{"handle", 1}, {"name", "Announce"}}));
  const Json event = Next(listener);
  EXPECT_EQ(event, (Json{{"jsonrpc", "2.0"}, {"method", "event"}, {"params", {{"source", 1}, {"name", "Asked"}, {"args", Json::array()}}}}));
  EXPECT_EQ(Next(listener)["id"], 3);
  Send(listener, Request(4, "unadvise", {{"handle", 1}}));
  Next(listener);
  Send(listener, Request(5, "call", {{"handle", 1}, {"name", "Announce"}}));
  EXPECT_EQ(Next(listener)["id"], 5);  // the answer, and no event before it
  Send(listener, Request(6, "describe", {{"class", "clsAsker"}}));
  const Json described = Next(listener)["result"];
  EXPECT_EQ(described["members"][0],
            (Json{{"name", "Ask"}, {"kind", "operation"}, {"arguments", {"sQuestion"}}, {"read", true}, {"write", false}}));
  EXPECT_EQ(described["members"][3]["kind"], "event");
}

TEST_F(SessionTest, ProgressReachesWatchingConnectionsWithByteCountsHeldToOnePerInterval) {
  const int watcher = Connect();
  const int other = Connect();
  Send(watcher, Request(1, "watchProgress", {{"enabled", true}}));
  ASSERT_TRUE(Next(watcher)["result"].is_null());
  ManualClock clock;
  ProgressPublisher publisher(*hub, clock, 100ms);
  RequestProgress progress;
  progress.requestID = "DBR00001";
  progress.actionName = "DBR_DOWNLOAD";
  progress.dictationsListed = 3;
  progress.transfers = {{"1002", 0, 20}};  // in flight beside the one just done
  const auto report = [&](RequestProgress::Step step, std::uint64_t received, std::size_t done = 0) {
    progress.step = step;
    progress.bytesReceived = received;
    progress.dictationsDone = done;
    OnLoop([&] { publisher.OnProgress(progress); });
  };
  const auto next = [&] {
    const Json message = Next(watcher);
    EXPECT_EQ(message["method"], "progress");
    return std::make_pair(message["params"]["step"], message["params"]["bytesReceived"]);
  };
  using Step = RequestProgress::Step;
  report(Step::kAction, 0);
  EXPECT_EQ(next(), std::make_pair(Json("action"), Json(0)));
  report(Step::kTransfer, 10);
  report(Step::kTransfer, 20);
  report(Step::kTransfer, 30);
  EXPECT_EQ(next(), std::make_pair(Json("transfer"), Json(10)));
  EXPECT_TRUE(Quiet(watcher));  // 20 and 30 wait for the interval's end; only the latest goes
  OnLoop([&] { clock.AdvanceBy(100ms); });
  EXPECT_EQ(next(), std::make_pair(Json("transfer"), Json(30)));
  report(Step::kTransfer, 40);
  report(Step::kDictation, 50, 1);  // goes at once, and carries the count the held one had
  const Json dictation = Next(watcher);
  EXPECT_EQ(dictation["params"], (Json{{"request", "DBR00001"}, {"step", "dictation"}, {"action", 0},
                                       {"actionName", "DBR_DOWNLOAD"}, {"actionNumber", 0}, {"actionCount", 0},
                                       {"dictationsListed", 3}, {"dictationsDone", 1}, {"utteranceID", ""},
                                       {"bytesSent", 0}, {"bytesReceived", 50},
                                       {"transfers", Json::array({{{"utteranceID", "1002"}, {"bytesSent", 0}, {"bytesReceived", 20}}})}}));
  OnLoop([&] { clock.AdvanceBy(100ms); });
  EXPECT_TRUE(Quiet(watcher));
  report(Step::kDone, 50, 3);
  EXPECT_EQ(Next(watcher)["params"]["error"], "");
  EXPECT_TRUE(Quiet(other));  // never asked
  Send(watcher, Request(2, "watchProgress", {{"enabled", false}}));
  Next(watcher);
  report(Step::kAction, 0);
  EXPECT_TRUE(Quiet(watcher));
}

}  // namespace
}  // namespace vz::protocol
