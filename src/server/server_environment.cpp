#include "server/server_environment.hpp"

namespace vz {
namespace {

ServerEnvironment& Installed() {
  static ServerEnvironment environment;
  return environment;
}

}  // namespace

void InstallServerEnvironment(ServerEnvironment environment) { Installed() = std::move(environment); }

const ServerEnvironment& CurrentServerEnvironment() { return Installed(); }

}  // namespace vz
