#pragma once
// vzed's command line.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vzed {

struct Options {
  std::string socketPath;  // empty with stdio
  bool stdio = false;
  std::chrono::milliseconds tickInterval{1000};
  std::chrono::milliseconds eventTimeout{30000};
  // Ends the daemon after this long with no client and no request; zero: never.
  std::chrono::milliseconds idleExit{0};
  std::string logFolder;
  std::optional<int> traceLevel;
  // Trusted certificates for the institution's HTTPS servlets; empty: the system's store.
  std::string caFile;
  // Unread output one client may pile up, and all clients together (then the largest goes).
  std::uint64_t maxClientBacklog = std::uint64_t{64} << 20;
  std::uint64_t maxTotalBacklog = std::uint64_t{256} << 20;
  // The largest file a servlet may send in answer.
  std::uint64_t maxFileAnswer = std::uint64_t{1} << 30;
  // All the XML answers one call may keep (one per dictation of a header call, say).
  std::uint64_t maxXmlAnswers = std::uint64_t{128} << 20;
  // Dictations of one call that only reads in flight at once.
  std::size_t transfers = 4;
  // An exchange with a servlet fails after this long without a byte moving.
  int ioTimeoutSeconds = 60;
  // Test-only: "instant" completes every action at once, without an institution.
  std::string testActions;
};

// Parses the command line. Returns the options, or the exit code when the program should end now
// (after --help, or on a usage error, which it reports on standard error).
struct ParseResult {
  std::optional<Options> options;
  int exitCode = 0;
};
ParseResult ParseCommandLine(int argc, char** argv);

// $XDG_STATE_HOME/vzed, or ~/.local/state/vzed.
std::string DefaultLogFolder();

}  // namespace vzed
