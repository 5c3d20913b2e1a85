// From an action's typed values to its servlet exchanges, without a servlet: every named value
// reaches the parameter its call sends, in the call's order, and the connection values of the
// object's kind fill the rest.
#include "clientservices/call_plans.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vz::http_client {
namespace {

using ::testing::HasSubstr;

constexpr const char* kUrl = "http://127.0.0.1:8080/north/servlet/ScribeServlet";

CallArguments Arguments(std::vector<std::int32_t> dictations, std::map<std::string, std::string, std::less<>> named) {
  CallArguments arguments;
  for (const std::int32_t id : dictations) arguments.dictations.push_back({3, id, "0", false, "0", "co-" + std::to_string(id)});
  arguments.named = std::move(named);
  return arguments;
}

TEST(CallPlans, NamedAndConnectionValuesReachTheirParameters) {
  const ConnectionInit connection{kUrl, "jdoe", "secret", "3"};
  struct Case {
    Action action;
    ServiceInit init;
    CallArguments arguments;
    std::string query;
    std::string form;  // of the first exchange
  };
  const std::string entry = "locationID=3&utteranceID=1001&linkedDocumentID=0&isAddendum=False&documentVersion=0";
  const Case cases[] = {
      // The editor's names are matched in any letter case; a value not given is sent empty.
      {Action::DBR_GETAVERAGEQAGRADE, connection, Arguments({}, {{"ParmString", "Q1"}}), "request=0404", "parmString=Q1"},
      {Action::DBR_UPDATEFIELD, connection, Arguments({}, {{"locationID", "3"}, {"utteranceID", "1001"}, {"type", "priority"}, {"value", "1"}}),
       "request=0301", "locationID=3&utteranceID=1001&type=priority&value=1&PendingNote="},
      // The location of the connection, first.
      {Action::DBR_CREATEDICTATION, connection, Arguments({}, {{"machineID", "WS-1"}}), "request=0305", "locationID=3&machineID=WS-1"},
      {Action::DBR_DOWNLOADQAG, connection, Arguments({1001}, {{"workQueueMode", "2"}, {"useMTReview", "True"}}), "request=0409",
       entry + "&workQueueMode=2&useMTReview=True"},
      {Action::DBR_DOWNLOAD, DownloadInit{kUrl, "/dl", "jdoe", "secret", 3, true}, Arguments({1001}, {}), "request=0101",
       entry + "&workQueueMode=3&useMTReview=True"},
      {Action::DBR_GETWORKQUEUE,
       WorkQueueInit{.url = kUrl, .retrieveLocked = 1, .retrieveLocation = 3, .login = "jdoe", .password = "secret", .includeViewing = "Y"},
       Arguments({}, {}), "request=0100",
       "retrieveLocked=1&retrieveLocation=3&numToRetrieve=-1&workQueueMode=0&rdrTranscriptionist=&includeViewing=Y&includeViewed="
       "&rdrReviewer=&useMTReview=False"},
      {Action::DBR_CHECKIN, SourceControlInit{.url = kUrl, .operation = 2, .login = "jdoe", .password = "secret", .machineID = "WS-1"},
       Arguments({1001}, {}), "request=0105",
       entry + "&operation=2&usePendingReasons=False&pendingNote=&machineID=WS-1&workQueueMode=0&splitPendingNote=&useMTReview=False"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(IdOf(c.action));
    std::string problem;
    const auto plan = BuildCallPlan(c.action, c.init, c.arguments, problem, "request-1.1");
    ASSERT_TRUE(plan) << problem;
    EXPECT_EQ(plan->authorization, "Basic amRvZTpzZWNyZXQ=");
    ASSERT_FALSE(plan->entries.empty());
    const HttpStep& step = plan->entries.front().steps.front();
    EXPECT_EQ(step.query, c.query);
    EXPECT_EQ(step.form, c.form);
  }
}

TEST(CallPlans, DictationsAndFilesNameWhereAnswersGoAndWhatIsDoneOnce) {
  std::string problem;
  const auto audio = BuildCallPlan(Action::DBR_DOWNLOAD, DownloadInit{kUrl, "/dl", "jdoe", "secret"}, Arguments({1001, 1002}, {}), problem);
  ASSERT_TRUE(audio) << problem;
  ASSERT_EQ(audio->entries.size(), 2u);
  EXPECT_EQ(audio->entries[1].utteranceID, "1002");
  EXPECT_EQ(audio->entries[1].steps.front().saveAs, "/dl/Local_1002.pcm");

  // A check-in is named by the check-out it ends, the same for any request that repeats it.
  const SourceControlInit checkIn{.url = kUrl, .operation = 2, .login = "jdoe", .password = "secret"};
  const auto first = BuildCallPlan(Action::DBR_CHECKIN, checkIn, Arguments({1001}, {}), problem, "request-1.1");
  const auto again = BuildCallPlan(Action::DBR_CHECKIN, checkIn, Arguments({1001}, {}), problem, "request-2.1");
  ASSERT_TRUE(first && again) << problem;
  EXPECT_TRUE(first->entries.front().steps.front().changesState);
  EXPECT_FALSE(first->entries.front().steps.front().idempotencyKey.empty());
  EXPECT_EQ(first->entries.front().steps.front().idempotencyKey, again->entries.front().steps.front().idempotencyKey);

  CallArguments dictionaries = Arguments({}, {{argument::kDownloadFolder, "/app/Downloads"}});
  dictionaries.dictionaries = {"medical.dic", "../x"};
  const auto files = BuildCallPlan(Action::DBR_DOWNLOADDICTIONARY, ConnectionInit{kUrl, "jdoe", "secret", "3"}, dictionaries, problem);
  ASSERT_TRUE(files) << problem;
  ASSERT_EQ(files->entries.size(), 2u);
  EXPECT_EQ(files->entries[0].steps.front().saveAs, "/app/Downloads/medical.dic");
  EXPECT_THAT(files->entries[1].steps.front().refusal, HasSubstr("refused file name from the server"));

  // A file answer needs the file it is saved as.
  EXPECT_FALSE(BuildCallPlan(Action::DBR_GETLISTSCOMPRESSED, ConnectionInit{kUrl, "jdoe", "secret", "3"}, Arguments({}, {}), problem));
  EXPECT_EQ(problem, "No file named for the answer of m_objGetListsCompressed.GetListCompressed");
}

}  // namespace
}  // namespace vz::http_client
