#include "platform/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace vz::platform {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

bool AppendWhole(const std::filesystem::path& path, std::string_view bytes) { return AppendWhole(path.c_str(), bytes); }

bool AppendWhole(const char* path, std::string_view bytes) {
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // One write for the whole line: with O_APPEND the kernel places it atomically at the end.
  const ssize_t written = ::write(fd, bytes.data(), bytes.size());
  ::close(fd);
  return written == static_cast<ssize_t>(bytes.size());
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot create a temporary file beside " + path.string());
  const bool written = WriteAll(fd, bytes);
  const int write_error = errno;
  // mkostemp creates 0600; user files are meant to be readable like any file the user writes.
  ::fchmod(fd, 0644);
  if (::close(fd) != 0 || !written) {
    ::unlink(pattern.c_str());
    throw std::system_error(written ? errno : write_error, std::generic_category(), "cannot write " + path.string());
  }
  if (::rename(pattern.c_str(), path.c_str()) != 0) {
    const int rename_error = errno;
    ::unlink(pattern.c_str());
    throw std::system_error(rename_error, std::generic_category(), "cannot replace " + path.string());
  }
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return content;
}

bool IsHiddenFile(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

bool IsRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace vz::platform
