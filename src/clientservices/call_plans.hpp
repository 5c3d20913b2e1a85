#pragma once
// From an action's values to the exchanges of its call: which servlet request number the action is,
// its parameters by name, and where file answers go (docs/servlet-protocol.md, section 4).
#include <optional>
#include <string>
#include <string_view>

#include "clientservices/http_call.hpp"
#include "execution/action.hpp"
#include "execution/call_arguments.hpp"
#include "execution/service_init.hpp"

namespace vz::http_client {

// The plan for the call of `action` on an object initialised with `init`; nothing, with the reason
// in `problem`, when the call cannot be made (an action without a call, a bad URL). `callKey`
// names the call the same way each time the engine tries it again; the idempotency keys of its
// state-changing exchanges are made from it.
std::optional<HttpCallPlan> BuildCallPlan(Action action, const ServiceInit& init, const CallArguments& arguments,
                                          std::string& problem, std::string_view callKey = {});

}  // namespace vz::http_client
