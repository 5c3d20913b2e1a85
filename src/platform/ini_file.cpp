#include "platform/ini_file.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace vz::platform {
namespace {

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string ReadIniString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                          std::string_view fallback, std::size_t maxCharacters) {
  std::ifstream in(file);
  std::string result(fallback);
  if (in) {
    bool inSection = false;
    for (std::string raw; std::getline(in, raw);) {
      const std::string_view line = Trim(raw);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        const size_t close = line.find(']');
        inSection = close != std::string_view::npos && SameName(Trim(line.substr(1, close - 1)), section);
        continue;
      }
      const size_t equals = line.find('=');
      if (!inSection || equals == std::string_view::npos || !SameName(Trim(line.substr(0, equals)), key)) continue;
      std::string_view value = Trim(line.substr(equals + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      result.assign(value);
      break;
    }
  }
  if (result.size() > maxCharacters) result.resize(maxCharacters);
  return result;
}

}  // namespace vz::platform
