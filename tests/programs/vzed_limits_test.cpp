// vzed against a hostile client: values nested past any stack, numbers past a Double, NUL in
// strings, values that do not convert, clients that never read; and the protocol document's
// promises checked against the running server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "editor_client.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;

// A raw connection: lines out, parsed lines in.
class RawClient {
 public:
  explicit RawClient(VzedProcess& vzed) : lines(vzed.socket) {}
  void Send(const std::string& line) { ASSERT_TRUE(lines.SendLine(line)); }
  Json Next(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto line = lines.ReadLine(limit);
    return line ? Json::parse(*line) : Json();
  }
  Json Exchange(const std::string& line) {
    Send(line);
    return Next();
  }
  // Creates the server object and returns its handle.
  std::int64_t CreateServer() {
    return HandleOf(Exchange(R"({"jsonrpc":"2.0","id":"c","method":"create","params":{"class":"clsZERUredoz"}})")["result"]);
  }
  vze::LineClient lines;
};

std::string Nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

int Code(const Json& answer) { return answer.contains("error") ? answer["error"]["code"].get<int>() : 0; }

TEST(VzedLimits, ValuesNestedPastTheLimitAreRefusedWhereverTheyComeFromAndVzedLivesOn) {
  VzedProcess vzed;
  RawClient editor(vzed);
  const std::string server = std::to_string(editor.CreateServer());
  editor.Exchange(R"({"jsonrpc":"2.0","id":"a","method":"advise","params":{"handle":)" + server + "}}");
  const std::string deep = Nested(50000);  // a 100 KB line

  const Json set = editor.Exchange(R"({"jsonrpc":"2.0","id":1,"method":"set","params":{"handle":)" + server +
                                   R"(,"name":"AdditionalCommWarning","value":)" + deep + "}}");
  EXPECT_EQ(Code(set), -32600);
  EXPECT_EQ(set["id"], 1);
  EXPECT_THAT(set["error"]["message"].get<std::string>(), HasSubstr("nested deeper than 64 levels"));
  const Json call = editor.Exchange(R"({"jsonrpc":"2.0","id":2,"method":"call","params":{"handle":)" + server +
                                    R"(,"name":"Fire_LoginStatus","args":[)" + deep + "]}}");
  EXPECT_EQ(Code(call), -32600);
  EXPECT_EQ(call["id"], 2);
  // At the limit the value reaches the member, which finds no string in it.
  const Json atLimit = editor.Exchange(R"({"jsonrpc":"2.0","id":3,"method":"call","params":{"handle":)" + server +
                                       R"(,"name":"Fire_LoginStatus","args":[)" + Nested(61) + "]}}");
  EXPECT_EQ(Code(atLimit), 13);

  // A by-reference answer to DatabaseRequestComplete: refused, the argument stays False, so the
  // event comes again and is acknowledged normally.
  EditorClient submitter(vzed, {.advise = false});
  submitter.Add(submitter.NewSpec({2}));
  const Json event = editor.Next();
  ASSERT_EQ(event["params"]["name"], "DatabaseRequestComplete");
  const std::string request = std::to_string(event["params"]["args"][0]["$handle"].get<std::int64_t>());
  editor.Send(R"({"jsonrpc":"2.0","id":)" + event["id"].dump() + R"(,"result":{"args":[{"$handle":)" + request +
              "}," + deep + "]}}");
  const Json refusal = editor.Next();
  EXPECT_TRUE(refusal["id"].is_null());
  EXPECT_EQ(Code(refusal), -32600);
  EXPECT_EQ(refusal["error"]["data"]["answerTo"], event["id"]);
  const Json again = editor.Next();
  ASSERT_EQ(again["params"]["name"], "DatabaseRequestComplete");
  EXPECT_EQ(again["params"]["args"][1], false);
  editor.Send(R"({"jsonrpc":"2.0","id":)" + again["id"].dump() + R"(,"result":{"args":[{"$handle":)" + request + "},true]}}");

  EXPECT_EQ(editor.Exchange(R"({"jsonrpc":"2.0","id":4,"method":"get","params":{"handle":)" + server +
                            R"(,"name":"ConnectionActive"}})")["result"],
            true);
  EXPECT_FALSE(vzed.Exited());
}

TEST(VzedLimits, NumbersPastADoubleNulCharactersAndValuesThatDoNotConvertGetTheErrorsTheDocumentPromises) {
  VzedProcess vzed;
  RawClient editor(vzed);
  const std::string server = std::to_string(editor.CreateServer());
  const Json overflow = editor.Exchange(R"({"jsonrpc":"2.0","id":5,"method":"set","params":{"handle":)" + server +
                                        R"(,"name":"TraceLevel","value":1e999}})");
  EXPECT_EQ(Code(overflow), 6);
  EXPECT_EQ(overflow["id"], 5);
  EXPECT_EQ(overflow["error"]["message"], "Overflow");

  // A NUL travels both ways and does not cut the text of an error that names what was sent.
  const std::string withNul = std::string("before") + '\0' + "after";
  editor.Exchange(Json{{"jsonrpc", "2.0"}, {"id", 6}, {"method", "set"},
                       {"params", {{"handle", std::stoll(server)}, {"name", "AdditionalCommWarning"}, {"value", withNul}}}}
                      .dump());
  EXPECT_EQ(editor.Exchange(R"({"jsonrpc":"2.0","id":7,"method":"get","params":{"handle":)" + server +
                            R"(,"name":"AdditionalCommWarning"}})")["result"],
            withNul);
  const Json unknown = editor.Exchange(
      Json{{"jsonrpc", "2.0"}, {"id", 8}, {"method", "create"}, {"params", {{"class", "cls" + withNul}}}}.dump());
  EXPECT_EQ(Code(unknown), -32602);
  EXPECT_THAT(unknown["error"]["message"].get<std::string>(), HasSubstr(withNul));

  // Actions takes an array of action identifiers: anything else is the sender's error.
  EditorClient client(vzed, {.advise = false});
  const auto spec = client.NewSpec({2, 1});
  for (const Json& bad : {Json::parse("[[1]]"), Json::parse(R"(["x"])"), Json("2")}) {
    try {
      client.Set(spec, "Actions", bad);
      ADD_FAILURE() << bad << " was accepted";
    } catch (const vze::RpcError& error) {
      EXPECT_EQ(error.Code(), 13) << bad;
    }
  }
  EXPECT_EQ(client.Get(spec, "Actions"), Json::parse("[2,1]"));
}

// The classes the protocol document calls creatable.
std::vector<std::string> DocumentedCreatableClasses() {
  std::ifstream in(std::string(VZ_SOURCE_DIR) + "/docs/automation-protocol.md");
  std::stringstream text;
  text << in.rdbuf();
  const std::string document = text.str();
  const std::size_t start = document.find("Creatable classes:");
  const std::size_t end = document.find("Other classes", start);
  std::vector<std::string> names;
  if (start == std::string::npos || end == std::string::npos) return names;
  const std::string list = document.substr(start, end - start);
  const std::regex name("`(cls[A-Za-z]+)`");
  for (auto match = std::sregex_iterator(list.begin(), list.end(), name); match != std::sregex_iterator(); ++match) {
    names.push_back((*match)[1]);
  }
  return names;
}

TEST(VzedLimits, EveryClassTheDocumentCallsCreatableIsCreatable) {
  VzedProcess vzed;
  vze::RpcClient client = vzed.Client();
  const std::vector<std::string> classes = DocumentedCreatableClasses();
  ASSERT_GE(classes.size(), 10u);
  for (const std::string& name : classes) {
    try {
      EXPECT_EQ(client.Call("create", {{"class", name}})["$class"], name);
      EXPECT_EQ(client.Call("describe", {{"class", name}})["creatable"], true) << name;
    } catch (const vze::RpcError& error) {
      ADD_FAILURE() << name << ": " << error.what();
    }
  }
}

TEST(VzedLimits, OnceAllClientsTogetherHoldTooMuchUnreadOutputTheOneHoldingMostIsDisconnected) {
  VzedProcess vzed({"--client-backlog", "64MiB", "--total-backlog", "2MiB"});
  vze::RpcClient reader = vzed.Client();
  const auto server = HandleOf(reader.Call("create", {{"class", "clsZERUredoz"}}));
  reader.Call("set", {{"handle", server}, {"name", "AdditionalCommWarning"}, {"value", std::string(128 * 1024, 'w')}});
  const std::string get = R"({"jsonrpc":"2.0","id":1,"method":"get","params":{"handle":)" + std::to_string(server) +
                          R"(,"name":"AdditionalCommWarning"}})";
  // Two clients that do not read: the first piles up 0.75 MiB, under the budget; the second
  // passes it with its own pile, the larger one.
  RawClient modest(vzed);
  RawClient greedy(vzed);
  modest.CreateServer();
  greedy.CreateServer();
  auto pile = [&](RawClient& client, int requests) {
    for (int i = 0; i < requests; ++i) client.Send(get);
  };
  pile(modest, 6);
  // The reader's exchanges come after what the others sent: vzed has handled their lines by then.
  reader.Call("get", {{"handle", server}, {"name", "ConnectionActive"}});
  pile(greedy, 40);
  reader.Call("get", {{"handle", server}, {"name", "ConnectionActive"}});

  // The greedy client is cut off: what it can still read ends well before its 40 answers.
  int greedyAnswers = 0;
  while (greedy.lines.ReadLine(std::chrono::seconds(10))) ++greedyAnswers;
  EXPECT_TRUE(greedy.lines.Closed());
  EXPECT_LT(greedyAnswers, 40);
  // The modest one keeps its connection and every answer.
  for (int i = 0; i < 6; ++i) EXPECT_EQ(modest.Next()["result"].get<std::string>().size(), 128u * 1024) << i;
  EXPECT_EQ(Code(modest.Exchange(get)), 0);
  EXPECT_TRUE(reader.Call("get", {{"handle", server}, {"name", "ConnectionActive"}}).get<bool>());
}

TEST(VzedLimits, HelpNamesTheLimitOptions) {
  const auto [status, output] = RunCommand(std::string(VZED_PATH) + " --help");
  EXPECT_EQ(status, 0);
  for (const char* option : {"--client-backlog", "--total-backlog", "--max-file-answer", "--max-xml-answers"}) {
    EXPECT_THAT(output, HasSubstr(option));
  }
  EXPECT_THAT(output, HasSubstr("64 levels deep"));
}

}  // namespace
}  // namespace vz::testing
