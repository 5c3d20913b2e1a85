#pragma once
// Broken-down local time with milliseconds, from the machine's time zone (TZ honoured).
#include <chrono>

namespace vz::platform {

struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point when);

}  // namespace vz::platform
