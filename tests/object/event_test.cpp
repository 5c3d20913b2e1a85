#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "error_matchers.hpp"
#include "example_classes.hpp"
#include "object/dispatch.hpp"

namespace vz {
namespace {

using testing::clsNote;
using testing::clsNotebook;

// Records what it hears and runs an optional reaction, which may change by-reference arguments.
class RecordingSink : public EventSink {
 public:
  using Reaction = std::function<void(std::span<Value>)>;
  explicit RecordingSink(std::string name, std::vector<std::string>* journal, Reaction react = {})
      : name_(std::move(name)), journal_(journal), react_(std::move(react)) {}

  void OnEvent(Object&, const MemberInfo& event, std::span<Value> arguments) override {
    journal_->push_back(name_ + ":" + event.name + "(" + (arguments.empty() ? "" : arguments[0].ToString()) + ")");
    if (react_) react_(arguments);
  }

 private:
  std::string name_;
  std::vector<std::string>* journal_;
  Reaction react_;
};

TEST(EventTest, SinksHearEventsInAdviseOrderAndMayChangeByRefArguments) {
  auto book = std::make_shared<clsNotebook>();
  std::vector<std::string> journal;
  std::vector<Value> seenBySecond;
  auto first = std::make_shared<RecordingSink>("1", &journal, [](std::span<Value> a) { a[1] = Value("True"); });
  auto second = std::make_shared<RecordingSink>("2", &journal, [&](std::span<Value> a) {
    seenBySecond.assign(a.begin(), a.end());
  });
  book->Advise(first);
  book->Advise(second);
  book->Advise(first);  // once only

  EXPECT_TRUE(book->Close("owner shutting down"));
  EXPECT_EQ(journal, (std::vector<std::string>{"1:Closing(owner shutting down)", "2:Closing(owner shutting down)"}));
  // The second sink sees the argument as the first left it.
  EXPECT_EQ(seenBySecond[1], Value("True"));
}

TEST(EventTest, ObjectArgumentsReachSinksAsObjects) {
  auto book = std::make_shared<clsNotebook>();
  std::vector<std::string> journal;
  Value heard;
  auto sink = std::make_shared<RecordingSink>("s", &journal, [&](std::span<Value> a) { heard = a[0]; });
  book->Advise(sink);
  auto note = book->Add("hello", std::nullopt);
  EXPECT_EQ(heard, Value(note));
}

TEST(EventTest, UnadvisedAndDestroyedSinksHearNothing) {
  auto book = std::make_shared<clsNotebook>();
  std::vector<std::string> journal;
  auto second = std::make_shared<RecordingSink>("2", &journal);
  // The first sink unadvises the second while the event is being raised.
  auto first = std::make_shared<RecordingSink>("1", &journal, [&](std::span<Value>) { book->Unadvise(*second); });
  book->Advise(first);
  book->Advise(second);
  book->Close(std::nullopt);
  EXPECT_EQ(journal, (std::vector<std::string>{"1:Closing(owner)"}));

  first.reset();
  EXPECT_EQ(book->AdvisedSinkCount(), 0u);
  EXPECT_FALSE(book->Close(std::nullopt));
  EXPECT_EQ(journal.size(), 1u);
}

TEST(EventTest, AByRefValueThatDoesNotConvertBackIsATypeMismatch) {
  auto book = std::make_shared<clsNotebook>();
  std::vector<std::string> journal;
  auto sink = std::make_shared<RecordingSink>("s", &journal, [](std::span<Value> a) { a[1] = Value("maybe"); });
  book->Advise(sink);
  EXPECT_AUTOMATION_ERROR(book->Close(std::nullopt), 13);
}

TEST(EventTest, OnlyClassesWithEventsAcceptSinks) {
  auto note = std::make_shared<clsNote>();
  std::vector<std::string> journal;
  EXPECT_AUTOMATION_ERROR(note->Advise(std::make_shared<RecordingSink>("s", &journal)), 438);
}

}  // namespace
}  // namespace vz
