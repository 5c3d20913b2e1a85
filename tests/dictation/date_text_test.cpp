// Reading and writing record dates.
#include <gtest/gtest.h>

#include "dictation/date_text.hpp"

namespace vz::dictation {
namespace {

TEST(DateText, ParsesTheFormsRecordsHold) {
  EXPECT_EQ(ParseDateText("12/3/2026 10:15"), (CivilDateTime{2026, 12, 3, 10, 15, 0}));
  EXPECT_EQ(ParseDateText(" 12/03/26 10:15:07 pm "), (CivilDateTime{2026, 12, 3, 22, 15, 7}));
  EXPECT_EQ(ParseDateText("12/03/2026 12:00:00 AM"), (CivilDateTime{2026, 12, 3, 0, 0, 0}));
  EXPECT_EQ(ParseDateText("2026-02-28T23:59:59.250"), (CivilDateTime{2026, 2, 28, 23, 59, 59}));
  EXPECT_EQ(ParseDateText("2024-02-29"), (CivilDateTime{2024, 2, 29, 0, 0, 0}));
  EXPECT_EQ(ParseDateText("7:05:09"), (CivilDateTime{1899, 12, 30, 7, 5, 9}));
  EXPECT_EQ(ParseDateText("1/1/45"), (CivilDateTime{1945, 1, 1, 0, 0, 0}));
  for (const char* bad : {"", "2026-02-29", "13/01/2026", "12/03/2026 24:00", "12/03/2026 13:00 PM", "10:61",
                          "12/03/2026 x", "tomorrow", "12/03"}) {
    EXPECT_FALSE(ParseDateText(bad)) << bad;
  }
}

TEST(DateText, FormatsPicturesWithMonthAndMinuteTold) {
  const CivilDateTime when{2026, 3, 8, 14, 5, 9};
  EXPECT_EQ(GeneralDateText(when), "03/08/2026 14:05:09");
  EXPECT_EQ(FormatDateText(when, ""), "03/08/2026 14:05:09");
  EXPECT_EQ(FormatDateText(when, "mm/dd/yyyy hh:mm:ss"), "03/08/2026 14:05:09");
  EXPECT_EQ(FormatDateText(when, "MM/dd/yyyy HH:mm:ss"), "03/08/2026 14:05:09");
  EXPECT_EQ(FormatDateText(when, "m/d/yy h:nn AM/PM"), "3/8/26 2:05 PM");
  EXPECT_EQ(FormatDateText(when, "dddd, mmmm d \"at\" h:nn a/p"), "Sunday, March 8 at 2:05 p");
  EXPECT_EQ(FormatDateText(when, "ddd mmm \\d\\a\\y d"), "Sun Mar day 8");
  EXPECT_EQ(FormatDateText(CivilDateTime{2026, 3, 8, 0, 30, 0}, "hh:nn tt"), "12:30 AM");
}

TEST(DateText, ReadsBackWhatEachPictureWrites) {
  const CivilDateTime when{2026, 3, 8, 14, 5, 9};
  for (const char* picture : {"dd/mm/yyyy hh:nn:ss", "d.m.yy h:nn:ss AM/PM", "dddd, mmmm d, yyyy hh:nn:ss",
                              "yyyy-mm-dd\"T\"hh:nn:ss", "ddd dd-mmm-yyyy hh:nn:ss tt", "yyyymmddhhnnss"}) {
    EXPECT_EQ(ParseDateTextWithPicture(FormatDateText(when, picture), picture), when) << picture;
  }
  EXPECT_EQ(ParseDateTextWithPicture("8 mar 2026", "d mmm yyyy"), (CivilDateTime{2026, 3, 8, 0, 0, 0}));
  for (const char* bad : {"31/02/2026 10:00:00", "08/03/2026", "08/03/2026 10:00:00 x", "8 Mrz 2026 10:00:00"}) {
    EXPECT_FALSE(ParseDateTextWithPicture(bad, "dd/mm/yyyy hh:nn:ss")) << bad;
  }
  EXPECT_EQ(ParseDateText("08/03/2026 14:05", DateOrder::kDayFirst), (CivilDateTime{2026, 3, 8, 14, 5, 0}));
  EXPECT_EQ(ParseDateText("Sunday, March 8, 2026 2:05 PM"), (CivilDateTime{2026, 3, 8, 14, 5, 0}));
  EXPECT_EQ(ParseDateText("8-Mar-26"), (CivilDateTime{2026, 3, 8, 0, 0, 0}));
  EXPECT_EQ(ParseDateText("Sept. 8 2026"), (CivilDateTime{2026, 9, 8, 0, 0, 0}));
  EXPECT_FALSE(ParseDateText("31 February 2026"));
}

TEST(DateText, SecondsBetweenCrossesDaysAndLeapYears) {
  EXPECT_EQ(SecondsBetween({2024, 2, 28, 23, 59, 59}, {2024, 3, 1, 0, 0, 0}), 86401);
  EXPECT_EQ(SecondsBetween({2026, 1, 1, 0, 0, 10}, {2026, 1, 1, 0, 0, 0}), -10);
}

}  // namespace
}  // namespace vz::dictation
