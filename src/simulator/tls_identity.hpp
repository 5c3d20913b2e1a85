#pragma once
// The certificate and private key the simulator serves HTTPS with: read from PEM files, or made
// on the spot (self-signed, naming "localhost" and 127.0.0.1) for tests and demos, whose clients
// then trust exactly that certificate through their CA file option.
#include <filesystem>
#include <string>

namespace vz::simulator {

struct TlsIdentity {
  std::string certificatePem;
  std::string privateKeyPem;
};

// Throws std::runtime_error when OpenSSL fails.
TlsIdentity MakeSelfSignedIdentity();
// Throws std::runtime_error when a file cannot be read.
TlsIdentity ReadTlsIdentity(const std::filesystem::path& certificate, const std::filesystem::path& privateKey);

}  // namespace vz::simulator
