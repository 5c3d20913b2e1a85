#pragma once
// The request target of a servlet call: its path and its decoded query (docs/servlet-protocol.md).
// The texts the simulator shares with the client are in servlet_wire.
#include <map>
#include <string>
#include <string_view>

namespace vz::simulator {

// The path and the decoded query parameters of a request target.
struct Target {
  std::string path;
  std::map<std::string, std::string> query;
};
Target SplitTarget(std::string_view target);

}  // namespace vz::simulator
