#include "platform/process_monitor.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace vz::platform {

bool PostMessageToMonitor(int message, int processId) {
  const char* path = std::getenv("VZE_PROCMON_SOCKET");
  if (path == nullptr || *path == '\0' || std::strlen(path) >= sizeof(sockaddr_un::sun_path)) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path);
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const std::string text = std::to_string(message) + " " + std::to_string(processId);
  const bool sent = ::sendto(fd, text.data(), text.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&address),
                             sizeof address) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return sent;
}

}  // namespace vz::platform
