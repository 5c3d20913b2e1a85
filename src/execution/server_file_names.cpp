#include "execution/server_file_names.hpp"

#include <cctype>

#include "platform/temporary_files.hpp"

namespace vz {
namespace {

// "Local_" + digits, alone or followed by an extension: the root every file of a dictation has.
// In any letter case, as the download folder may be on a file system that ignores it.
bool NamesADictationsFile(std::string_view name) {
  constexpr std::string_view kRoot = "local_";
  if (name.size() < kRoot.size()) return false;
  for (std::size_t i = 0; i < kRoot.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(name[i])) != kRoot[i]) return false;
  }
  std::size_t end = kRoot.size();
  while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
  return end > kRoot.size() && (end == name.size() || name[end] == '.');
}

}  // namespace

std::string ServerFileNameProblem(std::string_view name) {
  if (name.empty()) return "an empty file name";
  if (name.size() > 255) return "a file name longer than 255 bytes";
  if (name == ".") return "the file name .";
  if (name.find("..") != std::string_view::npos) return "a file name with ..";
  for (const char c : name) {
    if (c == '/' || c == '\\') return "a file name with a folder part";
    if (c == '\0') return "a file name with a NUL";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return "a file name with a control character";
  }
  if (NamesADictationsFile(name)) return "the name of a dictation's own file";
  if (platform::IsTemporaryFileName(name)) return "the name of a temporary file";
  return {};
}

}  // namespace vz
