#include "execution/server_file_names.hpp"

namespace vz {

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
  return {};
}

}  // namespace vz
