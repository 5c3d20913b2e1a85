#include "simulator/network_link.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace vz::simulator {

NetworkClock::time_point LinkSchedule::Pass(NetworkClock::time_point now, std::uint64_t bytes) {
  const auto start = std::max(now, free_);
  free_ = start + std::chrono::duration_cast<NetworkClock::duration>(std::chrono::duration<double>(double(bytes) / bytesPerSecond_));
  return free_;
}

NetworkClock::time_point RoundTrips::Readable(NetworkClock::time_point now) {
  if (first_) {
    first_ = false;
    turned_ = false;
    return std::max(now, accepted_ + 2 * latency_);
  }
  if (!turned_) return now;
  turned_ = false;
  return std::max(now, lastWrite_ + latency_);
}

std::optional<double> ParseRate(std::string_view text) {
  double number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || !(number > 0)) return std::nullopt;
  std::string unit(end, text.data() + text.size());
  std::transform(unit.begin(), unit.end(), unit.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (unit.size() >= 2 && unit.compare(unit.size() - 2, 2, "/s") == 0) unit.resize(unit.size() - 2);
  double bits = 0;
  if (unit.empty() || unit == "bit") bits = 1;
  else if (unit == "kbit") bits = 1e3;
  else if (unit == "mbit") bits = 1e6;
  else if (unit == "gbit") bits = 1e9;
  else return std::nullopt;
  return number * bits / 8;
}

}  // namespace vz::simulator
