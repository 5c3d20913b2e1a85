#pragma once
// One HTTP exchange as the servlets see it, without the HTTP plumbing: what came in and the reply
// that goes out, and the error reply of the protocol.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vz::simulator {

struct HttpExchange {
  std::string target;         // path and query
  std::string authorization;  // the Authorization header
  std::string contentType;
  std::string contentDigest;  // X-Content-SHA256
  std::string body;           // form parameters
  std::filesystem::path bodyFile;  // an uploaded file's bytes, when the call carries a file
  std::string idempotencyKey;      // Idempotency-Key: a repeat of this key gets the first answer
  std::string range;               // Range: "bytes=N-" asks a file answer for its bytes from N on
  std::string ifRange;             // If-Range: the whole file's digest the range must continue
  std::string ifNoneMatch;         // If-None-Match: the digest of the file the client holds
};

struct HttpReply {
  int status = 200;
  std::string contentType = "application/xml; charset=utf-8";
  std::string body;
  std::filesystem::path file;  // when set, the body is this file's bytes
  std::uint64_t fileOffset = 0;  // from this byte on (a 206 answer)
  std::vector<std::pair<std::string, std::string>> headers;
  std::chrono::milliseconds delay{0};
  bool drop = false;  // send the start of the answer and close the connection
  bool unanswered = false;  // close the connection without a byte of the answer
  bool replayed = false;    // the answer kept for a repeated Idempotency-Key
  std::optional<std::uint64_t> cutAfter;  // close the connection after this many bytes of the body
  std::optional<double> bytesPerSecond;   // the body's own rate, besides the institution's link
};

// A reply with `status` and the protocol's error document of `message`.
HttpReply Error(int status, std::string_view message);

}  // namespace vz::simulator
