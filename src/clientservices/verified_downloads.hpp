#pragma once
// The file answers this client has verified and saved, so that asking again for a file it still
// holds as it saved it (a dictation finished beyond a failure, asked for again by the retry) goes
// with If-None-Match and the server's 304 leaves it in place instead of sending it again.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vz::http_client {

class VerifiedDownloads {
 public:
  // `request` names the exchange (server, servlet, query and form); `file` was saved from its
  // answer, whose digest was `digest`.
  void Remember(const std::string& request, const std::filesystem::path& file, const std::string& digest);

  // The digest `file` was saved under by `request`, when it is still the file then written (same
  // size and modification time); otherwise nothing, and the record goes.
  std::optional<std::string> Find(const std::string& request, const std::filesystem::path& file);

 private:
  struct Saved {
    std::string digest;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written;
  };
  static std::string Key(const std::string& request, const std::filesystem::path& file);

  static constexpr std::size_t kMostFiles = 4096;  // the oldest records go first
  std::map<std::string, Saved> saved_;
  std::deque<std::string> order_;
};

}  // namespace vz::http_client
