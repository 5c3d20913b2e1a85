#include "line_client.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vze {

LineClient::LineClient(const std::string& path) {
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long: " + path);
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    throw std::runtime_error("cannot connect to " + path + ": " + std::strerror(error));
  }
}

LineClient::~LineClient() { Close(); }

void LineClient::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  closed_ = true;
}

bool LineClient::SendLine(const std::string& line) { return SendBytes(line + "\n"); }

bool LineClient::SendBytes(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (fd_ < 0) return false;
    const ssize_t wrote = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

std::optional<std::string> LineClient::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (const auto end = buffer_.find('\n'); end != std::string::npos) {
      std::string line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return line;
    }
    if (closed_ || fd_ < 0) return std::nullopt;
    // A deadline that has passed still looks once at what has arrived.
    const auto left = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()),
                               std::chrono::milliseconds(0));
    pollfd ready{fd_, POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char chunk[65536];
    const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      closed_ = true;
      continue;  // a last line may still be in the buffer
    }
    buffer_.append(chunk, static_cast<size_t>(got));
  }
}

}  // namespace vze
