// JSON-RPC batches against a running vzed: an array of requests is answered by an array of their
// answers in order, notifications get no entry, and faults are answered per member, or once for
// the whole line when the batch itself is empty.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vzed_process.hpp"

namespace vz::testing {
namespace {

using ::testing::HasSubstr;
using vze::Json;

Json Request(const Json& id, const std::string& method, Json params) {
  return Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
Json Notification(const std::string& method, Json params) {
  return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

class VzedBatch : public ::testing::Test {
 protected:
  // Sends `line` and returns the next line parsed (null when none comes).
  Json Exchange(const std::string& line) {
    EXPECT_TRUE(client.SendLine(line));
    const auto answer = client.ReadLine(std::chrono::seconds(10));
    return answer ? Json::parse(*answer) : Json();
  }

  VzedProcess vzed;
  vze::LineClient client{vzed.socket};
};

TEST_F(VzedBatch, RequestsAreAnsweredTogetherInOrderAndNotificationsGetNoEntry) {
  const Json created = Exchange(Json::array({Request(1, "create", {{"class", "clsZERUredoz"}})}).dump());
  ASSERT_TRUE(created.is_array());
  ASSERT_EQ(created.size(), 1u);
  const std::int64_t server = HandleOf(created[0]["result"]);

  // The members run in order: the notification's set is seen by the get after it.
  const Json answers = Exchange(Json::array({
      Request("a", "get", {{"handle", server}, {"name", "AdditionalCommWarning"}}),
      Notification("set", {{"handle", server}, {"name", "AdditionalCommWarning"}, {"value", "from the batch"}}),
      Request("b", "get", {{"handle", server}, {"name", "AdditionalCommWarning"}}),
      Notification("launchRockets", Json::object()),  // fails, and still gets no entry
      Request("c", "get", {{"handle", server}, {"name", "NoSuchThing"}}),
  }).dump());
  ASSERT_TRUE(answers.is_array()) << answers;
  ASSERT_EQ(answers.size(), 3u) << answers;
  EXPECT_EQ(answers[0], (Json{{"jsonrpc", "2.0"}, {"id", "a"}, {"result", ""}}));
  EXPECT_EQ(answers[1], (Json{{"jsonrpc", "2.0"}, {"id", "b"}, {"result", "from the batch"}}));
  EXPECT_EQ(answers[2]["id"], "c");
  EXPECT_EQ(answers[2]["error"]["code"], 438);

  // A batch of only notifications gets no line at all: the next line answers the next request.
  client.SendLine(Json::array({Notification("set", {{"handle", server}, {"name", "AdditionalCommWarning"}, {"value", "quiet"}})}).dump());
  const Json single = Exchange(Request(2, "get", {{"handle", server}, {"name", "AdditionalCommWarning"}}).dump());
  EXPECT_EQ(single, (Json{{"jsonrpc", "2.0"}, {"id", 2}, {"result", "quiet"}}));
}

TEST_F(VzedBatch, AnEmptyBatchGetsOneErrorAndAnInvalidMemberItsOwnInsideTheArray) {
  const Json empty = Exchange("[]");
  ASSERT_TRUE(empty.is_object()) << empty;
  EXPECT_EQ(empty["error"]["code"], -32600);
  EXPECT_TRUE(empty["id"].is_null());
  EXPECT_THAT(empty["error"]["message"].get<std::string>(), HasSubstr("empty batch"));

  const Json mixed = Exchange("[1," + Request(3, "describe", {{"class", "clsStatusString"}}).dump() +
                              R"(,{"jsonrpc":"2.0","id":4},[],{"jsonrpc":"1.0","id":5,"method":"describe"}])");
  ASSERT_TRUE(mixed.is_array()) << mixed;
  ASSERT_EQ(mixed.size(), 5u) << mixed;
  EXPECT_EQ(mixed[0]["error"]["code"], -32600);
  EXPECT_TRUE(mixed[0]["id"].is_null());
  EXPECT_EQ(mixed[1]["id"], 3);
  EXPECT_EQ(mixed[1]["result"]["class"], "clsStatusString");
  EXPECT_EQ(mixed[2]["error"]["code"], -32600);  // neither a request nor an answer
  EXPECT_EQ(mixed[3]["error"]["code"], -32600);  // a batch inside a batch
  EXPECT_EQ(mixed[4]["error"]["code"], -32600);
  EXPECT_EQ(mixed[4]["id"], 5);  // the id could be read
}

TEST_F(VzedBatch, TheNestingLimitHoldsForEachMemberWithoutCountingTheArray) {
  // The message object, params and args take three levels; a member may use all 64.
  auto nestedCall = [](int id, int depth) {
    return R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":"describe","params":{"args":[)" +
           std::string(depth, '[') + std::string(depth, ']') + R"(],"class":"clsStatusString"}})";
  };
  const Json answers = Exchange("[" + nestedCall(1, 61) + "," + nestedCall(2, 62) + "," + nestedCall(3, 61) + "]");
  ASSERT_TRUE(answers.is_array()) << answers;
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[0]["result"]["class"], "clsStatusString");
  EXPECT_EQ(answers[1]["id"], 2);
  EXPECT_EQ(answers[1]["error"]["code"], -32600);
  EXPECT_THAT(answers[1]["error"]["message"].get<std::string>(), HasSubstr("nested deeper than 64 levels"));
  EXPECT_EQ(answers[2]["result"]["class"], "clsStatusString");
}

}  // namespace
}  // namespace vz::testing
