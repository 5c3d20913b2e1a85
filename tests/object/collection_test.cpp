#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error_matchers.hpp"
#include "example_classes.hpp"
#include "object/collection.hpp"

namespace vz {
namespace {

std::vector<std::string> Items(const Collection<std::string>& c) { return {c.begin(), c.end()}; }

TEST(CollectionTest, KeepsInsertionOrderWithAndWithoutKeys) {
  Collection<std::string> c;
  c.Add("a", "K1");
  c.Add("b");
  c.Add("c", "K3");
  EXPECT_EQ(Items(c), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(c.Item(2), "b");
  EXPECT_EQ(c.Item("k3"), "c");  // keys match case-insensitively
  EXPECT_EQ(c.KeyAt(1), "K1");   // and keep the case they were given
  EXPECT_FALSE(c.KeyAt(2).has_value());
}

TEST(CollectionTest, DuplicateKeyIsRefusedAndLosesNothing) {
  Collection<std::string> c;
  c.Add("first", "key");
  EXPECT_AUTOMATION_ERROR(c.Add("second", "KEY"), 457);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Item("key"), "first");
}

TEST(CollectionTest, MissingKeysAndPositionsRaise) {
  Collection<std::string> c;
  c.Add("a", "x");
  EXPECT_AUTOMATION_ERROR(c.Item("y"), 5);
  EXPECT_AUTOMATION_ERROR(c.Item(0), 9);
  EXPECT_AUTOMATION_ERROR(c.Item(2), 9);
  EXPECT_AUTOMATION_ERROR(c.Remove("y"), 5);
  EXPECT_AUTOMATION_ERROR(c.Remove(-1), 9);
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.Find("y"), nullptr);
  EXPECT_FALSE(c.Contains("y"));
}

TEST(CollectionTest, RemovalShiftsPositionsAndFreesTheKey) {
  Collection<std::string> c;
  c.Add("a", "A");
  c.Add("b", "B");
  c.Add("c", "C");
  c.Remove("b");
  EXPECT_EQ(Items(c), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(c.Item(2), "c");
  EXPECT_EQ(c.Item("C"), "c");
  EXPECT_FALSE(c.Contains("B"));
  c.Add("b again", "b");  // the key is free again
  c.Remove(1);
  EXPECT_EQ(Items(c), (std::vector<std::string>{"c", "b again"}));
  EXPECT_FALSE(c.Contains("A"));
}

TEST(CollectionTest, AutomationIndexIsKeyWhenTextPositionWhenNumber) {
  Collection<std::string> c;
  c.Add("one", "2");
  c.Add("two", "1");
  EXPECT_EQ(c.ItemByIndex(Value("1")), "two");  // text, even numeric text, is a key
  EXPECT_EQ(c.ItemByIndex(Value(std::int32_t{1})), "one");
  EXPECT_EQ(c.ItemByIndex(Value(1.6)), "two");  // positions round
  EXPECT_AUTOMATION_ERROR(c.ItemByIndex(Value()), 5);
  EXPECT_AUTOMATION_ERROR(c.ItemByIndex(Value(Value::Array{})), 13);
  c.RemoveByIndex(Value("2"));
  EXPECT_EQ(Items(c), (std::vector<std::string>{"two"}));
}

TEST(CollectionTest, AnObjectIndexStandsForItsDefaultValue) {
  Collection<std::string> c;
  c.Add("found", "U47.2");
  auto note = std::make_shared<testing::clsNote>();
  note->SetText("u47.2");
  EXPECT_EQ(c.ItemByIndex(Value(note)), "found");
}

// Used as a queue: added at the back, taken from the front, positions and keys stay right.
TEST(CollectionTest, AQueueTakenFromTheFrontKeepsPositionsAndKeys) {
  Collection<std::int32_t> c;
  std::int32_t next = 1;
  std::int32_t first = 1;
  for (int round = 0; round < 300; ++round) {
    for (int i = 0; i < 3; ++i, ++next) c.Add(next, "K" + std::to_string(next));
    for (int i = 0; i < 2; ++i, ++first) c.Remove("k" + std::to_string(first));
  }
  ASSERT_EQ(c.Count(), next - first);
  EXPECT_EQ(c.Item(1), first);
  EXPECT_EQ(c.Item(c.Count()), next - 1);
  EXPECT_EQ(c.Item("K" + std::to_string(first + 10)), first + 10);
  EXPECT_FALSE(c.Contains("K" + std::to_string(first - 1)));
  c.Remove(1);
  EXPECT_EQ(c.Item(1), first + 1);
}

TEST(CollectionTest, ManyItemsStayReachableByKeyAfterRemovals) {
  Collection<std::int32_t> c;
  for (std::int32_t i = 1; i <= 5000; ++i) c.Add(i, "DBR" + std::to_string(i));
  for (std::int32_t i = 1; i <= 5000; i += 2) c.Remove("dbr" + std::to_string(i));
  ASSERT_EQ(c.Count(), 2500);
  EXPECT_EQ(c.Item(1), 2);
  EXPECT_EQ(c.Item(2500), 5000);
  EXPECT_EQ(c.Item("DBR4000"), 4000);
  EXPECT_FALSE(c.Contains("DBR3999"));
}

}  // namespace
}  // namespace vz
