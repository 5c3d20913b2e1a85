#pragma once
// ZIP archives a test writes with libzip: members with names and contents of its choosing.
#include <zip.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vz::testing {

inline void WriteZip(const std::filesystem::path& path, const std::vector<std::pair<std::string, std::string>>& members) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) throw std::runtime_error("cannot create " + path.string());
  for (const auto& [name, bytes] : members) {
    // libzip copies nothing until the archive is closed: the strings outlive that.
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    if (source == nullptr || zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8) < 0) {
      zip_discard(archive);
      throw std::runtime_error("cannot add " + name);
    }
  }
  if (zip_close(archive) != 0) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace vz::testing
