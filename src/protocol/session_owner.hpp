#pragma once
// What a session needs from the server that owns it: the loop, the options, the method table, and
// the bookkeeping of connections (Hub implements it). The session sits below its owner and never
// names it.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "object/class_registry.hpp"
#include "platform/event_loop.hpp"
#include "protocol/json_rpc.hpp"

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

class SessionOwner {
 public:
  virtual EventLoop& Loop() = 0;
  virtual const HubOptions& Options() const = 0;
  // Runs a client's method for the session; raises as ServeMethod does.
  virtual Json ServeMethod(Session& session, std::string_view method, const Json& params) = 0;
  virtual void SetPrompting(const Session& session, bool prompts) = 0;
  // The session closed: forget it.
  virtual void Detach(const Session& session) = 0;
  // Closes the client with the largest backlog while all backlogs together are over budget.
  virtual void KeepWithinBacklogBudget() = 0;

 protected:
  ~SessionOwner() = default;
};

}  // namespace vz::protocol
