#include "platform/temporary_files.hpp"

#include "platform/resumable_part.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>

namespace vz::platform {
namespace {

constexpr std::string_view kMark = "~vz";
constexpr std::size_t kRandomLength = 6;  // what mkostemps puts in place of "XXXXXX"
constexpr std::string_view kKnownSuffixes[] = {".tmp", ".part"};

// The temporary files this process holds (by name: the random part makes names unique), and the
// folders it has already cleaned. Writers may run on more than one thread.
struct Registry {
  std::mutex mutex;
  std::set<std::string> live;
  std::set<std::string> swept;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool AllAlphanumeric(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

void RemoveStaleOnce(const std::filesystem::path& folder) {
  std::error_code error;
  std::string key = std::filesystem::absolute(folder, error).lexically_normal().string();
  if (error) key = folder.string();
  {
    Registry& registry = TheRegistry();
    const std::lock_guard lock(registry.mutex);
    if (!registry.swept.insert(key).second) return;
  }
  RemoveStaleTemporaryFiles(folder);
}

// Whether the process that wrote a temporary file is gone for sure. A process id in use, by the
// writer or by another process that got its number since, keeps the file.
bool WriterIsGone(long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

}  // namespace

TemporaryFile::TemporaryFile(const std::filesystem::path& target, std::string_view suffix) : target_(target) {
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  RemoveStaleOnce(folder);
  std::string pattern = (folder / ("." + target.filename().string() + std::string(kMark) + std::to_string(::getpid()) +
                                   "-" + std::string(kRandomLength, 'X') + std::string(suffix)))
                            .string();
  Registry& registry = TheRegistry();
  // Registered under the lock it is created in, so that a sweep on another thread never sees
  // it unregistered.
  const std::lock_guard lock(registry.mutex);
  fd_ = ::mkostemps(pattern.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  // mkostemps creates 0600; user files are meant to be readable like any file the user writes.
  ::fchmod(fd_, 0644);
  path_ = std::move(pattern);
  registry.live.insert(path_.filename().string());
}

TemporaryFile::~TemporaryFile() {
  if (fd_ >= 0) ::close(fd_);
  if (path_.empty()) return;
  if (!committed_) ::unlink(path_.c_str());
  Registry& registry = TheRegistry();
  const std::lock_guard lock(registry.mutex);
  registry.live.erase(path_.filename().string());
}

std::error_code TemporaryFile::Commit() {
  const std::error_code error = CloseAndRename(path_, target_);
  if (!error) committed_ = true;
  return error;
}

bool IsTemporaryFileName(std::string_view name, long* writer) {
  if (name.size() < 2 || name.front() != '.') return false;
  const auto suffix = std::find_if(std::begin(kKnownSuffixes), std::end(kKnownSuffixes),
                                   [&](std::string_view s) { return name.ends_with(s); });
  if (suffix == std::end(kKnownSuffixes)) return false;
  const std::string_view stem = name.substr(0, name.size() - suffix->size());
  if (stem.size() < kRandomLength + 1) return false;
  if (!AllAlphanumeric(stem.substr(stem.size() - kRandomLength)) || stem[stem.size() - kRandomLength - 1] != '-') {
    return false;
  }
  const std::string_view withPid = stem.substr(0, stem.size() - kRandomLength - 1);
  const std::size_t mark = withPid.rfind(kMark);
  // At least one character of the target's name between the leading "." and the mark.
  if (mark == std::string_view::npos || mark < 2) return false;
  const std::string_view pid = withPid.substr(mark + kMark.size());
  if (!AllDigits(pid) || pid.size() > 9) return false;
  const long number = std::strtol(std::string(pid).c_str(), nullptr, 10);
  if (number <= 0) return false;
  if (writer) *writer = number;
  return true;
}

std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder) {
  std::size_t removed = 0;
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error) return 0;
  const long self = static_cast<long>(::getpid());
  Registry& registry = TheRegistry();
  for (const std::filesystem::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    long writer = 0;
    const bool resumable = IsResumablePartName(name);
    if (!resumable && !IsTemporaryFileName(name, &writer)) continue;
    struct stat info {};
    if (::lstat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
    if (resumable) {
      // Kept for a retry, whoever wrote it, until it is too old to be worth resuming.
      const auto age = std::chrono::seconds(::time(nullptr) - info.st_mtime);
      if (age > kResumablePartAge && ::unlink(entry.path().c_str()) == 0) ++removed;
      continue;
    }
    const std::lock_guard lock(registry.mutex);
    // This process's own number: a previous process had it (containers restart with the same
    // numbers) unless one of our TemporaryFile objects holds the file.
    if (writer == self ? registry.live.contains(name) : !WriterIsGone(writer)) continue;
    if (::unlink(entry.path().c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace vz::platform
