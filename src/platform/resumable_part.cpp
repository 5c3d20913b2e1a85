#include "platform/resumable_part.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace vz::platform {
namespace {

constexpr std::string_view kMark = "~vzresume-";
constexpr std::string_view kSuffix = ".part";
constexpr std::size_t kDigestLength = 64;

std::string Prefix(const std::filesystem::path& target) { return "." + target.filename().string() + std::string(kMark); }

std::filesystem::path Folder(const std::filesystem::path& target) {
  return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

// A regular file of this user, looked at without following a link.
bool OwnRegularFile(const std::filesystem::path& path, std::uint64_t* size = nullptr) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) return false;
  if (size) *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

}  // namespace

bool IsResumableTag(std::string_view tag) {
  return !tag.empty() && tag.size() <= 32 &&
         std::all_of(tag.begin(), tag.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool IsResumableDigest(std::string_view digest) {
  return digest.size() == kDigestLength &&
         std::all_of(digest.begin(), digest.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsResumablePartName(std::string_view name) {
  if (name.size() < 2 || name.front() != '.' || !name.ends_with(kSuffix)) return false;
  const std::size_t mark = name.rfind(kMark);
  if (mark == std::string_view::npos || mark < 2) return false;
  const std::string_view rest = name.substr(mark + kMark.size(), name.size() - mark - kMark.size() - kSuffix.size());
  const std::size_t dash = rest.rfind('-');
  return dash != std::string_view::npos && IsResumableTag(rest.substr(0, dash)) && IsResumableDigest(rest.substr(dash + 1));
}

std::optional<FoundPart> FindResumablePart(const std::filesystem::path& target, std::string_view tag) {
  if (!IsResumableTag(tag)) return std::nullopt;
  const std::string prefix = Prefix(target) + std::string(tag) + "-";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Folder(target), error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix) || !IsResumablePartName(name)) continue;
    const std::string digest = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    FoundPart found{entry.path(), digest, 0};
    if (IsResumableDigest(digest) && OwnRegularFile(entry.path(), &found.size)) return found;
  }
  return std::nullopt;
}

void DiscardResumableParts(const std::filesystem::path& target) {
  const std::string prefix = Prefix(target);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Folder(target), error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix) && IsResumablePartName(name)) ::unlink(entry.path().c_str());
  }
}

ResumablePart::ResumablePart(const std::filesystem::path& target, std::string_view tag, std::string_view digest, std::uint64_t keep)
    : target_(target) {
  if (!IsResumableTag(tag) || !IsResumableDigest(digest)) {
    error_ = EINVAL;
    return;
  }
  const std::filesystem::path path = Folder(target) / (Prefix(target) + std::string(tag) + "-" + std::string(digest) + std::string(kSuffix));
  if (keep == 0) {
    DiscardResumableParts(target);
  } else {
    // Only this part stays: another tag or digest is of a file that is no longer served.
    const std::string prefix = Prefix(target);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(target), error))
      if (entry.path() != path && entry.path().filename().string().starts_with(prefix) &&
          IsResumablePartName(entry.path().filename().string()))
        ::unlink(entry.path().c_str());
  }
  // Never through a link planted under the part's name.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (keep == 0 ? O_TRUNC : 0), 0644);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  struct stat info {};
  errno = 0;
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) < keep ||
      ::ftruncate(fd_, static_cast<off_t>(keep)) != 0 || ::lseek(fd_, 0, SEEK_END) < 0) {
    error_ = errno != 0 ? errno : EIO;  // not a regular file, or shorter than the bytes to keep
    ::close(fd_);
    fd_ = -1;
    return;
  }
  path_ = path;
}

ResumablePart::~ResumablePart() { Close(); }

std::error_code ResumablePart::Commit() {
  const std::error_code error = CloseAndRename(path_, target_);
  if (!error) path_.clear();
  return error;
}

void ResumablePart::Discard() {
  Close();
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
}

}  // namespace vz::platform
