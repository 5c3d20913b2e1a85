#include "platform/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/temporary_files.hpp"

namespace vz::platform {

bool AppendWhole(const std::filesystem::path& path, std::string_view bytes) { return AppendWhole(path.c_str(), bytes); }

bool AppendWhole(const char* path, std::string_view bytes) {
  // O_NOFOLLOW: a link planted under a log's name is not appended through.
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) return false;
  // One write for the whole line: with O_APPEND the kernel places it atomically at the end.
  const ssize_t written = ::write(fd, bytes.data(), bytes.size());
  ::close(fd);
  return written == static_cast<ssize_t>(bytes.size());
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  TemporaryFile temporary(path, ".tmp");
  if (!temporary.IsOpen()) {
    throw std::system_error(temporary.Error(), std::generic_category(), "cannot create a temporary file beside " + path.string());
  }
  if (!temporary.Write(bytes) || !temporary.Close()) {
    throw std::system_error(temporary.Error(), std::generic_category(), "cannot write " + path.string());
  }
  if (const std::error_code error = temporary.Commit()) {
    throw std::system_error(error, "cannot replace " + path.string());
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
