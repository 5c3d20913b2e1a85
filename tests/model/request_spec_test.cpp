#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/connect_info.hpp"
#include "model/parameters.hpp"
#include "model/request_spec.hpp"
#include "model/work_queue.hpp"
#include "model_fixture.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::Integer;
using testing::Long;

class RequestSpecTest : public testing::ModelTest {};

// The dictation collection belongs to a higher layer; the specification knows it by class name.
class StandInUtterances : public AutomationObject<StandInUtterances> {
 public:
  static constexpr std::string_view kClassName = "clsUtterances";
  static void Describe(ClassBuilder<StandInUtterances>&) {}
};

TEST_F(RequestSpecTest, GenericRequestsIsCreatedOnceOnFirstRead) {
  auto spec = Create<clsRequestSpec>();
  const Value first = Get(*spec, "GenericRequests");
  ASSERT_TRUE(first.IsObject());
  ASSERT_NE(first.ObjectReference(), nullptr);
  EXPECT_EQ(Get(*first.ObjectReference(), "Count"), Long(0));
  EXPECT_EQ(Get(*spec, "GenericRequests"), first);  // the same list, not a new empty one
  EXPECT_EQ(spec->GenericRequests(), first.ObjectReference());
}

TEST_F(RequestSpecTest, ActionsOf16BitValuesAreStoredAndReadAs32Bit) {
  auto spec = Create<clsRequestSpec>();
  EXPECT_EQ(Get(*spec, "Actions"), Value(Value::Array{}));

  Set(*spec, "Actions", Value(Value::Array{Integer(2), Integer(1), Integer(62)}));
  EXPECT_THAT(spec->ActionList(), ElementsAre(2, 1, 62));
  EXPECT_EQ(Get(*spec, "Actions"), Value(Value::Array{Long(2), Long(1), Long(62)}));

  // Reading hands out a copy: changing it changes nothing.
  Value copy = Get(*spec, "Actions");
  copy.ArrayItems()[0] = Long(9);
  EXPECT_THAT(spec->ActionList(), ElementsAre(2, 1, 62));
}

TEST_F(RequestSpecTest, ActionsThatDoNotConvertAreTheCallersErrorAndChangeNothing) {
  auto spec = Create<clsRequestSpec>();
  spec->SetActionList({2, 1});
  const Value bad[] = {Value("DBR_GETWORKQUEUE"),                           // not an array
                       Value(Value::Array{Long(3), Value("not a number")}),  // a bad element
                       Value(Value::Array{Value(Value::Array{Long(1)})})};   // an array inside
  for (const Value& value : bad) {
    EXPECT_EQ(testing::RaisedBy([&] { Set(*spec, "Actions", value); }).Number(), 13) << value;
  }
  EXPECT_EQ(testing::RaisedBy([&] { Set(*spec, "Actions", Value(Value::Array{Value(1e10)})); }).Number(), 6);
  EXPECT_THAT(spec->ActionList(), ElementsAre(2, 1));
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(RequestSpecTest, ReInitializeWithoutArgumentsClearsItsFiveAndKeepsTheRest) {
  auto spec = Create<clsRequestSpec>();
  EXPECT_TRUE(spec->ShowProgress());  // a new specification shows progress
  EXPECT_EQ(spec->MaxRetries(), -1);
  const auto requests = spec->GenericRequests();
  spec->SetUtterances(std::make_shared<StandInUtterances>());
  spec->SetWorkQueue(std::make_shared<clsWorkQueue>());
  spec->SetActionList({2, 1});
  spec->SetLocation("North");
  spec->SetMaxRetries(3);
  spec->SetDiscardable(true);
  spec->SetCompletionAction(40);
  spec->SetIsVersionGraded(true);

  Call(*spec, "ReInitialize");

  EXPECT_EQ(spec->Utterances(), nullptr);
  EXPECT_EQ(spec->WorkQueue(), nullptr);
  EXPECT_THAT(spec->ActionList(), IsEmpty());
  EXPECT_EQ(spec->Location(), "");
  EXPECT_FALSE(spec->ShowProgress());  // after ReInitialize the default is False
  EXPECT_EQ(spec->MaxRetries(), 3);
  EXPECT_TRUE(spec->Discardable());
  EXPECT_EQ(spec->CompletionAction(), 40);
  EXPECT_TRUE(spec->IsVersionGraded());
  EXPECT_EQ(spec->GenericRequests(), requests);
}

TEST_F(RequestSpecTest, ReInitializeStoresGivenArgumentsAndRejectsBadOnesWhole) {
  auto spec = Create<clsRequestSpec>();
  const auto dictations = std::make_shared<StandInUtterances>();
  const auto queue = Create<clsWorkQueue>();
  Call(*spec, "ReInitialize",
       {Value(dictations), Value(queue), Value(Value::Array{Integer(2), Value(1.0)}), Long(17), Value(true)});
  EXPECT_EQ(spec->Utterances(), dictations);
  EXPECT_EQ(spec->WorkQueue(), queue);
  EXPECT_THAT(spec->ActionList(), ElementsAre(2, 1));
  EXPECT_EQ(spec->Location(), "17");
  EXPECT_TRUE(spec->ShowProgress());

  // Arguments may be left out in the middle too.
  Call(*spec, "ReInitialize", {Value::Missing(), Value(queue), Value::Missing(), Value("South")});
  EXPECT_EQ(spec->Utterances(), nullptr);
  EXPECT_EQ(spec->WorkQueue(), queue);
  EXPECT_THAT(spec->ActionList(), IsEmpty());
  EXPECT_EQ(spec->Location(), "South");
  EXPECT_FALSE(spec->ShowProgress());

  // A work queue that is not one: reported, and nothing is reset.
  Call(*spec, "ReInitialize", {Value::Missing(), Value(dictations)});
  Call(*spec, "ReInitialize", {Value(std::make_shared<clsParameters>()), Value(queue)});
  EXPECT_EQ(spec->WorkQueue(), queue);
  EXPECT_EQ(spec->Location(), "South");
  ASSERT_EQ(prompter->Shown().size(), 2u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr("Error 13: Type mismatch\r\nin ZERUredoz.clsRequestSpec.ReInitialize."));
  EXPECT_THAT(BoxTexts()[1], HasSubstr("Error 13: Type mismatch\r\nin ZERUredoz.clsRequestSpec.ReInitialize."));
}

TEST_F(RequestSpecTest, UtterancesAndWorkQueueAreAssignedByReference) {
  auto spec = Create<clsRequestSpec>();
  const auto queue = Create<clsWorkQueue>();
  Set(*spec, "WorkQueue", Value(queue));
  queue->SetNumToRetrieve(7);
  EXPECT_EQ(spec->WorkQueue()->NumToRetrieve(), 7);
  EXPECT_THROW(Set(*spec, "WorkQueue", Value(std::make_shared<clsParameters>())), AutomationError);
  EXPECT_THROW(Set(*spec, "Utterances", Value("text")), AutomationError);
  EXPECT_THROW(Set(*spec, "Utterances", Value(std::make_shared<clsParameters>())), AutomationError);
  EXPECT_EQ(spec->Utterances(), nullptr);
  Set(*spec, "WorkQueue", Value::Nothing());
  EXPECT_EQ(spec->WorkQueue(), nullptr);
}

class WorkQueueTest : public testing::ModelTest {};

TEST_F(WorkQueueTest, FreshValues) {
  auto queue = Create<clsWorkQueue>();
  EXPECT_EQ(Get(*queue, "NumToRetrieve"), Integer(-1));
  EXPECT_EQ(Get(*queue, "RetrieveLocation"), Integer(-1));
  EXPECT_EQ(Get(*queue, "RetrieveLocked"), Integer(0));
  EXPECT_EQ(Get(*queue, "MaxRows"), Integer(1500));
  EXPECT_EQ(Get(*queue, "HighPriorityLevelRequired"), Long(0));
  EXPECT_EQ(Get(*queue, "GridDownload"), Value(false));
  EXPECT_EQ(queue->DownloadPath(), ApplicationPath() + "/Downloads");
}

TEST_F(WorkQueueTest, TheDefaultDownloadFolderFollowsTheApplicationFolder) {
  const std::string before = ApplicationPath();
  SetApplicationPath("");
  auto queue = Create<clsWorkQueue>();  // made before the client names its application folder
  EXPECT_EQ(queue->DownloadPath(), "./Downloads");
  SetApplicationPath("/srv/editor");
  EXPECT_EQ(queue->DownloadPath(), "/srv/editor/Downloads");
  queue->SetDownloadPath("/data/dictations");
  EXPECT_EQ(queue->DownloadPath(), "/data/dictations");
  SetApplicationPath(before);
}

TEST_F(WorkQueueTest, ReInitializeSetsTheRetrievalValuesAndClearsTheAnswer) {
  auto queue = Create<clsWorkQueue>();
  queue->SetXMLResponse("<InfoResponse/>");
  queue->SetRetrieveLocked(-1);
  queue->SetRetrieveLocation(4);
  queue->SetMaxRows(20);
  queue->SetDatabaseURL("https://institution/servlet");

  Call(*queue, "ReInitialize", {Long(5)});
  EXPECT_EQ(queue->NumToRetrieve(), 5);
  EXPECT_EQ(queue->RetrieveLocked(), 0);
  EXPECT_EQ(queue->RetrieveLocation(), -1);
  EXPECT_EQ(queue->XMLResponse(), "");
  EXPECT_EQ(queue->MaxRows(), 20);
  EXPECT_EQ(queue->DatabaseURL(), "https://institution/servlet");

  Call(*queue, "ReInitialize", {Value::Missing(), Value(true), Value("3")});
  EXPECT_EQ(queue->NumToRetrieve(), -1);
  EXPECT_EQ(queue->RetrieveLocked(), -1);  // True as a 16-bit integer
  EXPECT_EQ(queue->RetrieveLocation(), 3);
}

TEST_F(WorkQueueTest, ReInitializeWithANumberOutOfRangeChangesNothing) {
  auto queue = Create<clsWorkQueue>();
  queue->SetXMLResponse("<InfoResponse/>");
  Call(*queue, "ReInitialize", {Long(5), Value(false), Long(70000)});
  EXPECT_EQ(queue->NumToRetrieve(), -1);
  EXPECT_EQ(queue->XMLResponse(), "<InfoResponse/>");
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr("Error 6: Overflow\r\nin ZERUredoz.clsWorkQueue.ReInitialize."));
}

TEST(ConnectInfoTest, LocationIDIsA16BitNumber) {
  auto info = std::make_shared<clsConnectInfo>();
  EXPECT_EQ(dispatch::Get(*info, "CurrentLocationID"), Integer(0));
  dispatch::Set(*info, "CurrentLocationID", Value("12"));
  EXPECT_EQ(info->CurrentLocationID(), 12);
  EXPECT_THROW(dispatch::Set(*info, "CurrentLocationID", Long(40000)), AutomationError);
  EXPECT_EQ(info->CurrentLocationID(), 12);
}

}  // namespace
}  // namespace vz
