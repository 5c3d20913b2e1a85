#pragma once
// What forwarding an event needs of a client's connection (Session implements it): whether it is
// open, its handles, and the notification or question that carries the event.
#include <optional>
#include <string_view>

#include "protocol/handle_table.hpp"
#include "protocol/json_rpc.hpp"

namespace vz::protocol {

class ClientConnection {
 public:
  virtual bool IsOpen() const = 0;
  virtual HandleTable& Handles() = 0;
  virtual void Notify(std::string_view method, Json params) = 0;
  // Asks the client and waits for its answer; the answer's result, or nothing.
  virtual std::optional<Json> AskClient(std::string_view method, Json params) = 0;

 protected:
  ~ClientConnection() = default;
};

}  // namespace vz::protocol
