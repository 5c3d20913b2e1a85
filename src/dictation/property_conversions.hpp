#pragma once
// How stored property texts convert to and from the record's property types. Conversions that
// cannot be made give the type's default and are not errors.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vz::dictation {

// A number when the whole text (blanks around it allowed) is one, rounded half to even; nothing
// otherwise or when it does not fit.
std::optional<std::int32_t> NumberFromText(std::string_view text);

// Long: 0 when not numeric. Integer: 16-bit, 0 when not numeric or out of range.
std::int32_t LongFromText(std::string_view text);
std::int16_t IntegerFromText(std::string_view text);

// "True"/"False" booleans: false when empty or unconvertible ("True", "false", "-1", "0" convert).
bool BooleanFromTF(std::string_view text);
inline std::string TFText(bool value) { return value ? "True" : "False"; }

// "Y"/"N" booleans: true for "Y" in any case and when empty, false for any other text.
bool BooleanFromYN(std::string_view text);
inline std::string YNText(bool value) { return value ? "Y" : "N"; }

}  // namespace vz::dictation
