#pragma once
// Automation values on the wire. Strings, numbers and Booleans map to their JSON kinds, Nothing
// and Empty to null, arrays to arrays, and objects to {"$handle": N, "$class": NAME} with N from
// the connection's handle table.
#include "object/value.hpp"
#include "protocol/handle_table.hpp"
#include "protocol/json_rpc.hpp"

namespace vz::protocol {

Json ToJson(const Value& value, HandleTable& handles);

// A whole number becomes a Long when it fits and a Double otherwise; null becomes Empty. An
// object needs "$handle" naming a live handle of this connection: anything else is invalid params.
Value FromJson(const Json& json, const HandleTable& handles);

}  // namespace vz::protocol
