#pragma once
// Reading one line from a client as JSON, within the protocol's limits. Everything after this
// point (classification, value conversion, traces) walks the parsed value recursively, so the
// nesting a client may send is bounded here, while the parser itself works without recursion.
#include <string_view>
#include <vector>

#include "protocol/json_rpc.hpp"

namespace vz::protocol {

// The deepest nesting of arrays and objects a message may have, the message object itself being
// level 1. A batch's array does not count: each member may nest as deep as a message sent alone.
inline constexpr int kMaxJsonDepth = 64;

struct JsonText {
  enum class Fault {
    kNone,
    kNotJson,         // not a JSON text at all
    kTooDeep,         // nested deeper than kMaxJsonDepth: `json` lacks the deeper values
    kNumberOverflow,  // a number beyond the range of a Double: `json` holds null in its place
  };
  // For a batch (a JSON array of messages) only kNone or kNotJson: its members have their own.
  Fault fault = Fault::kNone;
  // The parsed text; with kTooDeep and kNumberOverflow still good enough to find the message's
  // id, so that the refusal answers the right request.
  Json json;
  // A batch: the fault of each member, as if it had been sent alone.
  std::vector<Fault> memberFaults;

  bool IsBatch() const { return json.is_array(); }
};

JsonText ReadJsonText(std::string_view line);

}  // namespace vz::protocol
