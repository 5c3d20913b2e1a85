#include "simulator/replay_store.hpp"

#include <algorithm>

#include "simulator/http_exchange.hpp"

namespace vz::simulator {
namespace {

std::string StoreKey(const std::string& caller, const std::string& key) { return caller + '\n' + key; }

}  // namespace

bool ReplayStore::UsableKey(std::string_view key) {
  return !key.empty() && key.size() <= kMaxKeyLength &&
         std::all_of(key.begin(), key.end(), [](unsigned char c) { return c > 0x20 && c < 0x7f; });
}

std::optional<HttpReply> ReplayStore::Find(const std::string& caller, const std::string& key, const std::string& call) const {
  const auto found = answers_.find(StoreKey(caller, key));
  if (found == answers_.end()) return std::nullopt;
  if (found->second.call != call) return Error(422, "Idempotency-Key " + key + " was used for another call");
  HttpReply reply = found->second.reply;
  reply.replayed = true;
  return reply;
}

void ReplayStore::Keep(const std::string& caller, const std::string& key, const std::string& call, const HttpReply& reply) {
  if (reply.status != 200 || !reply.file.empty() || reply.body.size() > kMaxAnswerBytes || !UsableKey(key)) return;
  const std::string stored = StoreKey(caller, key);
  if (answers_.contains(stored)) return;
  while (answers_.size() >= kMaxAnswers) {
    answers_.erase(order_.front());
    order_.pop_front();
  }
  HttpReply kept = reply;
  kept.delay = {};
  kept.drop = false;
  kept.unanswered = false;
  answers_.emplace(stored, Kept{call, std::move(kept)});
  order_.push_back(stored);
}

}  // namespace vz::simulator
