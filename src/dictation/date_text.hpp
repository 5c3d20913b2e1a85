#pragma once
// Dates as dictation records keep them: local civil date-and-time texts without a zone, written
// in the server's date-and-time format and read back by a tolerant parser, plus the arithmetic
// the records do on them (differences in seconds) and the GMT-to-local conversion.
//
// The general date form. When no custom format is in force (the server's custom-date switch is
// off or its format is empty) dates are written as "MM/dd/yyyy HH:mm:ss" on a 24-hour clock, for
// example "12/03/2026 10:15:00": one fixed width, independent of the machine's locale, unambiguous
// to read back, and the form the editor's files have always shown.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vz::dictation {

struct CivilDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const CivilDateTime&, const CivilDateTime&) = default;
};

// Which number comes first in a date of three numbers that does not start with the year.
enum class DateOrder { kMonthFirst, kDayFirst };

// Reads a date, a time, or both: "12/3/2026 10:15", "12/03/2026 10:15:00 PM", "2026-12-03",
// "2026-12-03T22:15:00" (fractions of a second are dropped), "10:15:00" (a time alone lies on
// 12/30/1899, as automation dates do), and dates naming the month: "3 December 2026",
// "Dec 3, 2026 10:15", "Thursday, December 3, 2026", "03-Dec-26". A year of two digits means
// 1930-2029. Nothing for text that is not a valid date (13/40/2026, 25:00).
std::optional<CivilDateTime> ParseDateText(std::string_view text, DateOrder order = DateOrder::kMonthFirst);

// Reads text written with `picture` (see FormatDateText), field by field; what the picture lacks
// keeps its default (12/30/1899 00:00:00). Nothing when the text does not fit the picture.
std::optional<CivilDateTime> ParseDateTextWithPicture(std::string_view text, std::string_view picture);

// Reads a record date in the form it was written in: with the server's custom format when one is
// in force, otherwise (or when the text does not fit it) as ParseDateText does, taking day and
// month in the order of the custom format.
std::optional<CivilDateTime> ParseWithServerSetting(std::string_view text);

// Formats with an automation format picture: d dd ddd dddd, m mm mmm mmmm (month; minutes right
// after an hour or right before seconds), yy yyyy, h hh (24-hour unless an AM/PM marker is in
// the picture), n nn (minutes), s ss, AM/PM am/pm A/P a/p AMPM tt, "quoted" and \escaped
// literals; other characters stand for themselves. Letters match in either case. An empty
// picture gives the general date form.
std::string FormatDateText(const CivilDateTime& when, std::string_view picture);
std::string GeneralDateText(const CivilDateTime& when);

// The picture in force for record dates: the server's custom format when it is switched on and
// not empty, otherwise the general date form.
std::string FormatWithServerSetting(const CivilDateTime& when);

// Seconds from `from` to `to` (negative when `to` is earlier), as second boundaries crossed.
std::int64_t SecondsBetween(const CivilDateTime& from, const CivilDateTime& to);

// The machine's local time of an instant (TZ honoured).
CivilDateTime LocalCivilTime(std::chrono::system_clock::time_point when);
// The local time now, from the records' wall clock.
CivilDateTime LocalNow();
// A UTC civil time as the machine's local time, with the daylight-saving rule in force then.
CivilDateTime UtcToLocal(const CivilDateTime& utc);

}  // namespace vz::dictation
