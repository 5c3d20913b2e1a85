#pragma once
// The daemon's Unix-domain stream socket: created with mode 0600 inside a folder only its user may
// enter, accepting any number of connections, each handed over as a line channel. The socket file
// is removed when the listener closes, unless the socket was handed over by the service manager:
// that one outlives the daemon, so that the next client finds it and starts a new one.
#include <functional>
#include <memory>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/local/stream_protocol.hpp>
#include <boost/asio/steady_timer.hpp>

#include "transport/line_channel.hpp"

namespace vz::transport {

// $XDG_RUNTIME_DIR/vzed.sock, or /tmp/vzed-$UID/vzed.sock when XDG_RUNTIME_DIR is unset.
std::string DefaultSocketPath();

class UnixListener {
 public:
  using ConnectionHandler = std::function<void(std::shared_ptr<LineChannel>)>;

  // Prepares the folder (creating it with mode 0700; an existing one must belong to this user and
  // be closed to others), replaces a stale socket file, binds and listens. Throws
  // std::runtime_error with the reason when it cannot, including when another server answers on
  // the path already.
  UnixListener(boost::asio::io_context& context, std::string path, ConnectionHandler onConnection);
  // Accepts on a listening socket this process inherited (`fd`, which the listener takes over).
  struct Inherited {
    int fd = -1;
  };
  UnixListener(boost::asio::io_context& context, Inherited socket, ConnectionHandler onConnection);
  ~UnixListener();
  UnixListener(const UnixListener&) = delete;
  UnixListener& operator=(const UnixListener&) = delete;

  // How long accepting pauses after a failed accept.
  static constexpr std::chrono::milliseconds kAcceptPause{100};

  // Stops accepting and removes the socket file (one it made itself); connections already made
  // go on.
  void Close();
  const std::string& Path() const { return path_; }
  bool Inherits() const { return !ownsPath_; }

 private:
  void AcceptNext();

  boost::asio::io_context& context_;
  std::string path_;
  bool ownsPath_ = true;
  ConnectionHandler onConnection_;
  boost::asio::local::stream_protocol::acceptor acceptor_;
  // After a failed accept: the caller stays queued, so accepting again at once would only fail
  // again (out of descriptors, say) and spin.
  boost::asio::steady_timer acceptPause_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vz::transport
