#pragma once
// JSON-RPC 2.0 messages, one JSON text per line: telling requests, notifications and answers
// apart, and writing the lines that go out.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vz::protocol {

using Json = nlohmann::json;

// The protocol's own error codes; errors of the served classes use their automation numbers.
enum ErrorCode : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
};

// A fault in a message (as opposed to an error raised by the object it addresses).
class ProtocolError : public std::runtime_error {
 public:
  ProtocolError(int code, const std::string& message) : std::runtime_error(message), code_(code), message_(message) {}
  int Code() const { return code_; }
  // The whole text: what() ends at a NUL, which names the client sent may hold.
  const std::string& Message() const { return message_; }

 private:
  int code_;
  std::string message_;
};

[[noreturn]] inline void InvalidParams(const std::string& message) { throw ProtocolError(kInvalidParams, message); }

struct Message {
  enum class Kind { Request, Notification, Response, Invalid };
  Kind kind = Kind::Invalid;
  Json id;             // request and response: the id (null when a response has none)
  std::string method;  // request and notification
  Json params;         // request and notification: an object, an array or null
  Json result;         // response
  Json error;          // response that failed
  std::string fault;   // invalid: why
  // A request refused before it runs (its text broke a limit): answered with this error in its
  // turn, like any other answer of the connection.
  int refusalCode = 0;
  std::string refusal;
};

// The most messages one batch (a JSON array of messages on one line) may hold.
inline constexpr std::size_t kMaxBatchMessages = 10000;

// Reads one parsed JSON text as a message (a batch's members one at a time).
Message Classify(Json message);

// Answers, as objects (a batch's answers go out together in one array) and as lines.
Json ResultObject(const Json& id, Json result);
Json ErrorObject(const Json& id, int code, std::string_view message, Json data = nullptr);

// Lines to send; text that is not valid UTF-8 is sent with replacement characters.
std::string Serialize(const Json& message);
std::string ResultLine(const Json& id, Json result);
std::string ErrorLine(const Json& id, int code, std::string_view message, Json data = nullptr);
std::string RequestLine(std::int64_t id, std::string_view method, Json params);
std::string NotificationLine(std::string_view method, Json params);

}  // namespace vz::protocol
