#pragma once
// The answer to a download that asked for the rest of a file ("Range: bytes=N-" with "If-Range"
// naming the whole file's digest): whether its body continues the part already kept.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vz::http_client {

enum class RangeVerdict {
  kContinue,  // 206 for the bytes from N on: append to the part
  kRestart,   // 200 (the whole file, the part is not used) or 416: start again from byte 0
  kRefuse,    // a 206 whose file is larger than the client takes: the entry fails, the part goes
  kInvalid,   // a 206 that does not continue the part: the part goes and the answer is not used
  kNotFile,   // any other status: an error answer, read as usual
};

struct RangeCheck {
  RangeVerdict verdict = RangeVerdict::kNotFile;
  std::uint64_t total = 0;  // the whole file's size, with kContinue or kRefuse
  std::string problem;      // with kInvalid
};

// `contentRange` is the answer's Content-Range ("bytes 100-999/1000"), `contentLength` its
// Content-Length, `askedFrom` N, `fileLimit` the largest file the client writes.
RangeCheck CheckRangeAnswer(int status, std::string_view contentRange, std::optional<std::uint64_t> contentLength,
                            std::uint64_t askedFrom, std::uint64_t fileLimit);

}  // namespace vz::http_client
