#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/parameters.hpp"
#include "model_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::Long;

class ParametersTest : public testing::ModelTest {
 protected:
  Value Add(const std::string& value, const std::string& name, std::vector<Value> more = {}) {
    std::vector<Value> args{Value(value), Value(name)};
    args.insert(args.end(), more.begin(), more.end());
    return Call(*parameters, "Add", args);
  }
  std::string ValueUnder(const std::string& key) { return Get(*parameters, "", {Value(key)}).ToString(); }

  void SetUp() override {
    ModelTest::SetUp();
    parameters = Create<clsParameters>();
  }

  std::shared_ptr<clsParameters> parameters;
};

TEST_F(ParametersTest, ASecondParameterOfTheSameNameIsDroppedWithoutIncrement) {
  ASSERT_TRUE(Add("first", "x").IsObject());
  EXPECT_TRUE(Add("second", "x").IsNothing());
  EXPECT_TRUE(Add("third", "x", {Long(0)}).IsNothing());  // iitNone says the same
  EXPECT_EQ(parameters->Count(), 1);
  EXPECT_EQ(ValueUnder("x"), "first");
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("sParmValue: first sParmName: x"));
  EXPECT_THAT(log, HasSubstr("bfnHaveParameterWithThisName=false"));
  EXPECT_THAT(log, HasSubstr("bfnHaveParameterWithThisName=true about to exit function"));
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(ParametersTest, IncrementKeysRepeatedNamesWithTheirCount) {
  const auto iitInc = Long(static_cast<std::int32_t>(INDEX_INCREMENT_TYPE::iitInc));
  Add("a.tpl", "file", {iitInc});
  Add("b.tpl", "file", {iitInc});
  const auto third = std::dynamic_pointer_cast<clsParameter>(Add("c.tpl", "file", {iitInc}).ToObject());
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third->ParmName(), "file");  // the plain name, not the key
  EXPECT_EQ(ValueUnder("file"), "a.tpl");
  EXPECT_EQ(ValueUnder("file2"), "b.tpl");
  EXPECT_EQ(ValueUnder("file3"), "c.tpl");
  EXPECT_THAT(DetailLog(), HasSubstr("eIncrement: 1"));
  EXPECT_THAT(DetailLog(), HasSubstr("sIndex: file3"));

  // x twice: the second goes under x2.
  Add("1", "x");
  Add("2", "x", {iitInc});
  EXPECT_EQ(ValueUnder("x2"), "2");
  EXPECT_EQ(parameters->Count(), 5);
}

TEST_F(ParametersTest, NamesCompareExactlyButKeysIgnoreCase) {
  Add("1", "x");
  EXPECT_EQ(Call(*parameters, "Exists", {Value("x")}), Value(true));
  EXPECT_EQ(Call(*parameters, "Exists", {Value("X")}), Value(false));

  // "X" is a new name but the key x is taken: logged as an error, nothing added, no box.
  EXPECT_TRUE(Add("2", "X").IsNothing());
  EXPECT_EQ(parameters->Count(), 1);
  EXPECT_THAT(testing::ReadFile(folder.Path() / "Logs/Server_Errors.txt"),
              HasSubstr("Error 457: This key is already associated with an element of this collection"));
  EXPECT_TRUE(prompter->Shown().empty());

  // A numbered key a client already used as a name collides the same way.
  Add("3", "y2");
  Add("4", "y");
  EXPECT_TRUE(Add("5", "y", {Long(1)}).IsNothing());
  EXPECT_EQ(parameters->Count(), 3);
}

TEST_F(ParametersTest, PasswordValuesAreNotTraced) {
  Add("s3cret!", "UserPassword");
  EXPECT_THAT(DetailLog(), Not(HasSubstr("s3cret!")));
  EXPECT_THAT(DetailLog(), HasSubstr("sParmValue: ******** sParmName: UserPassword"));
  EXPECT_EQ(ValueUnder("UserPassword"), "s3cret!");
}

TEST_F(ParametersTest, ParmValueIsTheParametersDefault) {
  const ObjectRef parameter = Add("17", "VersionID").ToObject();
  EXPECT_EQ(dispatch::GetDefault(*parameter), Value("17"));
  EXPECT_EQ(dispatch::Enumerate(*parameters), std::vector<Value>{Value(parameter)});
}

}  // namespace
}  // namespace vz
