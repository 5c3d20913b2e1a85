#pragma once
// From a request's values to the exchanges of a call: which servlet request number a field's
// operation is, its parameters by name, and where file answers go (docs/servlet-protocol.md,
// section 4).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clientservices/http_call.hpp"
#include "object/value.hpp"

namespace vz::http_client {

// The plan for `operation` on an object of kind `field` initialised with `init`; nothing, with
// the reason in `problem`, when the call cannot be made (an unknown call, a bad URL). `callKey`
// names the call the same way each time the engine tries it again; the idempotency keys of its
// state-changing exchanges are made from it.
std::optional<HttpCallPlan> BuildCallPlan(std::string_view field, std::string_view operation, const std::vector<Value>& init,
                                          const std::vector<Value>& arguments, std::string& problem,
                                          std::string_view callKey = {});

// The login and password in `init` for `field` (for traces and credentials).
std::string LoginOf(std::string_view field, const std::vector<Value>& init);
std::string PasswordOf(std::string_view field, const std::vector<Value>& init);

}  // namespace vz::http_client
