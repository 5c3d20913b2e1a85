// Logging in over HTTP: the servlet ping (0010), the secure login (0012) and the certificate
// request (0013).
#include <map>

#include "clientservices/calls/call_building.hpp"

namespace vz::http_client {
namespace {

const std::map<std::string, SingleCall, std::less<>>& Calls() {
  static const std::map<std::string, SingleCall, std::less<>> calls = {
      {"m_Sp", {"0010", {}, {}, true}},
      {"m_objSecureLogin", {"0012", {"location", "certificate", "machineID", "clientVersion"}, {}, true}},
      {"m_objRequestCert", {"0013", {"firstName", "lastName", "reason", "emailAddress", "certificate"}, {}}},
  };
  return calls;
}

}  // namespace

std::optional<HttpCallPlan> LoginCall(const CallInputs& call, std::string&) {
  if (const auto found = Calls().find(call.field); found != Calls().end()) return SingleCallPlan(call, found->second);
  return std::nullopt;
}

}  // namespace vz::http_client
