// Logging in over HTTP: the institution information (0011), the servlet ping (0010), the secure
// login (0012) and the certificate request (0013).
#include <map>

#include "clientservices/calls/call_building.hpp"
#include "servlet_wire/form_codec.hpp"

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

std::optional<HttpCallPlan> LoginCall(const CallInputs& call, std::string& problem) {
  if (call.action == Action::DBR_GETLOCATIONINFO) {
    if (const auto* information = call.InitAs<InformationInit>()) {
      return OneExchange(call, "0011", servlet_wire::FormBody({{"location", information->location}}));
    }
    problem = call.OfAnotherKind();
    return std::nullopt;
  }
  if (const auto found = Calls().find(call.action); found != Calls().end()) return SingleCallPlan(call, found->second);
  return std::nullopt;
}

}  // namespace vz::http_client
