// Logging in over HTTP: the servlet ping (0010), the secure login (0012) and the certificate
// request (0013).
#include <map>

#include "clientservices/calls/call_building.hpp"

namespace vz::http_client {
namespace {

const std::map<Action, SingleCall>& Calls() {
  static const std::map<Action, SingleCall> calls = {
      {Action::DBR_PINGSERVLET, {"0010", {}, {}, true}},
      {Action::DBR_SECURELOGIN, {"0012", {"location", "certificate", "machineID", "clientVersion"}, {}, true}},
      {Action::DBR_REQUESTCERT, {"0013", {"firstName", "lastName", "reason", "emailAddress", "certificate"}, {}}},
  };
  return calls;
}

}  // namespace

std::optional<HttpCallPlan> LoginCall(const CallInputs& call, std::string&) {
  if (const auto found = Calls().find(call.action); found != Calls().end()) return SingleCallPlan(call, found->second);
  return std::nullopt;
}

}  // namespace vz::http_client
