#pragma once
// institution-sim as a library: the servlets of one or more institutions served over HTTP or HTTPS
// (Boost.Beast) on a loopback port. Tests start it in-process on port 0 and read the bound port;
// Start runs it on its own thread, or on a given io_context that the caller runs. Stop closes the
// listening socket and every connection at once; Start after Stop listens again on the same port,
// so a test can take an institution down and bring it back.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulator/faults.hpp"
#include "simulator/institution.hpp"
#include "simulator/network_link.hpp"
#include "simulator/servlets.hpp"
#include "simulator/tls_identity.hpp"

namespace boost::asio {
class io_context;
}

namespace vz::simulator {

struct SimulatorConfig {
  std::filesystem::path dataFolder;  // institutions' folders: audio, texts and uploads
  std::vector<InstitutionConfig> institutions{InstitutionConfig{}};
  std::string address = "127.0.0.1";
  unsigned short port = 0;  // 0: any free port
  std::optional<TlsIdentity> tls;  // HTTPS when given
  NetworkConfig network;           // latency and bandwidth of the simulated network
};

class InstitutionSimulator {
 public:
  // Prepares the institutions' data (generating audio where needed); throws on failure.
  explicit InstitutionSimulator(SimulatorConfig config);
  ~InstitutionSimulator();
  InstitutionSimulator(const InstitutionSimulator&) = delete;
  InstitutionSimulator& operator=(const InstitutionSimulator&) = delete;

  // Listens and serves on a thread of its own. Throws std::system_error when it cannot listen.
  void Start();
  // Listens and serves on `context`, which the caller runs; Stop must then be called on the
  // thread that runs it (or while it does not run).
  void Start(boost::asio::io_context& context);
  void Stop();
  bool Running() const;

  unsigned short Port() const;
  // Connections accepted since the simulator was made: shows whether clients keep them alive.
  std::size_t ConnectionsAccepted() const;
  // TLS handshakes that resumed a session the client kept instead of a full handshake.
  std::size_t ResumedHandshakes() const;
  std::string BaseURL() const;  // "http://127.0.0.1:<port>" or "https://..."
  std::string ServletURL(std::string_view directory) const;
  std::string InformationURL() const;

  Servlets& GetServlets();
  FaultPlan& Faults() { return GetServlets().Faults(); }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vz::simulator
