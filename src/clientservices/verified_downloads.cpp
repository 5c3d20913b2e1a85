#include "clientservices/verified_downloads.hpp"

namespace vz::http_client {

void VerifiedDownloads::Remember(const std::string& request, const std::filesystem::path& file, const std::string& digest) {
  std::error_code error;
  Saved saved{digest, std::filesystem::file_size(file, error), {}};
  if (!error) saved.written = std::filesystem::last_write_time(file, error);
  if (error) return;
  const std::string key = Key(request, file);
  if (saved_.insert_or_assign(key, std::move(saved)).second) order_.push_back(key);
  while (saved_.size() > kMostFiles && !order_.empty()) {
    saved_.erase(order_.front());
    order_.pop_front();
  }
  // Records forgotten by Find leave their names in the order: trimmed when it outgrows the map.
  if (order_.size() > 2 * kMostFiles) {
    std::deque<std::string> kept;
    for (const std::string& name : order_)
      if (saved_.contains(name)) kept.push_back(name);
    order_ = std::move(kept);
  }
}

std::optional<std::string> VerifiedDownloads::Find(const std::string& request, const std::filesystem::path& file) {
  const auto found = saved_.find(Key(request, file));
  if (found == saved_.end()) return std::nullopt;
  std::error_code error;
  // A link planted in its place is not the file saved.
  const bool regular = std::filesystem::symlink_status(file, error).type() == std::filesystem::file_type::regular;
  const auto size = regular ? std::filesystem::file_size(file, error) : 0;
  const auto written = regular && !error ? std::filesystem::last_write_time(file, error) : std::filesystem::file_time_type{};
  if (!regular || error || size != found->second.size || written != found->second.written) {
    saved_.erase(found);
    return std::nullopt;
  }
  return found->second.digest;
}

std::string VerifiedDownloads::Key(const std::string& request, const std::filesystem::path& file) {
  return request + '\n' + file.string();
}

}  // namespace vz::http_client
