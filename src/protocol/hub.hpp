#pragma once
// The connections a server serves: one session per connection, the order in which connections
// asked to answer message boxes, and what a close request from a client does.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "protocol/session_owner.hpp"
#include "transport/line_channel.hpp"

namespace vz::protocol {

class Session;

class Hub final : public SessionOwner {
 public:
  Hub(EventLoop& loop, HubOptions options);
  ~Hub();
  Hub(const Hub&) = delete;
  Hub& operator=(const Hub&) = delete;

  // Serves a new connection until it closes.
  std::shared_ptr<Session> Attach(std::shared_ptr<transport::LineChannel> channel);
  std::size_t ConnectionCount() const { return sessions_.size(); }
  const std::vector<std::shared_ptr<Session>>& Sessions() const { return sessions_; }
  // Every connection closes once the answers queued for it are written.
  void CloseAll();

  // The first open connection that advised with prompts, or null.
  std::shared_ptr<Session> PromptingSession() const;
  void SetPrompting(const Session& session, bool prompts) override;

  EventLoop& Loop() override { return loop_; }
  const HubOptions& Options() const override { return options_; }
  Json ServeMethod(Session& session, std::string_view method, const Json& params) override;

 private:
  void Detach(const Session& session) override;
  void KeepWithinBacklogBudget() override;

  EventLoop& loop_;
  HubOptions options_;
  std::uint64_t nextNumber_ = 1;
  std::vector<std::shared_ptr<Session>> sessions_;
  std::vector<std::weak_ptr<Session>> prompting_;
};

}  // namespace vz::protocol
