#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "error_matchers.hpp"
#include "example_classes.hpp"
#include "object/dispatch.hpp"

namespace vz {
namespace {

using testing::clsNote;
using testing::clsNotebook;

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.Add<clsNote>();
    registry_.Add<clsNotebook>();
    book_ = std::dynamic_pointer_cast<clsNotebook>(dispatch::Create("clsNotebook", registry_));
    ASSERT_NE(book_, nullptr);
  }

  Value Call(std::string_view member, std::vector<Value> args = {}) { return dispatch::Call(*book_, member, args); }

  ClassRegistry registry_;
  std::shared_ptr<clsNotebook> book_;
};

TEST_F(DispatchTest, CreatesAndDescribesRegisteredClassesByName) {
  EXPECT_NE(dispatch::Create("CLSNOTE", registry_), nullptr);
  EXPECT_AUTOMATION_ERROR(dispatch::Create("clsMissing", registry_), 429);
  EXPECT_AUTOMATION_ERROR(dispatch::Describe("clsMissing", registry_), 429);
  EXPECT_EQ(&dispatch::Describe("clsnotebook", registry_), &clsNotebook::Info());
}

TEST_F(DispatchTest, DescriptionListsMembersInInterfaceOrder) {
  std::vector<std::string> names;
  for (const MemberInfo& m : clsNotebook::Info().Members()) names.push_back(m.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Add", "Count", "Item", "Remove", "NewEnum", "TryFind", "Close", "Bump",
                                             "Title", "Pinned", "Password", "Marks", "Label", "Closing", "NoteAdded"}));

  const MemberInfo& bump = *clsNotebook::Info().FindMember("bump");
  EXPECT_EQ(bump.kind, MemberKind::Operation);
  EXPECT_FALSE(bump.readable);  // returns nothing
  ASSERT_EQ(bump.arguments.size(), 2u);
  EXPECT_TRUE(bump.arguments[0].byRef);
  EXPECT_FALSE(bump.arguments[0].optional);
  EXPECT_FALSE(bump.arguments[1].byRef);
  EXPECT_TRUE(bump.arguments[1].optional);
  EXPECT_EQ(bump.RequiredArgumentCount(), 1u);

  const MemberInfo& password = *clsNotebook::Info().FindMember("Password");
  EXPECT_FALSE(password.readable);
  EXPECT_TRUE(password.writable);
  EXPECT_FALSE(clsNotebook::Info().FindMember("Count")->writable);
  EXPECT_TRUE(clsNotebook::Info().FindMember("Item")->isDefault);

  // Events are described but are not members one can get or call.
  const MemberInfo* closing = clsNotebook::Info().FindEvent("closing");
  ASSERT_NE(closing, nullptr);
  EXPECT_EQ(closing->kind, MemberKind::Event);
  EXPECT_TRUE(closing->arguments[1].byRef);
  EXPECT_EQ(clsNotebook::Info().FindMember("Closing"), nullptr);
}

TEST_F(DispatchTest, PropertiesReadAndWriteCaseInsensitively) {
  dispatch::Set(*book_, "TITLE", Value("Monday"));
  EXPECT_EQ(dispatch::Get(*book_, "title"), Value("Monday"));
  dispatch::Set(*book_, "Title", Value(std::int32_t{7}));  // numbers write into text properties
  EXPECT_EQ(book_->Title(), "7");
}

TEST_F(DispatchTest, UnknownMembersAndBadWritesRaiseTheirErrors) {
  EXPECT_AUTOMATION_ERROR(dispatch::Get(*book_, "Colour"), 438);
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*book_, "Count", Value(std::int32_t{1})), 383);
  EXPECT_AUTOMATION_ERROR(dispatch::Get(*book_, "Password"), 394);
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*book_, "Add", Value("x")), 450);
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*book_, "Pinned", Value("not an object")), 13);
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*book_, "Pinned", Value(book_)), 13);  // wrong class
  auto note = dispatch::Create("clsNote", registry_);
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*note, "Priority", Value("high")), 13);
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*note, "Priority", Value(std::int32_t{40000})), 6);
  EXPECT_EQ(dispatch::Get(*note, "Priority"), Value(std::int16_t{0}));  // failed writes change nothing
}

TEST_F(DispatchTest, ObjectPropertiesAssignAndClearWithNothing) {
  auto note = std::make_shared<clsNote>();
  dispatch::Set(*book_, "Pinned", Value(note));
  EXPECT_EQ(book_->Pinned(), note);
  dispatch::Set(*book_, "Pinned", Value::Nothing());
  EXPECT_EQ(book_->Pinned(), nullptr);
  EXPECT_EQ(dispatch::Get(*book_, "Pinned"), Value::Nothing());
}

TEST_F(DispatchTest, ArrayPropertiesCopyBothWays) {
  dispatch::Set(*book_, "Marks", Value(Value::Array{Value(std::int16_t{3}), Value("4")}));
  EXPECT_EQ(dispatch::Get(*book_, "Marks"), Value(Value::Array{Value(std::int32_t{3}), Value(std::int32_t{4})}));
}

TEST_F(DispatchTest, PropertiesWithArgumentsTakeThemOnReadAndWrite) {
  const std::vector<Value> page{Value(std::int16_t{2})};
  dispatch::Set(*book_, "Label", Value("Intro"), page);
  EXPECT_EQ(dispatch::Get(*book_, "Label", page), Value("Intro"));
  EXPECT_EQ(dispatch::Get(*book_, "Label", std::vector<Value>{Value("3")}), Value(""));
  EXPECT_EQ(clsNotebook::Info().FindMember("Label")->arguments.size(), 1u);
  // The value never stands in for a missing argument, and extra arguments are refused.
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*book_, "Label", Value("x")), 449);
  EXPECT_AUTOMATION_ERROR(dispatch::Set(*book_, "Label", Value("x"), std::vector<Value>{Value(1.0), Value(2.0)}), 450);
}

TEST_F(DispatchTest, OptionalArgumentsMayBeLeftOutAtTheEndOrMarkedMissing) {
  Call("Add", {Value("no key")});
  Call("Add", {Value("keyed"), Value("K")});
  Call("Add", {Value("missing key"), Value::Missing()});
  EXPECT_EQ(book_->Count(), 3);
  EXPECT_EQ(book_->Item(Value("k"))->Text(), "keyed");
  EXPECT_AUTOMATION_ERROR(Call("Add"), 449);
  EXPECT_AUTOMATION_ERROR(Call("Add", {Value::Missing(), Value("K2")}), 449);
  EXPECT_AUTOMATION_ERROR(Call("Add", {Value("a"), Value("b"), Value("c")}), 450);
  EXPECT_EQ(book_->Count(), 3);
}

TEST_F(DispatchTest, ByReferenceArgumentsComeBackToTheCaller) {
  std::vector<Value> args{Value(std::int16_t{5}), Value(std::int32_t{1})};
  EXPECT_EQ(dispatch::Call(*book_, "Bump", args), Value());
  EXPECT_EQ(args[0], Value(std::int32_t{11}));
  EXPECT_EQ(args[1], Value(std::int32_t{1}));  // by value: untouched

  auto added = book_->Add("text", "key");
  std::vector<Value> find{Value("KEY"), Value::Nothing()};
  EXPECT_EQ(dispatch::Call(*book_, "TryFind", find), Value(true));
  EXPECT_EQ(find[1], Value(added));

  // A failed call writes nothing back.
  std::vector<Value> bad{Value(std::int16_t{5}), Value("x")};
  EXPECT_AUTOMATION_ERROR(dispatch::Call(*book_, "Bump", bad), 13);
  EXPECT_EQ(bad[0], Value(std::int16_t{5}));
}

TEST_F(DispatchTest, OperationsReadWithGetAndPropertiesCallWithCall) {
  book_->Add("first", "A");
  EXPECT_EQ(dispatch::Get(*book_, "Item", std::vector<Value>{Value("a")}).ToString(), "first");
  EXPECT_EQ(Call("Count"), Value(std::int32_t{1}));
  // The default member answers an empty name, and reading it with no index is an error.
  EXPECT_EQ(dispatch::Get(*book_, "", std::vector<Value>{Value(std::int32_t{1})}).ToString(), "first");
  EXPECT_AUTOMATION_ERROR(dispatch::Get(*book_, "Item"), 449);
}

TEST_F(DispatchTest, EnumerateYieldsItemsInOrder) {
  auto a = book_->Add("a", std::nullopt);
  auto b = book_->Add("b", std::nullopt);
  EXPECT_EQ(dispatch::Enumerate(*book_), (std::vector<Value>{Value(a), Value(b)}));
  EXPECT_AUTOMATION_ERROR(dispatch::Enumerate(*a), 438);
}

// Registration mistakes surface when the class is first described.
struct clsBroken : AutomationObject<clsBroken> {
  static constexpr std::string_view kClassName = "clsBroken";
  static void Describe(ClassBuilder<clsBroken>&) {}
  std::int32_t Take(std::int32_t, std::optional<std::int32_t>) { return 0; }
  std::int32_t Amount() const { return 0; }
  void SetIndexed(std::int32_t, std::int32_t) {}
};

TEST(ClassBuilderTest, RejectsInconsistentDescriptions) {
  const auto build = [](auto describe) {
    ClassBuilder<clsBroken> c("clsBroken");
    describe(c);
    return c.Build();
  };
  EXPECT_THROW(build([](auto& c) { c.Operation("Take", &clsBroken::Take, {"a"}); }), std::logic_error);
  EXPECT_THROW(build([](auto& c) { c.Operation("Take", &clsBroken::Take, {"a", "b", "c"}); }), std::logic_error);
  EXPECT_THROW(build([](auto& c) { c.Property("Amount", &clsBroken::Amount).Property("AMOUNT", &clsBroken::Amount); }),
               std::logic_error);
  EXPECT_THROW(build([](auto& c) { c.Property("Amount", &clsBroken::Amount, &clsBroken::SetIndexed); }),
               std::logic_error);
  EXPECT_THROW(build([](auto& c) { c.Default(); }), std::logic_error);
  EXPECT_THROW(build([](auto& c) { c.Property("A", &clsBroken::Amount).Default().Property("B", &clsBroken::Amount).Default(); }),
               std::logic_error);
  // A lambda taking the object first serves as a member too.
  const ClassInfo info = build([](auto& c) {
    c.Operation("Twice", [](clsBroken&, std::int32_t n) { return n * 2; }, {"n"});
  });
  clsBroken object;
  std::vector<Value> args{Value(std::int32_t{21})};
  EXPECT_EQ(info.FindMember("twice")->invoke(object, args), Value(std::int32_t{42}));
}

TEST(ClassRegistryTest, RefusesTwoClassesUnderOneName) {
  ClassRegistry registry;
  registry.Add<clsNote>();
  registry.Add<clsNote>();  // the same class again is harmless
  EXPECT_EQ(registry.Classes().size(), 1u);
  ClassBuilder<clsNote> impostor("CLSNOTE");
  const ClassInfo other = impostor.Build();
  EXPECT_THROW(registry.Add(other), std::logic_error);
}

}  // namespace
}  // namespace vz
