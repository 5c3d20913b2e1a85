// Bad input is harmless: each fault gets a clear error, the connection (or, past the size limit,
// at least the server) stays usable, and the other clients lose nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "vzed_process.hpp"

namespace vz::testing {
namespace {

using vze::Json;

// Sends one raw line and returns the answer line parsed.
Json Exchange(vze::LineClient& client, const std::string& line) {
  if (!client.SendLine(line)) return Json();
  const auto answer = client.ReadLine(std::chrono::seconds(10));
  return answer ? Json::parse(*answer) : Json();
}

int ErrorCode(const Json& answer) { return answer.contains("error") ? answer["error"]["code"].get<int>() : 0; }

class VzedBadInput : public ::testing::Test {
 protected:
  VzedProcess vzed;
};

TEST_F(VzedBadInput, MalformedMessagesGetProtocolErrorsAndTheConnectionStaysUsable) {
  vze::LineClient client(vzed.socket);
  EXPECT_EQ(ErrorCode(Exchange(client, "this is not json")), -32700);
  EXPECT_EQ(ErrorCode(Exchange(client, "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":")), -32700);
  EXPECT_EQ(ErrorCode(Exchange(client, "[]")), -32600);
  EXPECT_EQ(ErrorCode(Exchange(client, R"({"id":2,"method":"create","params":{"class":"clsZERUredoz"}})")), -32600);
  EXPECT_EQ(ErrorCode(Exchange(client, R"({"jsonrpc":"2.0","id":3,"method":7})")), -32600);
  const Json unknownMethod = Exchange(client, R"({"jsonrpc":"2.0","id":4,"method":"launchRockets","params":{}})");
  EXPECT_EQ(ErrorCode(unknownMethod), -32601);
  EXPECT_EQ(unknownMethod["id"], 4);
  // A notification (no id) is never answered, even when it fails; the next request is.
  client.SendLine(R"({"jsonrpc":"2.0","method":"launchRockets"})");
  const Json created = Exchange(client, R"({"jsonrpc":"2.0","id":"s","method":"create","params":{"class":"clsZERUredoz"}})");
  EXPECT_EQ(created["id"], "s");
  EXPECT_EQ(created["result"]["$class"], "clsZERUredoz");
}

TEST_F(VzedBadInput, UnknownHandlesClassesMembersAndWrongTypesAreErrorsOfTheirOwnKind) {
  vze::RpcClient client = vzed.Client();
  const auto server = HandleOf(client.Call("create", {{"class", "clsZERUredoz"}}));
  auto codeOf = [&](const std::string& method, Json params) {
    try {
      client.Call(method, std::move(params));
      return 0;
    } catch (const vze::RpcError& error) {
      return error.Code();
    }
  };
  EXPECT_EQ(codeOf("get", {{"handle", 999}, {"name", "TraceLevel"}}), -32602);
  EXPECT_EQ(codeOf("get", {{"handle", "one"}, {"name", "TraceLevel"}}), -32602);
  EXPECT_EQ(codeOf("create", {{"class", "clsNoSuchThing"}}), -32602);
  EXPECT_EQ(codeOf("describe", {{"class", "clsNoSuchThing"}}), -32602);
  EXPECT_EQ(codeOf("create", {{"class", "clsDatabaseRequest"}}), 429);  // reaches clients only as a value
  EXPECT_EQ(codeOf("get", {{"handle", server}, {"name", "NoSuchMember"}}), 438);
  EXPECT_EQ(codeOf("set", {{"handle", server}, {"name", "TraceLevel"}, {"value", "not a number"}}), 13);
  EXPECT_EQ(codeOf("set", {{"handle", server}, {"name", "TraceLevel"}}), -32602);
  EXPECT_EQ(codeOf("set", {{"handle", server}, {"name", "ConnectionActive"}, {"value", true}}), 383);
  EXPECT_EQ(codeOf("call", {{"handle", server}, {"name", "Fire_LoginStatus"}, {"args", Json::array({Json{{"nohandle", 1}}})}}), -32602);
  EXPECT_EQ(codeOf("call", {{"handle", server}, {"name", "Fire_LoginStatus"}, {"args", "x"}}), -32602);
  EXPECT_EQ(codeOf("closeRequest", {{"reason", "boredom"}}), -32602);
  EXPECT_EQ(codeOf("release", {{"handle", server}}), 0);
  EXPECT_EQ(codeOf("release", {{"handle", server}}), -32602);
  // The error answer carries the automation error's source.
  const auto again = HandleOf(client.Call("create", {{"class", "clsZERUredoz"}}));
  try {
    client.Call("get", {{"handle", again}, {"name", "NoSuchMember"}});
    FAIL();
  } catch (const vze::RpcError& error) {
    EXPECT_STREQ(error.what(), "Object doesn't support this property or method");
    EXPECT_EQ(error.Data()["source"], "clsZERUredoz.NoSuchMember");
  }
}

TEST_F(VzedBadInput, ALineOverTheSizeLimitClosesThatConnectionOnly) {
  vze::RpcClient bystander = vzed.Client();
  const auto server = HandleOf(bystander.Call("create", {{"class", "clsZERUredoz"}}));
  vze::LineClient offender(vzed.socket);
  std::string huge(16 * 1024 * 1024 + 16, 'x');
  offender.SendBytes(huge);  // no line end: the server gives up at the limit
  const auto answer = offender.ReadLine(std::chrono::seconds(20));
  ASSERT_TRUE(answer);
  EXPECT_EQ(ErrorCode(Json::parse(*answer)), -32600);
  EXPECT_FALSE(offender.ReadLine(std::chrono::seconds(10)));
  EXPECT_TRUE(offender.Closed());
  EXPECT_TRUE(bystander.Call("get", {{"handle", server}, {"name", "ConnectionActive"}}).get<bool>());
}

TEST_F(VzedBadInput, ALineJustUnderTheLimitIsServed) {
  vze::RpcClient client = vzed.Client();
  const auto server = HandleOf(client.Call("create", {{"class", "clsZERUredoz"}}));
  const std::string text(15 * 1024 * 1024, 'a');
  client.Call("set", {{"handle", server}, {"name", "AdditionalCommWarning"}, {"value", text}});
  EXPECT_EQ(client.Call("get", {{"handle", server}, {"name", "AdditionalCommWarning"}}).get<std::string>().size(), text.size());
}

TEST_F(VzedBadInput, FiftyClientsConnectingAtOnceAreAllServed) {
  constexpr int kClients = 50;
  std::atomic<int> served{0};
  std::vector<std::thread> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back([&, i] {
      try {
        vze::RpcClient client = vzed.Client();
        const auto server = HandleOf(client.Call("create", {{"class", "clsZERUredoz"}}));
        const auto spec = HandleOf(client.Call("call", {{"handle", server}, {"name", "NewRequestSpec"}})["value"]);
        client.Call("set", {{"handle", spec}, {"name", "Location"}, {"value", "client " + std::to_string(i)}});
        if (client.Call("get", {{"handle", spec}, {"name", "Location"}}) == "client " + std::to_string(i)) ++served;
      } catch (const std::exception&) {
      }
    });
  }
  for (auto& client : clients) client.join();
  EXPECT_EQ(served.load(), kClients);
  EXPECT_FALSE(vzed.Exited());
}

}  // namespace
}  // namespace vz::testing
