#pragma once
// The connections a server serves: one session per connection, the order in which connections
// asked to answer message boxes, and what a close request from a client does.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "object/class_registry.hpp"
#include "platform/event_loop.hpp"
#include "transport/line_channel.hpp"

namespace vz::protocol {

class Session;

struct HubOptions {
  // How long the server waits for a client's answer to an event or a message box.
  std::chrono::milliseconds eventTimeout{30000};
  // A client's closeRequest (reason as sent); returns true when the close is cancelled. The
  // answer reaches the client before anything the handler posts to the loop runs.
  std::function<bool(std::string_view reason)> onCloseRequest;
  // Told the number of open connections whenever it changes.
  std::function<void(std::size_t)> onConnectionCount;
  const ClassRegistry* registry = &ClassRegistry::Global();
  // Answers and events written for a client but not yet read by it. A client whose backlog
  // passes `maxClientBacklog` is disconnected; when the backlogs of all clients together pass
  // `maxTotalBacklog`, the client with the largest one is.
  std::size_t maxClientBacklog = std::size_t{64} << 20;
  std::size_t maxTotalBacklog = std::size_t{256} << 20;
};

class Hub {
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
  void SetPrompting(const Session& session, bool prompts);

  EventLoop& Loop() { return loop_; }
  const HubOptions& Options() const { return options_; }

 private:
  friend class Session;
  void Detach(const Session& session);
  // Closes the client with the largest backlog while all backlogs together are over budget.
  void KeepWithinBacklogBudget();

  EventLoop& loop_;
  HubOptions options_;
  std::uint64_t nextNumber_ = 1;
  std::vector<std::shared_ptr<Session>> sessions_;
  std::vector<std::weak_ptr<Session>> prompting_;
};

}  // namespace vz::protocol
