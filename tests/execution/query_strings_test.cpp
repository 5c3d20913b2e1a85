#include <gtest/gtest.h>

#include "execution/query_strings.hpp"
#include "model/parameters.hpp"

namespace vz {
namespace {

TEST(QueryStrings, EncodeEscapesEachSpecialOnce) {
  EXPECT_EQ(encode("a&b=c"), "a%26b%3Dc");
  EXPECT_EQ(encode("100%"), "100%25");
  EXPECT_EQ(encode("a b"), "a b");
  EXPECT_EQ(encode("%26"), "%2526");
  EXPECT_EQ(encode("?#$+<>,/~{}[]:;!"), "%3F%23%24%2B%3C%3E%2C%2F%7E%7B%7D%5B%5D%3A%3B%21");
}

TEST(QueryStrings, ParameterStringsSkipThePendingNote) {
  auto parameters = std::make_shared<clsParameters>();
  parameters->Add(" x y ", "a", std::nullopt);
  parameters->Add("note", "PendingNote", std::nullopt);
  parameters->Add("1&2", "b", std::nullopt);
  EXPECT_EQ(sfn404ParameterString(parameters), "&a=x y&b=1%262");
  EXPECT_EQ(sfnHL7SearchParameterString(parameters), "&a=x y&b=1%262");
  auto onlyNote = std::make_shared<clsParameters>();
  onlyNote->Add("n", "PendingNote", std::nullopt);
  EXPECT_EQ(sfn404ParameterString(onlyNote), "");
  EXPECT_EQ(sfn404ParameterString(nullptr), "");
}

}  // namespace
}  // namespace vz
