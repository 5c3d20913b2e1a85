// Open time net of pauses, and due dates converted from GMT with the local zone's rules.
#include "dictation_fixture.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using testing::DictationTest;
using testing::ReadFile;

class OpenTimeTest : public DictationTest {};

TEST_F(OpenTimeTest, PausesAddUpAndAResumeWithoutNewStartCountsFromTheSameStart) {
  auto u = NewUtterance();
  SetNow(2026, 3, 2, 10, 0, 0);
  u->StartPause();
  AdvanceSeconds(30);
  u->ResumeFromPause();
  EXPECT_EQ(u->TimePaused(), 30);
  u->StartPause();
  AdvanceSeconds(15);
  u->ResumeFromPause();
  EXPECT_EQ(u->TimePaused(), 45);
  AdvanceSeconds(5);
  u->ResumeFromPause();  // 20 seconds since the last start
  EXPECT_EQ(u->TimePaused(), 65);
  Set(*u, "TimePaused", Value(std::int32_t{5}));  // the property adds
  EXPECT_EQ(Get(*u, "TimePaused"), Value(std::int32_t{70}));
}

TEST_F(OpenTimeTest, ResumeWithoutPauseRaises) {
  auto u = NewUtterance();
  EXPECT_EQ(testing::RaisedBy([&] { u->ResumeFromPause(); }).Number(), 13);
}

TEST_F(OpenTimeTest, TimeOpenSubtractsThePausedTotalAtEveryCalculation) {
  auto u = NewUtterance();
  u->SetConfigFile(Path("Local_1.cfg"));
  Set(*u, "FileOpened", Value("03/02/2026 09:00:00"));
  u->SetTimePaused(45);
  u->CalculateTimeOpen("03/02/2026 09:10:00");
  EXPECT_EQ(u->AggregateTimeOpen(), 555);
  EXPECT_THAT(ReadFile(Path("Local_1.cfg")), HasSubstr("<AggregateTimeOpen>555</AggregateTimeOpen>"));
  u->CalculateTimeOpen("03/02/2026 09:20:00");
  EXPECT_EQ(u->AggregateTimeOpen(), 555 + 1200 - 45);
}

TEST_F(OpenTimeTest, TimeOpenReadsDayFirstAndMonthNameDatesOfTheServersFormat) {
  CurrentProcessSettings().useCustomDateFormat = true;
  struct Case {
    const char* format;
    const char* opened;
    const char* closed;
    std::int32_t seconds;
  };
  const Case cases[] = {
      {"dd/mm/yyyy hh:nn:ss", "31/03/2026 23:59:00", "01/04/2026 00:01:30", 150},
      {"d mmmm yyyy h:nn:ss AM/PM", "3 December 2026 11:59:00 PM", "4 December 2026 12:00:10 AM", 70},
      {"dd-mmm-yy hh:nn", "03-Dec-26 09:00", "03-Dec-26 09:10", 600},
      {"dddd, mmmm d, yyyy hh:nn:ss", "Thursday, December 3, 2026 10:00:00", "Thursday, December 3, 2026 10:00:05", 5},
      // Not in the format at all, as a client may pass them: day and month still in its order.
      {"dd/mm/yyyy hh:nn:ss", "02/03/2026 09:00", "2 March 2026 09:01:00", 60},
  };
  for (const Case& c : cases) {
    CurrentProcessSettings().dateAndTimeFormat = c.format;
    auto u = NewUtterance();
    u->SetFileOpened(c.opened);
    u->CalculateTimeOpen(c.closed);
    EXPECT_EQ(u->AggregateTimeOpen(), c.seconds) << c.format << ": " << c.opened << " to " << c.closed;
  }
  EXPECT_THAT(ErrorsLog(), ::testing::Not(HasSubstr("Bad date format")));
}

TEST_F(OpenTimeTest, BadCloseTimeChangesNothing) {
  auto u = NewUtterance();
  u->SetFileOpened("03/02/2026 09:00:00");
  u->CalculateTimeOpen("half past nine");
  EXPECT_EQ(u->AggregateTimeOpen(), 0);
  EXPECT_THAT(ErrorsLog(), HasSubstr("Bad date format. Open: 03/02/2026 09:00:00. Close: half past nine"));
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(OpenTimeTest, ClosingAudioSpeedIsWrittenAtOnce) {
  auto u = NewUtterance();
  u->SetConfigFile(Path("Local_2.cfg"));
  Set(*u, "ClosingAudioSpeed", Value(std::int16_t{-3}));
  EXPECT_EQ(u->ClosingAudioSpeed(), -3);
  EXPECT_THAT(ReadFile(Path("Local_2.cfg")), HasSubstr("<ClosingAudioSpeed>-3</ClosingAudioSpeed>"));
}

TEST_F(OpenTimeTest, GmtDueDateConvertsWithTheZonesDaylightSavingRule) {
  auto u = NewUtterance();
  Set(*u, "GMTDueDate", Value("2026-07-15 14:30:00"));
  EXPECT_EQ(u->LocalDueDate(), "07/15/2026 10:30:00");  // EDT, UTC-4
  EXPECT_EQ(u->GetProperty("GMTDueDate"), "07/15/2026 10:30:00");
  Set(*u, "GMTDueDate", Value("01/15/2026 02:30"));
  EXPECT_EQ(u->LocalDueDate(), "01/14/2026 21:30:00");  // EST, UTC-5, the day before
  UseZone("Europe/Berlin");
  Set(*u, "GMTDueDate", Value("2026-07-15T14:30:00"));
  EXPECT_EQ(u->LocalDueDate(), "07/15/2026 16:30:00");  // CEST, UTC+2
}

TEST_F(OpenTimeTest, GmtDueDateThatIsNoDateGivesEmpty) {
  auto u = NewUtterance();
  Set(*u, "GMTDueDate", Value("soon"));
  EXPECT_EQ(Get(*u, "LocalDueDate"), Value(""));
  EXPECT_THAT(ErrorsLog(), HasSubstr("Could not convert the following date from GMT to Local Time:soon"));
}

}  // namespace
}  // namespace vz
