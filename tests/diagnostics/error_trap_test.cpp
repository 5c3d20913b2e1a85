#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using testing::DiagnosticsTest;
using testing::ReadFile;

TEST(TrappedErrorText, HasNumberOperationAndLine) {
  const AutomationError error(-1, "Unrecognized Request Type", "", 118);
  EXPECT_EQ(FormatTrappedError(error, "clsDatabaseRequest", "Run"),
            "Error -1: Unrecognized Request Type\r\n"
            "in ZERUredoz.clsDatabaseRequest.Run.\r\n"
            "The error occured at line: 118");
}

TEST(RaiseTrap, AppendsWhereTheErrorWasRaisedAndKeepsTheNumber) {
  try {
    RaiseTrap("in ZERUredoz.clsXMLDocument.AddNode.")([] { Raise(-1, "Parent node: <A> does not exist.", "src"); });
    FAIL() << "expected a raise";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Number(), -1);
    EXPECT_EQ(error.Source(), "src");
    EXPECT_THAT(error.Description(), MatchesRegex("Parent node: <A> does not exist\\.\r\nRaised at line [0-9]+ in "
                                                  "in ZERUredoz\\.clsXMLDocument\\.AddNode\\."));
    EXPECT_GT(error.Line(), 0);
  }
  // Foreign exceptions become automation errors on the way out.
  try {
    RaiseTrap("loc")([] { throw std::out_of_range("index"); });
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Number(), 5);
    EXPECT_THAT(error.Description(), HasSubstr("index\r\nRaised at line "));
  }
}

using ErrorTrapTest = DiagnosticsTest;

TEST_F(ErrorTrapTest, AbortAndIgnoreReturnTheDefault) {
  prompter->Answer(vbAbort);
  EXPECT_EQ(ErrorTrap("clsTest", "Count")([] () -> int { RaiseServerError("broken"); }), 0);
  prompter->Answer(vbIgnore);
  EXPECT_EQ(ErrorTrap("clsTest", "Name")([] () -> std::string { RaiseServerError("broken"); }, std::string("fallback")),
            "fallback");
  ASSERT_EQ(prompter->Shown().size(), 2u);
  EXPECT_THAT(prompter->Shown()[0].text, MatchesRegex("Error -1: broken\r\nin ZERUredoz\\.clsTest\\.Count\\.\r\n"
                                                      "The error occured at line: [1-9][0-9]*"));
}

TEST_F(ErrorTrapTest, RetryRunsTheOperationAgain) {
  int attempts = 0;
  prompter->Answer(vbRetry);
  prompter->Answer(vbRetry);
  const int result = ErrorTrap("clsTest", "Flaky")([&] {
    if (++attempts < 3) throw std::runtime_error("not yet");
    return attempts * 10;
  });
  EXPECT_EQ(result, 30);
  EXPECT_EQ(prompter->Shown().size(), 2u);
  EXPECT_THAT(prompter->Shown()[0].text, HasSubstr("Error 5: not yet"));
}

TEST_F(ErrorTrapTest, ShutdownSwitchLogsWithoutAsking) {
  SetErrorBoxesEnabled(false);
  bool ran = false;
  ErrorTrap("clsZERUredoz", "Cleanup")([&] {
    ran = true;
    RaiseServerError("late failure");
  });
  EXPECT_TRUE(ran);
  EXPECT_TRUE(prompter->Shown().empty());
  const std::string table = ReadFile(folder / "Errors/ServerErrors.log");
  EXPECT_THAT(table, HasSubstr("<component>ZERUredoz</component>"));
  EXPECT_THAT(table, HasSubstr("<module>clsZERUredoz</module>"));
  EXPECT_THAT(table, HasSubstr("<member>Cleanup</member>"));
  EXPECT_THAT(ReadFile(folder / "Logs/Server_Errors.txt"), HasSubstr("ZERUredoz.clsZERUredoz.Cleanup: Error -1: late failure"));
}

TEST_F(ErrorTrapTest, NoErrorNoBox) {
  EXPECT_EQ(ErrorTrap("clsTest", "Fine")([] { return 7; }), 7);
  EXPECT_TRUE(prompter->Shown().empty());
  EXPECT_FALSE(std::filesystem::exists(folder / "Errors/ServerErrors.log"));
}

}  // namespace
}  // namespace vz
