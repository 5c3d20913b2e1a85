#include "servlet_wire/dictation_file_names.hpp"

#include <cctype>

namespace vz::servlet_wire {

std::string DictationFileRoot(std::string_view utteranceID) { return "Local_" + std::string(utteranceID); }

std::string DictationFileRoot(long utteranceID) { return DictationFileRoot(std::to_string(utteranceID)); }

std::string DictationFileName(std::string_view utteranceID, std::string_view extension) {
  return DictationFileRoot(utteranceID) + std::string(extension);
}

std::string DictationFileName(long utteranceID, std::string_view extension) {
  return DictationFileName(std::to_string(utteranceID), extension);
}

bool IsDictationFileName(std::string_view name, std::string_view utteranceID) {
  if (utteranceID.empty()) return false;
  for (const char c : utteranceID)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  const std::string stem = DictationFileRoot(utteranceID) + ".";
  if (!name.starts_with(stem)) return false;
  const std::string_view extension = name.substr(stem.size());
  if (extension.empty() || extension.size() > 4) return false;
  for (const char c : extension)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace vz::servlet_wire
