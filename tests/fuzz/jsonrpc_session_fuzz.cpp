// An editor's JSON-RPC lines through a session of the hub, with the real server object behind it
// (every class vzed serves, the request queue and its pump, actions completing at once as with
// `vzed --test-actions=instant`). The input is the stream of lines a client sends on one
// connection; after the answers the pump runs a few seconds of its clock and the server cleans up,
// ending whatever requests are left.
//
// Properties: every line the server writes is one JSON-RPC 2.0 message, or a batch's answers in one
// array; every message that asks for an answer (a request, a message that is not JSON or not valid,
// a refused answer, an empty batch) gets exactly one, with its id, and nothing else is answered; the connection stays open (nothing here is
// over a limit) and the session survives the server's cleanup.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <set>
#include <memory>
#include <string>

#include "fuzz_support.hpp"
#include "instant_actions.hpp"
#include "model/process_settings.hpp"
#include "object/class_registry.hpp"
#include "platform/event_loop.hpp"
#include "platform/manual_clock.hpp"
#include "protocol/forwarding_prompter.hpp"
#include "protocol/hub.hpp"
#include "protocol/json_rpc.hpp"
#include "protocol/json_text.hpp"
#include "protocol/session.hpp"
#include "server/register_server_classes.hpp"
#include "server/server_environment.hpp"
#include "server/server_object.hpp"
#include "transport/line_channel.hpp"

namespace {

using namespace std::chrono_literals;
using vz::protocol::Json;
using vz::protocol::JsonText;
using vz::protocol::Message;

constexpr auto kPumpInterval = 50ms;

vz::ManualClock& PumpClock() {
  static vz::ManualClock clock;
  return clock;
}

// The ids one message calls for, as if sent alone or (`inBatch`) as a member of a batch: an
// invalid member is answered inside the batch, so its id is counted like a request's.
void ExpectAnswerTo(Json json, JsonText::Fault fault, std::multiset<std::string>& expected) {
  const Message message = vz::protocol::Classify(std::move(json));
  const bool faulty = fault != JsonText::Fault::kNone;
  switch (message.kind) {
    case Message::Kind::Request:
    case Message::Kind::Invalid: expected.insert(message.id.dump()); break;
    case Message::Kind::Response:
      if (faulty) expected.insert("null");
      break;
    case Message::Kind::Notification: break;
  }
}

// The ids of the answers the lines call for (null for those answered without one), as text.
std::multiset<std::string> ExpectedAnswers(std::string_view input) {
  std::multiset<std::string> expected;
  for (std::string_view rest = input; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) break;  // not a whole line: never read
    std::string line(rest.substr(0, end));
    rest.remove_prefix(end + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    JsonText text = vz::protocol::ReadJsonText(line);
    if (text.fault == JsonText::Fault::kNotJson) {
      expected.insert("null");
    } else if (!text.IsBatch()) {
      ExpectAnswerTo(std::move(text.json), text.fault, expected);
    } else if (text.json.empty() || text.json.size() > vz::protocol::kMaxBatchMessages) {
      expected.insert("null");
    } else {
      for (std::size_t i = 0; i < text.json.size(); ++i) ExpectAnswerTo(std::move(text.json[i]), text.memberFaults[i], expected);
    }
  }
  return expected;
}

// What the client end has received so far, as whole lines.
struct ClientEnd {
  int fd = -1;
  std::string pending;
  std::vector<std::string> lines;
  void Drain() {
    char block[65536];
    for (;;) {
      const ssize_t got = ::recv(fd, block, sizeof block, MSG_DONTWAIT);
      if (got <= 0) break;
      pending.append(block, static_cast<std::size_t>(got));
    }
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
      lines.push_back(pending.substr(0, end));
      pending.erase(0, end + 1);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vz::transport::IgnoreBrokenPipes();
  vz::RegisterServerClasses(vz::ClassRegistry::Global());
  vz::ServerEnvironment environment;
  environment.clock = &PumpClock();
  environment.catalogue = std::make_shared<vzed::InstantActionCatalogue>();
  environment.pumpInterval = kPumpInterval;
  vz::InstallServerEnvironment(std::move(environment));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vz::fuzz::UseScratchDiagnostics();
  vz::CurrentProcessSettings() = {};
  std::string input(reinterpret_cast<const char*>(data), size);
  const auto expected = ExpectedAnswers(input);

  vz::EventLoop loop;
  vz::protocol::HubOptions options;
  options.eventTimeout = 0ms;  // nobody answers the server's questions in time
  options.onCloseRequest = [](std::string_view) { return true; };
  auto hub = std::make_unique<vz::protocol::Hub>(loop, std::move(options));
  vz::SetPrompter(std::make_shared<vz::protocol::ForwardingPrompter>(*hub));
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::abort();
  const auto session = hub->Attach(vz::transport::MakeSocketChannel(loop.Context(), ends[0]));
  ClientEnd client;
  client.fd = ends[1];

  // The whole input goes out while the server reads, as a client writing ahead would send it.
  for (std::size_t sent = 0; sent < input.size();) {
    const ssize_t wrote = ::send(client.fd, input.data() + sent, input.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (wrote > 0) sent += static_cast<std::size_t>(wrote);
    loop.Poll();
    client.Drain();
  }
  // A batch's answers come as one array line.
  auto messagesOf = [](const std::string& line) {
    Json parsed = Json::parse(line, nullptr, false);
    return parsed.is_array() && !parsed.empty() ? parsed : Json::array({parsed});
  };
  auto answers = [&] {
    std::size_t count = 0;
    for (const auto& line : client.lines) {
      for (const Json& parsed : messagesOf(line)) {
        if (parsed.is_object() && !parsed.contains("method")) ++count;
      }
    }
    return count;
  };
  loop.RunUntil(
      [&] {
        client.Drain();
        return !session->IsOpen() || answers() >= expected.size();
      },
      10s);
  for (int tick = 0; tick < 40 && session->IsOpen(); ++tick) {
    PumpClock().AdvanceBy(kPumpInterval);
    loop.Poll();
  }
  if (const auto server = vz::clsZERUredoz::Current()) server->Cleanup();
  loop.Poll();
  client.Drain();

  std::multiset<std::string> answered;
  for (const auto& line : client.lines) {
    const Json messages = messagesOf(line);
    for (const Json& message : messages) {
      VZ_REQUIRE(message.is_object() && message.value("jsonrpc", "") == "2.0", "not a JSON-RPC message: " + line);
      if (message.contains("method")) {
        VZ_REQUIRE(messages.size() == 1 && message["method"].is_string() && !message.contains("result") && !message.contains("error"), line);
        continue;
      }
      VZ_REQUIRE(message.contains("id") && (message.contains("result") != message.contains("error")), "a malformed answer: " + line);
      if (message.contains("error")) {
        VZ_REQUIRE(message["error"].is_object() && message["error"]["code"].is_number_integer() && message["error"]["message"].is_string(),
                   "a malformed error: " + line);
      }
      answered.insert(message["id"].dump());
    }
  }
  VZ_REQUIRE(session->IsOpen(), "the server closed the connection");
  auto listed = [](const std::multiset<std::string>& ids) {
    std::string text;
    for (const auto& id : ids) text += id + " ";
    return text;
  };
  VZ_REQUIRE(answered == expected, "answered ids " + listed(answered) + "\n  expected " + listed(expected));

  hub.reset();
  vz::SetPrompter(nullptr);
  ::close(client.fd);
  return 0;
}
