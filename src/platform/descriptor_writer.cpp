#include "platform/descriptor_writer.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vz::platform {

bool DescriptorWriter::Write(std::string_view bytes) {
  if (fd_ < 0) return false;
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool DescriptorWriter::Close() {
  if (fd_ < 0) return error_ == 0;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    error_ = errno;
    return false;
  }
  return true;
}

std::error_code DescriptorWriter::CloseAndRename(const std::filesystem::path& written, const std::filesystem::path& target) {
  if (written.empty()) return std::error_code(error_ != 0 ? error_ : EBADF, std::generic_category());
  if (!Close()) return std::error_code(error_, std::generic_category());
  if (::rename(written.c_str(), target.c_str()) != 0) return std::error_code(errno, std::generic_category());
  return {};
}

}  // namespace vz::platform
