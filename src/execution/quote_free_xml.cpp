#include "execution/quote_free_xml.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/temporary_files.hpp"

namespace vz {
namespace {

constexpr std::string_view kMarker = "<InfoResponse>";
constexpr std::size_t kBlock = 64 * 1024;

}  // namespace

bool QuoteFreeXml::Emit(std::string_view text) {
  piece_.assign(text);
  std::replace(piece_.begin(), piece_.end(), '"', '-');
  return sink_(piece_);
}

bool QuoteFreeXml::Feed(std::string_view block) {
  if (started_) return Emit(block);
  carry_.append(block);
  const std::size_t at = carry_.find(kMarker);
  if (at == std::string::npos) {
    // Only the last bytes can still begin the marker.
    if (carry_.size() >= kMarker.size()) carry_.erase(0, carry_.size() - (kMarker.size() - 1));
    return true;
  }
  started_ = true;
  const std::string rest = carry_.substr(at);
  carry_.clear();
  carry_.shrink_to_fit();
  return sink_(kQuoteFreeDeclaration) && Emit(rest);
}

bool FeedFile(const std::filesystem::path& file, QuoteFreeXml& rewriter) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<char> block(kBlock);
  bool fed = true;
  for (;;) {
    const ssize_t got = ::read(fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fed = false;
    if (got <= 0) break;
    if (!rewriter.Feed(std::string_view(block.data(), static_cast<std::size_t>(got)))) {
      fed = false;
      break;
    }
  }
  ::close(fd);
  return fed;
}

QuoteFreeRewrite RewriteQuoteFree(const std::filesystem::path& file) {
  QuoteFreeRewrite result;
  platform::TemporaryFile rewritten(file, ".tmp");
  if (!rewritten.IsOpen()) return {QuoteFreeOutcome::kUnwritable, std::strerror(rewritten.Error())};
  bool writeFailed = false;
  QuoteFreeXml rewriter([&](std::string_view text) {
    writeFailed = !rewritten.Write(text);
    return !writeFailed;
  });
  if (!FeedFile(file, rewriter)) {
    if (writeFailed) return {QuoteFreeOutcome::kUnwritable, std::strerror(rewritten.Error())};
    return {QuoteFreeOutcome::kUnreadable, {}};
  }
  if (!rewriter.Started()) return {QuoteFreeOutcome::kNoInfoResponse, {}};
  if (!rewritten.Close()) return {QuoteFreeOutcome::kUnwritable, std::strerror(rewritten.Error())};
  if (const std::error_code error = rewritten.Commit()) return {QuoteFreeOutcome::kUnwritable, error.message()};
  return result;
}

}  // namespace vz
