#pragma once
// The one rule for dictation IDs that arrive as text (work-queue rows, split and creation answers,
// QA refusals, the editor's arguments): an ID names the dictation's own files ("Local_<id>.cfg",
// ".rtf", ...), so it is taken only when it is plain decimal digits. Anything a looser reading
// would turn into the same number (" 1001 ", "1001.4", "&H3E9", "1e3") is not an ID, so it can never
// land on another dictation's files. Leading zeros are allowed: "01001" is dictation 1001, IDs are
// compared as numbers and files are always named from the number.
#include <cstdint>
#include <optional>
#include <string_view>

namespace vz::dictation {

// The number of a plain ID: 1 to 10 ASCII digits of a value a Long holds; nothing otherwise.
std::optional<std::int32_t> PlainDictationNumber(std::string_view text);

inline bool IsPlainDictationID(std::string_view text) { return PlainDictationNumber(text).has_value(); }

}  // namespace vz::dictation
