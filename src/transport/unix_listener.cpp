#include "transport/unix_listener.hpp"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace vz::transport {

namespace asio = boost::asio;
using asio::local::stream_protocol;

namespace {

[[noreturn]] void Fail(const std::string& what, int error = 0) {
  throw std::runtime_error(what + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
}

void PreparePrivateFolder(const std::filesystem::path& folder) {
  if (folder.empty()) return;
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    // A missing parent: create it as well (the same way), then the folder itself.
    if (errno != ENOENT) Fail("cannot create " + folder.string(), errno);
    PreparePrivateFolder(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) Fail("cannot create " + folder.string(), errno);
  }
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) Fail("cannot inspect " + folder.string(), errno);
  if (!S_ISDIR(info.st_mode)) Fail(folder.string() + " is not a folder");
  if (info.st_uid != ::getuid()) Fail(folder.string() + " belongs to another user");
  if ((info.st_mode & 077) != 0) Fail(folder.string() + " may be entered by other users (mode must be 0700)");
}

// True when a server answers on `path`.
bool SomeoneListens(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const bool answered = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return answered;
}

}  // namespace

std::string DefaultSocketPath() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
    return std::string(runtime) + "/vzed.sock";
  }
  return "/tmp/vzed-" + std::to_string(::getuid()) + "/vzed.sock";
}

UnixListener::UnixListener(asio::io_context& context, std::string path, ConnectionHandler onConnection)
    : context_(context),
      path_(std::move(path)),
      onConnection_(std::move(onConnection)),
      acceptor_(context),
      acceptPause_(context) {
  if (path_.empty()) Fail("no socket path");
  if (path_.size() >= sizeof(sockaddr_un::sun_path)) Fail("socket path too long: " + path_);
  PreparePrivateFolder(std::filesystem::path(path_).parent_path());
  struct stat existing {};
  if (::lstat(path_.c_str(), &existing) == 0) {
    if (!S_ISSOCK(existing.st_mode)) Fail(path_ + " exists and is not a socket");
    if (SomeoneListens(path_)) Fail("another server is listening on " + path_);
    ::unlink(path_.c_str());  // left over by a server that ended without removing it
  }
  IgnoreBrokenPipes();
  boost::system::error_code error;
  acceptor_.open(stream_protocol(), error);
  // Created closed to others from the first moment, then made exactly 0600.
  const mode_t previousMask = ::umask(0177);
  if (!error) acceptor_.bind(stream_protocol::endpoint(path_), error);
  ::umask(previousMask);
  if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
  if (error) Fail("cannot listen on " + path_ + ": " + error.message());
  ::chmod(path_.c_str(), 0600);
  AcceptNext();
}

UnixListener::UnixListener(asio::io_context& context, Inherited socket, ConnectionHandler onConnection)
    : context_(context), ownsPath_(false), onConnection_(std::move(onConnection)), acceptor_(context), acceptPause_(context) {
  sockaddr_un address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket.fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && address.sun_path[0] != '\0') {
    path_.assign(address.sun_path, ::strnlen(address.sun_path, sizeof address.sun_path));
  }
  IgnoreBrokenPipes();
  boost::system::error_code error;
  acceptor_.assign(stream_protocol(), socket.fd, error);
  if (error) {
    ::close(socket.fd);
    Fail("cannot accept on the inherited socket: " + error.message());
  }
  AcceptNext();
}

UnixListener::~UnixListener() { Close(); }

void UnixListener::Close() {
  if (!acceptor_.is_open()) return;
  *alive_ = false;
  acceptPause_.cancel();
  boost::system::error_code ignored;
  acceptor_.close(ignored);
  if (ownsPath_) ::unlink(path_.c_str());
}

void UnixListener::AcceptNext() {
  acceptor_.async_accept([this, alive = alive_](const boost::system::error_code& error, stream_protocol::socket socket) {
    if (!*alive) return;
    if (error == asio::error::operation_aborted) return;
    if (error) {
      // Out of descriptors, say: the caller waits in the queue; try again after a pause.
      acceptPause_.expires_after(kAcceptPause);
      acceptPause_.async_wait([this, alive](const boost::system::error_code& waited) {
        if (*alive && !waited) AcceptNext();
      });
      return;
    }
    onConnection_(MakeSocketChannel(context_, socket.release()));
    AcceptNext();
  });
}

}  // namespace vz::transport
