#pragma once
// Text read from a value or an answer is compared without the blanks around it.
#include <string_view>

namespace vz {

// `text` without the spaces, tabs, carriage returns and line feeds at either end.
inline std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace vz
