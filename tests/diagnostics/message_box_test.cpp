#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagnostics/error_box.hpp"
#include "diagnostics_fixture.hpp"
#include "regex_matcher.hpp"
#include "platform/named_event.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::DiagnosticsTest;
using testing::ReadFile;

// The named answers are the logged texts the tests below read; an answer no button gives is
// logged by its number.
TEST(MsgboxReturn, AnAnswerWithoutANameIsItsCode) {
  EXPECT_EQ(sfnMsgboxReturn(0), "Code 0");
  EXPECT_EQ(sfnMsgboxReturn(42), "Code 42");
}

using MessageBoxTest = DiagnosticsTest;

TEST_F(MessageBoxTest, AnsweredBoxIsLoggedAndSignalsTheBusyEvent) {
  platform::NamedEvent busy(kBusyEventName);
  ASSERT_TRUE(busy.IsOpen());
  while (busy.TryWait()) {
  }
  prompter->Answer(vbNo);
  EXPECT_EQ(MsgBox("Keep trying?", vbYesNo), vbNo);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_EQ(prompter->Shown()[0].title, "Penwright MT");
  EXPECT_EQ(prompter->Shown()[0].style, vbYesNo);
  EXPECT_TRUE(busy.TryWait());
  // An auto-reset event holds one signal however often it was set.
  prompter->Answer(vbOK);
  prompter->Answer(vbOK);
  MsgBox("one");
  MsgBox("two");
  EXPECT_TRUE(busy.TryWait());
  EXPECT_FALSE(busy.TryWait());
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("MSGBOX: Keep trying?"));
  EXPECT_THAT(log, HasSubstr("User clicked: NO"));
}

TEST_F(MessageBoxTest, NoMsgBoxMarkerAnswersOkWithoutAsking) {
  testing::WriteFile(AppFile("NoMsgBox.flg"), "");
  prompter->Answer(vbCancel);
  EXPECT_EQ(MsgBox("Hidden", vbYesNo, "Title"), vbOK);
  EXPECT_TRUE(prompter->Shown().empty());
  EXPECT_THAT(DetailLog(), HasSubstr("User clicked: OK"));
}

TEST_F(MessageBoxTest, HeadlessBoxCountsAsNotShown) {
  SetPrompter(nullptr);
  EXPECT_EQ(MsgBox("Nobody listens", vbYesNo), vbOK);
  // The error table says that nobody saw the error box.
  ErrMsgBox("Error 5: unseen");
  EXPECT_THAT(ReadFile(folder / "Errors/ServerErrors.log"), HasSubstr("<displayedToUser>N</displayedToUser>"));
}

TEST_F(MessageBoxTest, SuppressedBoxesAreCollected) {
  SetMessageBoxesSuppressed(true);
  EXPECT_EQ(MsgBox("first"), vbOK);
  EXPECT_EQ(MsgBox("second"), vbOK);
  EXPECT_TRUE(prompter->Shown().empty());
  EXPECT_EQ(SuppressedMessages(), (std::vector<std::string>{"first", "second"}));
  EXPECT_THAT(DetailLog(), HasSubstr("Message boxes currently suppressed"));
}

TEST_F(MessageBoxTest, ErrMsgBoxRecordsThenAsks) {
  prompter->Answer(vbRetry);
  EXPECT_EQ(ErrMsgBox("Error 5: bad\r\nin ZERUredoz.clsX.Y.", kErrorBoxStyle, "Error", true, "ZERUredoz.clsX.Y",
                      {5, 9, false}),
            vbRetry);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_EQ(prompter->Shown()[0].style, 4114);
  EXPECT_EQ(prompter->Shown()[0].title, "Error");
  const std::string table = ReadFile(folder / "Errors/ServerErrors.log");
  EXPECT_THAT(table, HasSubstr("<displayedToUser>Y</displayedToUser>"));
  EXPECT_THAT(table, HasSubstr("<module>clsX</module>"));
  const std::string log = DetailLog();
  EXPECT_LT(log.find("Before displaying msg."), log.find("MSGBOX: Error 5: bad"));
  EXPECT_LT(log.find("MSGBOX: Error 5: bad"), log.find("After displaying msg."));
}

TEST_F(MessageBoxTest, ErrorBoxesOffOnlyLog) {
  SetErrorBoxesEnabled(false);
  prompter->Answer(vbRetry);
  EXPECT_EQ(ErrMsgBox("during shutdown"), 0);
  EXPECT_TRUE(prompter->Shown().empty());
  EXPECT_THAT(ReadFile(folder / "Errors/ServerErrors.log"), HasSubstr("<displayedToUser>N</displayedToUser>"));
}

TEST_F(MessageBoxTest, ReentryIsNotedAndDropped) {
  int innerAnswer = -1;
  prompter->onShow = [&](const MessageBoxRequest&) { innerAnswer = ErrMsgBox("inner failure"); };
  prompter->Answer(vbAbort);
  EXPECT_EQ(ErrMsgBox("outer failure"), vbAbort);
  EXPECT_EQ(innerAnswer, 0);
  EXPECT_EQ(prompter->Shown().size(), 1u);
  const std::string possible = ReadFile(folder / "Logs/PossibleErrors.log");
  EXPECT_THAT(possible, testing::SearchesRegex(R"(^\d\d:\d\d:\d\d\tREENTERING ERRMSGBOX!!!\r\nMessage Passed:\r\ninner failure)"));
  EXPECT_THAT(ReadFile(folder / "Errors/ServerErrors.log"), Not(HasSubstr("inner failure")));
  // Once the outer box is answered, the next error box is shown again.
  prompter->onShow = nullptr;
  prompter->Answer(vbIgnore);
  EXPECT_EQ(ErrMsgBox("later failure"), vbIgnore);
}

}  // namespace
}  // namespace vz
