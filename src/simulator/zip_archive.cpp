#include "simulator/zip_archive.hpp"

#include <zip.h>

#include <stdexcept>

namespace vz::simulator {

std::string ZipOneMember(std::string_view memberName, std::string_view bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (buffer == nullptr) throw std::runtime_error("zip: cannot make a buffer");
  // The archive is written into `buffer`, which must outlive the archive's close.
  zip_source_keep(buffer);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  const auto fail = [&](const std::string& what) {
    if (archive != nullptr) zip_discard(archive);
    zip_source_free(buffer);
    zip_error_fini(&error);
    throw std::runtime_error("zip: " + what);
  };
  if (archive == nullptr) fail("cannot open an archive in memory");
  zip_source_t* member = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
  if (member == nullptr) fail(zip_strerror(archive));
  if (zip_file_add(archive, std::string(memberName).c_str(), member, ZIP_FL_ENC_UTF_8) < 0) {
    zip_source_free(member);
    fail(zip_strerror(archive));
  }
  if (zip_close(archive) != 0) fail(zip_strerror(archive));
  archive = nullptr;

  std::string zipped;
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_source_stat(buffer, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || zip_source_open(buffer) != 0) fail("cannot read the archive back");
  zipped.resize(stat.size);
  const zip_int64_t read = zip_source_read(buffer, zipped.data(), stat.size);
  zip_source_close(buffer);
  zip_source_free(buffer);
  zip_error_fini(&error);
  if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size) throw std::runtime_error("zip: short read of the archive");
  return zipped;
}

}  // namespace vz::simulator
