#pragma once
// Reading one entry of an ini file, as the desktop's profile-string call does: sections in
// brackets, "key=value" lines, names compared without regard to case, ";" comments.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vz::platform {

// The value of `key` in `section` of `file`, at most `maxCharacters` long; `fallback` when the
// file, the section or the key is missing.
std::string ReadIniString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                          std::string_view fallback, std::size_t maxCharacters);

}  // namespace vz::platform
