#include "platform/local_time.hpp"

#include <ctime>

namespace vz::platform {

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto since_epoch = when.time_since_epoch();
  auto seconds_part = floor<seconds>(since_epoch);
  const auto millis = duration_cast<milliseconds>(since_epoch - seconds_part).count();
  const std::time_t t = static_cast<std::time_t>(seconds_part.count());
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(millis)};
}

}  // namespace vz::platform
