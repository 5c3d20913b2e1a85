#include "dictation/dictation_ids.hpp"

#include <limits>

namespace vz::dictation {

std::optional<std::int32_t> PlainDictationNumber(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  // Beyond a Long the record's ID would not be the one its files are named for.
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace vz::dictation
