#pragma once
// Connections kept open between calls, so that the next exchange with the same server skips the
// connection's set-up and TLS handshake.
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "clientservices/http_connection.hpp"

namespace vz::http_client {

// At most one idle connection per server (scheme, host and port), handed to the next call to that
// server within a few seconds. Used on the loop's thread only; it must be destroyed before the
// io_context its connections live on.
class ConnectionPool {
 public:
  // How long a connection may wait idle for its next call: servers commonly close idle ones after
  // five seconds or more, and the steps of a request follow each other within one.
  static constexpr std::chrono::seconds kIdleLimit{4};

  // An idle, usable connection to `url`'s server, or nothing.
  std::unique_ptr<Connection> Take(const ServletUrl& url);

  // Keeps an open connection for the next call; an older idle one to the same server is closed.
  void Give(std::unique_ptr<Connection> connection, const ServletUrl& url);

 private:
  struct Idle {
    std::unique_ptr<Connection> connection;
    std::chrono::steady_clock::time_point since;
  };
  static std::string Key(const ServletUrl& url);

  std::map<std::string, Idle> idle_;
};

}  // namespace vz::http_client
