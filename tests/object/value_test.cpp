#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "error_matchers.hpp"
#include "example_classes.hpp"
#include "object/value.hpp"
#include "object/value_traits.hpp"

namespace vz {
namespace {

TEST(ValueTest, NumericStringsConvertToNumbers) {
  EXPECT_EQ(Value("12").ToInteger(), 12);
  EXPECT_EQ(Value("  -7 ").ToLong(), -7);
  EXPECT_EQ(Value("+3").ToLong(), 3);
  EXPECT_DOUBLE_EQ(Value("1.25e2").ToDouble(), 125.0);
  EXPECT_DOUBLE_EQ(Value(".5").ToDouble(), 0.5);
  EXPECT_EQ(Value("&H7FFF").ToInteger(), 32767);
  EXPECT_EQ(Value("&HFFFF").ToInteger(), -1);  // a 16-bit literal reads as two's complement
  EXPECT_EQ(Value("&O17").ToLong(), 15);
}

TEST(ValueTest, NonNumericStringsAreTypeMismatches) {
  EXPECT_AUTOMATION_ERROR(Value("abc").ToLong(), 13);
  EXPECT_AUTOMATION_ERROR(Value("").ToInteger(), 13);
  EXPECT_AUTOMATION_ERROR(Value("12abc").ToDouble(), 13);
  EXPECT_AUTOMATION_ERROR(Value("inf").ToDouble(), 13);
  EXPECT_AUTOMATION_ERROR(Value("nan").ToDouble(), 13);
  EXPECT_AUTOMATION_ERROR(Value("&HZZ").ToLong(), 13);
}

TEST(ValueTest, IntegersRoundHalfToEven) {
  EXPECT_EQ(Value(2.5).ToInteger(), 2);
  EXPECT_EQ(Value(3.5).ToInteger(), 4);
  EXPECT_EQ(Value(-2.5).ToLong(), -2);
  EXPECT_EQ(Value("1.5").ToInteger(), 2);
}

TEST(ValueTest, OutOfRangeNumbersOverflow) {
  EXPECT_EQ(Value(std::int32_t{32767}).ToInteger(), 32767);
  EXPECT_EQ(Value(std::int32_t{-32768}).ToInteger(), -32768);
  EXPECT_AUTOMATION_ERROR(Value(std::int32_t{32768}).ToInteger(), 6);
  EXPECT_AUTOMATION_ERROR(Value(32767.5).ToInteger(), 6);  // rounds to 32768
  EXPECT_AUTOMATION_ERROR(Value(3e9).ToLong(), 6);
  EXPECT_AUTOMATION_ERROR(Value("99999999999").ToLong(), 6);
  EXPECT_AUTOMATION_ERROR(Value(std::numeric_limits<double>::quiet_NaN()).ToLong(), 6);
}

TEST(ValueTest, BooleansAreMinusOneAndZero) {
  EXPECT_EQ(Value(true).ToInteger(), -1);
  EXPECT_EQ(Value(false).ToLong(), 0);
  EXPECT_EQ(Value(true).ToString(), "True");
  EXPECT_TRUE(Value("true").ToBoolean());
  EXPECT_FALSE(Value(" FALSE ").ToBoolean());
  EXPECT_TRUE(Value("-1").ToBoolean());
  EXPECT_TRUE(Value(0.5).ToBoolean());
  EXPECT_FALSE(Value(std::int16_t{0}).ToBoolean());
  EXPECT_AUTOMATION_ERROR(Value("yes").ToBoolean(), 13);
}

TEST(ValueTest, EmptyReadsAsZeroEmptyTextAndFalse) {
  const Value empty;
  EXPECT_EQ(empty.ToLong(), 0);
  EXPECT_EQ(empty.ToString(), "");
  EXPECT_FALSE(empty.ToBoolean());
  EXPECT_TRUE(empty.ToArray().empty());
  EXPECT_EQ(empty.ToObject(), nullptr);
  EXPECT_NE(empty, Value::Nothing());
  EXPECT_NE(empty, Value::Missing());
}

TEST(ValueTest, NumbersFormatAsText) {
  EXPECT_EQ(Value(std::int16_t{-5}).ToString(), "-5");
  EXPECT_EQ(Value(0.1).ToString(), "0.1");
  EXPECT_EQ(Value(-0.0).ToString(), "0");
  EXPECT_EQ(Value(123456789012345.0).ToString(), "123456789012345");
  EXPECT_EQ(Value(1e15).ToString(), "1E+15");
  EXPECT_EQ(Value(1.0 / 3).ToString(), "0.333333333333333");
}

TEST(ValueTest, ArraysAndObjectsDoNotConvertToScalars) {
  const Value array(Value::Array{Value(std::int32_t{1})});
  EXPECT_AUTOMATION_ERROR(array.ToString(), 13);
  EXPECT_AUTOMATION_ERROR(array.ToLong(), 13);
  EXPECT_AUTOMATION_ERROR(Value("x").ToArray(), 13);
  EXPECT_AUTOMATION_ERROR(Value(std::int32_t{1}).ToObject(), 13);
  EXPECT_AUTOMATION_ERROR(Value::Nothing().ToString(), 91);
  // The notebook's default member, Item, needs an index.
  EXPECT_AUTOMATION_ERROR(Value(std::make_shared<testing::clsNotebook>()).ToString(), 449);
}

TEST(ValueTest, ObjectsConvertThroughTheirDefaultMember) {
  auto note = std::make_shared<testing::clsNote>();
  note->SetText("42");
  EXPECT_EQ(Value(note).ToString(), "42");
  EXPECT_EQ(Value(note).ToLong(), 42);
}

TEST(ValueTest, TypedArraysConvertElementByElement) {
  const Value shorts(Value::Array{Value(std::int16_t{1}), Value(std::int16_t{-2})});
  const auto longs = FromValue<std::vector<std::int32_t>>(shorts);
  EXPECT_EQ(longs, (std::vector<std::int32_t>{1, -2}));
  EXPECT_EQ(ToValue(longs), Value(Value::Array{Value(std::int32_t{1}), Value(std::int32_t{-2})}));
  // One bad element fails the whole conversion.
  EXPECT_AUTOMATION_ERROR(FromValue<std::vector<std::int32_t>>(Value(Value::Array{Value("1"), Value("x")})), 13);
}

TEST(ValueTest, ObjectArgumentsMustBeOfTheExpectedClass) {
  const Value note(std::make_shared<testing::clsNote>());
  EXPECT_NE(FromValue<std::shared_ptr<testing::clsNote>>(note), nullptr);
  EXPECT_EQ(FromValue<std::shared_ptr<testing::clsNote>>(Value::Nothing()), nullptr);
  EXPECT_AUTOMATION_ERROR(FromValue<std::shared_ptr<testing::clsNotebook>>(note), 13);
}

}  // namespace
}  // namespace vz
