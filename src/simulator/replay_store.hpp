#pragma once
// The answers the servlets gave to calls that carried an Idempotency-Key: a call repeated with the
// same key (the client lost the first answer) gets the first answer again instead of being done a
// second time. Only answers of calls that were done are kept: a refusal changes nothing, so its
// repeat is served afresh. Keys come from outside, so the store is bounded: a key of at most
// kMaxKeyLength printable characters, at most kMaxAnswers answers of at most kMaxAnswerBytes each,
// the oldest forgotten first.
#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "simulator/http_exchange.hpp"

namespace vz::simulator {

class ReplayStore {
 public:
  static constexpr std::size_t kMaxKeyLength = 128;
  static constexpr std::size_t kMaxAnswers = 4096;
  static constexpr std::size_t kMaxAnswerBytes = 64 * 1024;

  // Whether `key` may be used: 1 to kMaxKeyLength visible ASCII characters.
  static bool UsableKey(std::string_view key);

  // What was answered to `key` for `caller` (the institution and login: keys are the caller's own).
  // The answer, or a 422 refusal when the key named another call (`call`: request number and
  // dictation); nothing when the key is new.
  std::optional<HttpReply> Find(const std::string& caller, const std::string& key, const std::string& call) const;
  // Keeps `reply` (a 200 answer with a body) as the answer to `key`.
  void Keep(const std::string& caller, const std::string& key, const std::string& call, const HttpReply& reply);

  std::size_t Size() const { return answers_.size(); }

 private:
  struct Kept {
    std::string call;
    HttpReply reply;
  };
  std::map<std::string, Kept, std::less<>> answers_;  // by caller and key
  std::deque<std::string> order_;                     // oldest first
};

}  // namespace vz::simulator
