#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/trace.hpp"
#include "diagnostics_fixture.hpp"
#include "regex_matcher.hpp"

namespace vz {
namespace {

using testing::SearchesRegex;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::DiagnosticsTest;
using testing::ReadFile;

TEST(SystemTimeStamp, FormatsMonthDayYearAndMilliseconds) {
  testing::WithTimeZone("UTC", [] {
    using namespace std::chrono;
    const sys_days day = 2026y / 12 / 3;
    const auto when = system_clock::time_point(day) + 22h + 40min + 1s + 7ms;
    EXPECT_EQ(FormatSystemTimeStamp(when), "12-03-26 22:40:01.007");
    EXPECT_EQ(FormatSystemTimeStamp(system_clock::time_point(sys_days(2009y / 1 / 5)) + 999ms), "01-05-09 00:00:00.999");
  });
  testing::WithTimeZone("America/New_York", [] {
    using namespace std::chrono;
    // Local time follows the zone, daylight saving included: 12:00 UTC in July is 08:00 in New York.
    EXPECT_EQ(FormatSystemTimeStamp(system_clock::time_point(sys_days(2026y / 7 / 1)) + 12h), "07-01-26 08:00:00.000");
  });
}

using TraceTest = DiagnosticsTest;

TEST_F(TraceTest, UnsetLevelBecomesTwoAndFiltersLevelThree) {
  SetTraceLevel(0);
  GlobalTrace("clsTest.Op", "detail", 3);
  EXPECT_EQ(TraceLevel(), 2);
  EXPECT_FALSE(std::filesystem::exists(detailLog));
  GlobalTrace("clsTest.Op", "progress", 2);
  EXPECT_THAT(DetailLog(), HasSubstr("clsTest.Op: progress"));
}

TEST_F(TraceTest, LevelFourWritesDetailButNotLevelFive) {
  GlobalTrace("clsTest.Op", "at four", 4);
  GlobalTrace("clsTest.Op", "at five", 5);
  EXPECT_THAT(DetailLog(), HasSubstr("at four"));
  EXPECT_THAT(DetailLog(), Not(HasSubstr("at five")));
}

TEST_F(TraceTest, LineHoldsTimeStampApplicationLocationAndMessage) {
  GlobalTrace("frmTimer.tmrRequest_Timer", "Entering timer event");
  GlobalTrace("frmTimer.tmrRequest_Timer", "bare", 2, /*withTimestamp=*/false);
  const std::string expected = R"(^\d\d-\d\d-\d\d \d\d:\d\d:\d\d\.\d\d\d\t)" + ApplicationName() +
                               "\tfrmTimer\\.tmrRequest_Timer: Entering timer event\r\n\tbare\r\n$";
  EXPECT_THAT(DetailLog(), SearchesRegex(expected));
}

TEST_F(TraceTest, EchoWrapsTheLineAtDetailLevel) {
  GlobalTrace("clsTest.Op", "message", 2, true, /*echo=*/true);
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("\t**** clsTest.Op\tEntering GlobalTrace: message"));
  EXPECT_THAT(log, HasSubstr("\t**** clsTest.Op\tExiting GlobalTrace: message"));
}

TEST_F(TraceTest, BinaryDataIsNeverWrittenVerbatimAndIsRaised) {
  const std::string binary("\0secret\x01\x02", 9);
  EXPECT_THROW(GlobalTrace("clsTest.Op", binary), AutomationError);
  const std::string log = DetailLog();
  EXPECT_THAT(log, HasSubstr("********* Binary data in log msg.  Please contact Quorvane. ********\r\n"));
  EXPECT_THAT(log, Not(HasSubstr("secret")));
  EXPECT_EQ(log.find('\0'), std::string::npos);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_EQ(prompter->Shown()[0].title, "Penwright MT");
  EXPECT_EQ(prompter->Shown()[0].style, vbCritical);
  // The summary log refuses binary data the same way.
  EXPECT_THROW(GlobalSummaryLog("loc", binary), AutomationError);
  EXPECT_FALSE(std::filesystem::exists(folder / "Logs/Summary.log"));
}

TEST_F(TraceTest, UnwritableOrMissingLogIsSilent) {
  SetLogFilePath((folder / "no-such-folder/Server.log"));
  EXPECT_NO_THROW(GlobalTrace("clsTest.Op", "lost"));
  SetLogFilePath("");
  EXPECT_NO_THROW(GlobalTrace("clsTest.Op", "nowhere"));
}

// Hot paths skip building lines nobody would read; they must never skip one that would be written.
TEST_F(TraceTest, ALineIsWantedExactlyWhenItWouldGoSomewhere) {
  SetTraceLevel(0);
  EXPECT_TRUE(TraceWanted(2));
  EXPECT_EQ(TraceLevel(), 2);  // asking settles an unset level as the first line would
  EXPECT_FALSE(TraceWanted(3));
  SetTraceLevel(4);
  EXPECT_TRUE(TraceWanted(4));
  EXPECT_TRUE(SummaryWanted());
  SetLogFilePath("");
  EXPECT_FALSE(TraceWanted(2));
  SetUseSendTrace(true);
  EXPECT_TRUE(TraceWanted(2));
  SetUseSendTrace(false);
  SetGlobalSummaryLogFile("");
  EXPECT_FALSE(SummaryWanted());
}

TEST_F(TraceTest, SummaryLineCarriesApplicationAndLocation) {
  GlobalSummaryLog("DBR Timer Event", "Started request DBR00001", true, /*alsoTrace=*/true);
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"),
              SearchesRegex(R"(^\d\d-\d\d-\d\d [0-9:.]+\t)" + ApplicationName() + "\tDBR Timer Event\tStarted request DBR00001\r\n$"));
  EXPECT_THAT(DetailLog(), HasSubstr("DBR Timer Event: Started request DBR00001"));
}

TEST_F(TraceTest, TraceChannelReceivesLinesInsteadOfTheLog) {
  const std::string socketPath = folder / "trace.sock";
  const int listener = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  SetTraceChannelPath(socketPath);
  SetUseSendTrace(true);
  GlobalTrace("clsTest.Op", "over the channel");
  char buffer[512] = {};
  const ssize_t got = ::recv(listener, buffer, sizeof buffer - 1, MSG_DONTWAIT);
  ::close(listener);
  ASSERT_GT(got, 0);
  EXPECT_THAT(std::string(buffer, static_cast<size_t>(got)), HasSubstr("clsTest.Op: over the channel"));
  EXPECT_FALSE(std::filesystem::exists(detailLog));
}

TEST_F(TraceTest, ErrorsFolderIsTheSiblingOfLogsAndIsCreated) {
  EXPECT_EQ(ErrorsFolder(), folder / "Errors");
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "Errors"));
}

}  // namespace
}  // namespace vz
