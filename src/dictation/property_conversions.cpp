#include "dictation/property_conversions.hpp"

#include <cctype>
#include <cstdint>
#include <limits>

#include "object/value.hpp"

namespace vz::dictation {

std::optional<std::int32_t> NumberFromText(std::string_view text) {
  // Plain decimal texts, by far the most common, without the general conversion.
  std::size_t first = 0, last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  const std::string_view core = text.substr(first, last - first);
  if (core.empty()) return std::nullopt;
  if (core.size() <= 9) {
    std::size_t i = core[0] == '-' ? 1 : 0;
    std::int32_t value = 0;
    bool digits = i < core.size();
    for (; i < core.size() && digits; ++i) {
      if (!std::isdigit(static_cast<unsigned char>(core[i]))) digits = false;
      else value = value * 10 + (core[i] - '0');
    }
    if (digits) return core[0] == '-' ? -value : value;
  }
  // Anything else as an automation numeric text ("1e3", "12.5", "&H10").
  try {
    return Value(std::string{core}).ToLong();
  } catch (...) {
  }
  return std::nullopt;
}

std::int32_t LongFromText(std::string_view text) { return NumberFromText(text).value_or(0); }

std::int16_t IntegerFromText(std::string_view text) {
  const auto number = NumberFromText(text);
  if (!number || *number < INT16_MIN || *number > INT16_MAX) return 0;
  return static_cast<std::int16_t>(*number);
}

bool BooleanFromTF(std::string_view text) {
  if (text.empty()) return false;
  try {
    return Value(std::string(text)).ToBoolean();
  } catch (...) {
    return false;
  }
}

bool BooleanFromYN(std::string_view text) {
  if (text.empty()) return true;
  return text.size() == 1 && (text[0] == 'Y' || text[0] == 'y');
}

}  // namespace vz::dictation
