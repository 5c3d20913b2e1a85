#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "diagnostics/error_log.hpp"
#include "diagnostics/error_table.hpp"
#include "diagnostics_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::DiagnosticsTest;
using testing::ReadFile;

TEST(ErrorTableWriter, EncodesAmpersandFirstAndFoldsLineBreaks) {
  EXPECT_EQ(EncodeForInternalXML(R"(a<b>&"c'd)"), "a&lt;b&gt;&amp;&quot;c&apos;d");
  EXPECT_EQ(EncodeForInternalXML("&lt;"), "&amp;lt;");
  EXPECT_EQ(EncodeForXML("line one\r\nline two\nthree"), "line one\tline two\nthree");
  EXPECT_EQ(CompleteNode("member", "", 2), "");
  EXPECT_EQ(CompleteNode("member", "Add", 2), "        <member>Add</member>\r\n");
  EXPECT_EQ(NodeStart("Errors", 0), "<Errors>\r\n");
  EXPECT_EQ(NodeEnd("error", 1), "    </error>\r\n");
}

TEST(ErrorTableWriter, SplitsSourcesFromTheRight) {
  const ErrorSource full = ParseErrorSource("ZERUredoz.clsDatabaseRequests.Add");
  EXPECT_EQ(full.component, "ZERUredoz");
  EXPECT_EQ(full.module, "clsDatabaseRequests");
  EXPECT_EQ(full.member, "Add");
  const ErrorSource two = ParseErrorSource("frmTimer.tmrRequest_Timer");
  EXPECT_EQ(two.component, "");
  EXPECT_EQ(two.module, "frmTimer");
  EXPECT_EQ(ParseErrorSource("Alone").member, "Alone");
}

TEST(ErrorTableWriter, FirstOccurrenceIsMonthDayFourDigitYear) {
  testing::WithTimeZone("UTC", [] {
    using namespace std::chrono;
    EXPECT_EQ(FormatFirstOccurrence(system_clock::time_point(sys_days(2026y / 3 / 7)) + 13h + 5min + 9s),
              "03/07/2026 13:05:09");
  });
}

using ErrorTableTest = DiagnosticsTest;

TEST_F(ErrorTableTest, PathIsInTheSiblingErrorsFolder) {
  EXPECT_EQ(GetErrorLogFullPath(detailLog), folder / "Errors/ServerErrors.log");
  EXPECT_EQ(GetErrorLogFullPath(""), folder / "Errors/PossibleErrors.log");
  EXPECT_THAT(DetailLog(), HasSubstr("Unable to retrieve detail log name from which to derive errors file. "
                                     "Default to PossibleErrors.log"));
}

TEST_F(ErrorTableTest, FirstErrorCreatesTheTableAndTheSecondAppends) {
  ErrorRecord first;
  first.firstOccurrence = "12/03/2026 22:40:01";
  first.severity = 2;
  first.displayedToUser = true;
  first.errorNumber = -1;
  first.errorDescription = "Key <DBR> & more\r\nsecond line";
  first.component = "ZERUredoz";
  first.module = "clsDatabaseRequests";
  first.member = "Add";
  first.lineNumber = 42;
  AppendErrorNode(first);
  const std::string table = folder / "Errors/ServerErrors.log";
  const std::string expectedFirst =
      "<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n"
      "<Errors>\r\n"
      "    <error>\r\n"
      "        <firstOccurrence>12/03/2026 22:40:01</firstOccurrence>\r\n"
      "        <severity>2</severity>\r\n"
      "        <displayedToUser>Y</displayedToUser>\r\n"
      "        <errorNumber>-1</errorNumber>\r\n"
      "        <errorDescription>Key &lt;DBR&gt; &amp; more\tsecond line</errorDescription>\r\n"
      "        <component>ZERUredoz</component>\r\n"
      "        <module>clsDatabaseRequests</module>\r\n"
      "        <member>Add</member>\r\n"
      "        <lineNumber>42</lineNumber>\r\n"
      "        <count>1</count>\r\n"
      "    </error>\r\n";
  EXPECT_EQ(ReadFile(table), expectedFirst);

  ErrorRecord second;
  second.firstOccurrence = "12/03/2026 22:40:02";
  second.module = "frmTimer";
  second.member = "tmrRequest_Timer";
  AppendErrorNode(second);
  const std::string both = ReadFile(table);
  ASSERT_EQ(both.substr(0, expectedFirst.size()), expectedFirst);
  const std::string appended = both.substr(expectedFirst.size());
  EXPECT_EQ(appended.rfind("    <error>\r\n", 0), 0u);
  // An empty description, like an empty component, leaves its element out.
  EXPECT_THAT(appended, Not(HasSubstr("errorDescription")));
  EXPECT_THAT(appended, Not(HasSubstr("component")));
  EXPECT_THAT(appended, HasSubstr("<displayedToUser>N</displayedToUser>"));
  EXPECT_THAT(both, Not(HasSubstr("</Errors>")));

  // The unterminated root is all a reader has to allow for: closed, it is a well-formed table.
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string((both + "</Errors>").c_str()));
  EXPECT_EQ(document.select_nodes("/Errors/error").size(), 2u);
  EXPECT_THAT(DetailLog(), HasSubstr("From proc: modVBTrace.GlobalErrorsLog (linenum: 42)... Before writing the "
                                     "following description: Key <DBR>"));
}

TEST_F(ErrorTableTest, NoGlobalLogMeansNoTableButThePlainErrorsFile) {
  SetGlobalLogFile("");
  GlobalErrorsLog("clsTest.Op", "it failed", 1, true, true, {5, 7, false});
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Errors"));
  EXPECT_EQ(ReadFile(folder / "Logs/Server_Errors.txt"), "clsTest.Op: it failed\r\n");
  EXPECT_THAT(DetailLog(), HasSubstr("GlobalErrorsLog >>> it failed"));
  EXPECT_THAT(DetailLog(), HasSubstr("Severity: 1"));
}

TEST_F(ErrorTableTest, GlobalErrorsLogFillsTableSummaryAndErrorsFile) {
  GlobalErrorsLog("ZERUredoz.clsDatabaseRequests.Remove", "Error removing index: 3 during shutdown.", 1, true, true,
                  {-1, 12, false});
  const std::string table = ReadFile(folder / "Errors/ServerErrors.log");
  EXPECT_THAT(table, HasSubstr("<member>Remove</member>"));
  EXPECT_THAT(table, HasSubstr("<errorNumber>-1</errorNumber>"));
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"), HasSubstr("Error removing index: 3 during shutdown."));
  EXPECT_THAT(ReadFile(folder / "Logs/Server_Errors.txt"), HasSubstr("ZERUredoz.clsDatabaseRequests.Remove: Error removing"));
}

TEST_F(ErrorTableTest, CrashMarkerEndsTheProcessAfterRecording) {
  testing::WriteFile(AppFile("Crash.flg"), "");
  ErrorRecord record;
  record.errorDescription = "fatal";
  EXPECT_EXIT(AppendErrorNode(record), ::testing::ExitedWithCode(0), "");
  // The record reached the table before the process ended.
  EXPECT_THAT(ReadFile(folder / "Errors/ServerErrors.log"), HasSubstr("<errorDescription>fatal</errorDescription>"));
  EXPECT_THAT(DetailLog(), HasSubstr("Exiting process as a result of a crash."));
}

}  // namespace
}  // namespace vz
