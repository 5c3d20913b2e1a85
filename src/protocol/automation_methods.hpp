#pragma once
// The methods a client calls: create, get, set, call, enumerate, release, advise, unadvise,
// describe and closeRequest. Each reaches the objects through their class descriptions (generic
// dispatch), never through code that knows a class.
#include <string_view>

#include "protocol/json_rpc.hpp"

namespace vz::protocol {

class Session;

// The method's result. Faults in the message raise ProtocolError (kMethodNotFound for an unknown
// method, kInvalidParams for bad parameters, unknown handles and classes included); errors of the
// addressed object raise AutomationError.
Json ServeMethod(Session& session, std::string_view method, const Json& params);

}  // namespace vz::protocol
