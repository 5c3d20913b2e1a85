#pragma once
// Fault injection, switchable per call kind at any time (the plan is shared with the server's
// thread). A fault lets `after` calls of its kind through normally, then affects the next `times`
// calls (every later call when `times` is negative) and disarms. A fault for one dictation counts
// only the calls for it: calls that arrive together in any order still meet it deterministically.
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vz::simulator {

enum class FaultKind {
  kDelay,              // answer only after `delay`
  kDrop,               // send the start of the answer, then close the connection
  kStatus,             // answer `status` with `message` in an error document (a bare page when empty)
  kCorruptChecksum,    // audio whose SPHERE sample_checksum is off by one
  kCorruptDigest,      // a file answer whose X-Content-SHA256 does not match its bytes
  kRejectCredentials,  // refuse the credentials as if they were wrong
  kLoseAnswer,         // do the call, then close the connection without a byte of the answer
  kLatency,            // the exchange takes one round trip of `delay` more
  kBandwidth,          // the answer goes out at most at `bytesPerSecond`
  kCut,                // the connection closes after `bytes` bytes of the answer's body
};

struct Fault {
  FaultKind kind = FaultKind::kDelay;
  int after = 0;
  int times = 1;
  std::chrono::milliseconds delay{0};
  std::uint64_t bytes = 0;
  double bytesPerSecond = 0;
  int status = 500;
  std::string message;
  std::string utteranceID;  // only the calls for this dictation; empty: every call

  static Fault Of(FaultKind kind, int after = 0, int times = 1) {
    Fault fault;
    fault.kind = kind;
    fault.after = after;
    fault.times = times;
    return fault;
  }
  static Fault Delay(std::chrono::milliseconds delay) {
    Fault fault = Of(FaultKind::kDelay);
    fault.delay = delay;
    return fault;
  }
  static Fault Status(int status, std::string message = {}, int times = 1) {
    Fault fault = Of(FaultKind::kStatus, 0, times);
    fault.status = status;
    fault.message = std::move(message);
    return fault;
  }
};

// Whether `kind` names a call kind of the servlets: one per request number the simulator serves
// ("workqueue", "download", ...; servlets/*.cpp list them).
bool IsCallKind(std::string_view kind);

// A fault set for this kind counts and affects every call; one set for the call's own kind comes
// first when both apply.
inline constexpr std::string_view kEveryCallKind = "all";

class FaultPlan {
 public:
  void Set(std::string_view callKind, Fault fault);
  void Clear(std::string_view callKind);
  void ClearAll();
  // Counts one call of `callKind` (for dictation `utteranceID`, when it names one) and returns the
  // fault that applies to it, if any.
  std::optional<Fault> Next(std::string_view callKind, std::string_view utteranceID = {});

 private:
  std::optional<Fault> Count(std::string_view callKind, std::string_view utteranceID);

  struct Armed {
    Fault fault;
    int seen = 0;
    int fired = 0;
  };
  std::mutex mutex_;
  std::map<std::string, Armed, std::less<>> armed_;
};

// "<kind>:<fault>[:key=value...]" as the command line gives it, for example "download:drop:after=2",
// "workqueue:delay=1500", "download:status=503", "upload:status=500:message=Disk full",
// "download:checksum", "download:digest", "login:credentials", "download:drop:after=2:times=-1",
// "sourcecontrol:lose", "headers:latency=80", "download:bandwidth=2Mbit:times=-1", "download:cut=100000",
// "all:cut=10", "download:delay=5000:utterance=1003".
// Returns the call kind and fault, or a reason in `problem`.
struct ParsedFault {
  std::string callKind;
  Fault fault;
  std::string problem;
};
ParsedFault ParseFault(std::string_view text);

}  // namespace vz::simulator
