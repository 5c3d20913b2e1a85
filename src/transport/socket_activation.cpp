#include "transport/socket_activation.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <systemd/sd-daemon.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace vz::transport {

std::optional<int> ListeningSocketFromServiceManager() {
  // Checks LISTEN_PID against this process, so variables inherited from a parent that was itself
  // activated are ignored.
  const int count = sd_listen_fds(1);
  if (count < 0) throw std::runtime_error(std::string("cannot read the sockets passed by the service manager: ") + std::strerror(-count));
  if (count == 0) return std::nullopt;
  if (count > 1) throw std::runtime_error("the service manager passed " + std::to_string(count) + " sockets; vzed listens on one");
  const int fd = SD_LISTEN_FDS_START;
  if (sd_is_socket_unix(fd, SOCK_STREAM, 1, nullptr, 0) <= 0) {
    throw std::runtime_error("the socket the service manager passed is not a listening Unix-domain stream socket");
  }
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  return fd;
}

}  // namespace vz::transport
