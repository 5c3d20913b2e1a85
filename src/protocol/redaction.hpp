#pragma once
// What of a message may be written to a trace: everything but passwords. A value under a key that
// names a password, and the value and arguments of a get, set or call of a member whose name
// contains "password" (any case), are shown as asterisks.
#include <string>

#include "protocol/json_rpc.hpp"

namespace vz::protocol {

inline constexpr const char* kMaskedValue = "********";

Json Redacted(const Json& message);
std::string RedactedText(const Json& message);

}  // namespace vz::protocol
