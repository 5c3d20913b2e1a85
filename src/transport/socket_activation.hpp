#pragma once
// Socket activation: the service manager (a systemd socket unit) holds the listening socket and
// starts the daemon when the first client connects, handing the socket over as descriptor 3.
#include <optional>

namespace vz::transport {

// The listening Unix-domain stream socket the service manager passed to this process, made
// close-on-exec; nothing when none was passed. The variables that passed it (LISTEN_FDS,
// LISTEN_PID) are removed, so that no child takes them for its own. Throws std::runtime_error when
// the manager passed something else, or more than one socket: serving on a guess would leave the
// clients of the real socket waiting.
std::optional<int> ListeningSocketFromServiceManager();

}  // namespace vz::transport
