#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/generic_requests.hpp"
#include "model_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::Long;

constexpr std::int32_t kTemplates = 12;
constexpr std::int32_t kContacts = 11;

class GenericRequestsTest : public testing::ModelTest {
 protected:
  std::shared_ptr<clsGenericRequest> Next(std::int32_t type, REQUEST_STATE state) {
    return std::dynamic_pointer_cast<clsGenericRequest>(
        Call(*requests, "NextAction", {Long(type), Long(static_cast<std::int32_t>(state))}).ToObject());
  }

  void SetUp() override {
    ModelTest::SetUp();
    requests = Create<clsGenericRequests>();
  }

  std::shared_ptr<clsGenericRequests> requests;
};

TEST_F(GenericRequestsTest, NextActionHandsOutEachEntryOncePerStage) {
  const auto first = requests->Add(kTemplates);
  const auto other = requests->Add(kContacts);
  const auto second = requests->Add(kTemplates);

  EXPECT_EQ(Next(kTemplates, REQUEST_STATE::NotTransmitted), first);
  EXPECT_TRUE(first->Transmitted());  // set when handed out, not when the work is done
  EXPECT_FALSE(first->Completed());
  EXPECT_EQ(Next(kTemplates, REQUEST_STATE::NotTransmitted), second);
  EXPECT_EQ(Next(kTemplates, REQUEST_STATE::NotTransmitted), nullptr);
  EXPECT_FALSE(other->Transmitted());

  EXPECT_EQ(Next(kTemplates, REQUEST_STATE::NotCompleted), first);
  EXPECT_EQ(Next(kTemplates, REQUEST_STATE::NotRetrieved), first);
  EXPECT_EQ(Next(kTemplates, REQUEST_STATE::NotRetrieved), second);

  // A client that resets Retrieved gets the entry again at that stage.
  first->SetRetrieved(false);
  EXPECT_EQ(Next(kTemplates, REQUEST_STATE::NotRetrieved), first);

  // A state outside the enumeration matches nothing.
  EXPECT_EQ(Next(kContacts, static_cast<REQUEST_STATE>(7)), nullptr);
  EXPECT_FALSE(other->Transmitted() || other->Completed() || other->Retrieved());
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(GenericRequestsTest, NextActionTracesEachEntryItExamines) {
  requests->Add(kContacts)->SetCompleted(true);
  requests->Add(kTemplates);
  Next(kTemplates, REQUEST_STATE::NotTransmitted);
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("Entering sub. RequestType = 12. RequestState=0"));
  EXPECT_THAT(log, HasSubstr("Examining request.  Type = 11Transmitted = False. Completed = True.  Retrieved = False"));
  EXPECT_THAT(log, HasSubstr("Examining request.  Type = 12Transmitted = False. Completed = False.  Retrieved = False"));
}

TEST_F(GenericRequestsTest, GetFirstReturnsTheLastEntryOfTheType) {
  EXPECT_TRUE(Call(*requests, "GetFirst", {Long(kTemplates)}).IsNothing());
  requests->Add(kTemplates);
  requests->Add(kContacts);
  const auto last = requests->Add(kTemplates);
  EXPECT_EQ(Call(*requests, "GetFirst", {Long(kTemplates)}).ToObject(), last);
}

TEST_F(GenericRequestsTest, LogErrorsReportsTheFirstMessageOfEachEntry) {
  requests->Add(kTemplates);
  const auto blank = requests->Add(kContacts);
  blank->ErrorMessages()->Add(Value(""));
  blank->ErrorMessages()->Add(Value("second message, never reported"));
  requests->Add(2)->ErrorMessages()->Add(Value("Server busy"));

  Call(*requests, "LogErrors", {Value("GetTemplates")});
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("GetTemplates: No errors found in (12)\r\n"));
  EXPECT_THAT(log, HasSubstr("GetTemplates: Count of errors = 1, but no message string in (11)\r\n"));
  EXPECT_THAT(log, HasSubstr("GetTemplates: Error found in (2): Server busy\r\n"));
  EXPECT_THAT(log, Not(HasSubstr("never reported")));
}

TEST_F(GenericRequestsTest, ItemIsTheDefaultAndABadIndexIsTrapped) {
  const auto a = requests->Add(kTemplates);
  const auto b = requests->Add(kContacts);
  EXPECT_EQ(Get(*requests, "", {Long(2)}).ToObject(), b);
  EXPECT_EQ(dispatch::Enumerate(*requests), (std::vector<Value>{Value(a), Value(b)}));

  EXPECT_TRUE(Get(*requests, "Item", {Long(3)}).IsNothing());
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr("Error 9: Subscript out of range\r\nin ZERUredoz.clsGenericRequests.Item."));

  Call(*requests, "Remove", {Long(1)});
  EXPECT_EQ(requests->Item(Long(1)), b);
}

TEST_F(GenericRequestsTest, ClearDropsTheResultsAndKeepsEverythingElse) {
  const auto request = requests->Add(kTemplates);
  EXPECT_EQ(request->GenericFiles(), nullptr);  // never created implicitly
  const auto parameters = request->Parameters();
  parameters->Add("42", "VersionID");
  request->SetTransmitted(true);
  request->SetCompleted(true);
  request->SetID(Long(8));
  request->SetTag("mine");
  request->SetDictionaryFiles({"a.dic"});
  const auto files = std::make_shared<clsGenericFiles>();
  Set(*request, "GenericFiles", Value(files));
  const auto strings = request->ResponseStrings();
  strings->Add("answer", "1");
  request->FileNames()->Add("t.tpl", "1");
  request->ResponseCodes()->Add(Long(200));
  request->ErrorMessages()->Add(Value("failed"));

  Call(*request, "Clear");

  EXPECT_EQ(request->ResponseStrings()->Count(), 0);
  EXPECT_NE(request->ResponseStrings(), strings);
  EXPECT_EQ(strings->Count(), 1);  // a client holding the old results keeps them
  EXPECT_EQ(request->FileNames()->Count(), 0);
  EXPECT_EQ(request->ResponseCodes()->Count(), 0);
  EXPECT_EQ(request->ErrorMessages()->Count(), 0);
  EXPECT_EQ(request->Parameters(), parameters);
  EXPECT_EQ(parameters->Count(), 1);
  EXPECT_TRUE(request->Transmitted());
  EXPECT_TRUE(request->Completed());
  EXPECT_FALSE(request->Retrieved());
  EXPECT_EQ(request->ID(), Long(8));
  EXPECT_EQ(request->RequestType(), kTemplates);
  EXPECT_EQ(request->Tag(), "mine");
  EXPECT_EQ(request->GenericFiles(), files);
  EXPECT_EQ(Get(*request, "DictionaryFiles"), Value(Value::Array{Value("a.dic")}));
}

}  // namespace
}  // namespace vz
