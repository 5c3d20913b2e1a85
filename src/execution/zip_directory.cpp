#include "execution/zip_directory.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace vz {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kLongestComment = 0xffff;
// A central directory entry: 46 fixed bytes, then a name, extra field and comment of up to
// 64 KiB each.
constexpr std::uint64_t kSmallestEntry = 46;
constexpr std::uint64_t kLargestEntry = kSmallestEntry + 3 * 0xffff;

std::uint64_t Little(const unsigned char* at, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
  return value;
}

class File {
 public:
  explicit File(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~File() {
    if (fd_ >= 0) ::close(fd_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool Open() const { return fd_ >= 0; }
  std::uint64_t Size() const {
    struct stat status {};
    return ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
  }
  // All `size` bytes at `offset`, or false.
  bool Read(std::uint64_t offset, unsigned char* into, std::size_t size) const {
    while (size > 0) {
      const ssize_t got = ::pread(fd_, into, size, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      into += got;
      offset += static_cast<std::uint64_t>(got);
      size -= static_cast<std::size_t>(got);
    }
    return true;
  }

 private:
  int fd_;
};

ZipDirectoryClaim Problem(std::string text) {
  ZipDirectoryClaim claim;
  claim.problem = std::move(text);
  return claim;
}

}  // namespace

ZipDirectoryClaim ReadZipDirectoryClaim(const std::string& zipFile) {
  const File file(zipFile);
  if (!file.Open()) return Problem("Cannot open " + zipFile + ": " + std::strerror(errno));
  const std::uint64_t size = file.Size();
  const std::string notZip = "Cannot open " + zipFile + ": Not a zip archive";
  if (size < kEndSize) return Problem(notZip);

  // The end record closes the file: its comment runs exactly to the end. A second record that
  // does too (one hidden in the comment) makes the archive ambiguous.
  const std::size_t tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, kEndSize + kLongestComment));
  const std::uint64_t tailStart = size - tailSize;
  std::vector<unsigned char> tail(tailSize);
  if (!file.Read(tailStart, tail.data(), tail.size())) return Problem("Cannot read " + zipFile);
  std::size_t end = 0;
  int found = 0;
  for (std::size_t at = tailSize - kEndSize + 1; at-- > 0;) {
    if (Little(&tail[at], 4) != kEndSignature || at + kEndSize + Little(&tail[at + 20], 2) != tailSize) continue;
    if (found++ == 0) end = at;
  }
  if (found == 0) return Problem(notZip);
  if (found > 1) return Problem(zipFile + " has more than one end of central directory");

  const unsigned char* record = &tail[end];
  std::uint64_t endOffset = tailStart + end;  // where the directory must have ended
  ZipDirectoryClaim claim;
  std::uint64_t disk = Little(record + 4, 2), directoryDisk = Little(record + 6, 2);
  std::uint64_t membersHere = Little(record + 8, 2);
  claim.members = Little(record + 10, 2);
  claim.directorySize = Little(record + 12, 4);
  claim.directoryOffset = Little(record + 16, 4);

  if (endOffset >= kZip64LocatorSize) {
    unsigned char locator[kZip64LocatorSize];
    if (!file.Read(endOffset - kZip64LocatorSize, locator, sizeof locator)) return Problem("Cannot read " + zipFile);
    if (Little(locator, 4) == kZip64LocatorSignature) {
      const std::uint64_t at = Little(locator + 8, 8);
      unsigned char zip64[kZip64EndSize];
      if (at > endOffset - kZip64LocatorSize || endOffset - kZip64LocatorSize - at < kZip64EndSize ||
          !file.Read(at, zip64, sizeof zip64) || Little(zip64, 4) != kZip64EndSignature)
        return Problem(zipFile + " points to a ZIP64 end of central directory it does not hold");
      // A 16- or 32-bit field holds its own value or the mark that the ZIP64 record has it.
      const auto agrees = [](std::uint64_t narrow, std::uint64_t mark, std::uint64_t wide) { return narrow == mark || narrow == wide; };
      const std::uint64_t members = Little(zip64 + 32, 8), size64 = Little(zip64 + 40, 8), offset64 = Little(zip64 + 48, 8);
      if (!agrees(claim.members, 0xffff, members) || !agrees(claim.directorySize, 0xffffffff, size64) ||
          !agrees(claim.directoryOffset, 0xffffffff, offset64))
        return Problem(zipFile + " has end records that disagree");
      disk = Little(zip64 + 16, 4);
      directoryDisk = Little(zip64 + 20, 4);
      membersHere = Little(zip64 + 24, 8);
      claim.members = members;
      claim.directorySize = size64;
      claim.directoryOffset = offset64;
      endOffset = at;
    }
  }

  if (disk != 0 || directoryDisk != 0 || membersHere != claim.members) return Problem(zipFile + " spans several disks");
  if (claim.directoryOffset > endOffset || claim.directorySize > endOffset - claim.directoryOffset)
    return Problem(zipFile + " has its central directory outside the archive");
  if (claim.members > claim.directorySize / kSmallestEntry || claim.directorySize > claim.members * kLargestEntry)
    return Problem(zipFile + " claims " + std::to_string(claim.members) + " members in a central directory of " +
                   std::to_string(claim.directorySize) + " bytes");
  return claim;
}

}  // namespace vz
