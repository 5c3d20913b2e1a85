#include "options.hpp"

#include <cstdlib>

#include <CLI/CLI.hpp>

#include "transport/unix_listener.hpp"

namespace vzed {
namespace {

constexpr const char* kDescription = R"(NAME
    vzed - the VizorareZazizuzEravov automation server

SYNOPSIS
    vzed [--socket PATH | --stdio] [--tick-interval MS] [--event-timeout SECONDS]
         [--idle-exit SECONDS] [--log-folder DIR] [--trace-level N] [--ca-file FILE]
         [--client-backlog SIZE] [--total-backlog SIZE] [--max-file-answer SIZE]
         [--max-xml-answers SIZE] [--transfers N] [--io-timeout SECONDS]

DESCRIPTION
    vzed serves the server's public classes (clsZERUredoz and the objects it makes) to clients in
    other processes: JSON-RPC 2.0, one message or batch per line, over a Unix-domain socket or
    standard input and output. One event-loop thread runs the request pump, the completions of the
    institution calls and every client call. Clients that ask for it (watchProgress) hear each
    request's progress: `vze watch` shows it. The protocol is described in automation-protocol.md
    (share/doc/vzed), the manual page in vzed(1).

    Started by systemd's socket unit (systemctl --user enable --now vzed.socket), vzed serves on
    the listening socket it is handed (LISTEN_FDS) instead of making its own, and leaves the
    socket file in place when it ends; with --idle-exit it ends once nobody uses it, and the next
    client starts a fresh one.

LIMITS
    A message line may hold 16 MiB and nest arrays and objects 64 levels deep; beyond that it
    is refused with an error. Output a client has not read yet counts against two limits: its
    own (--client-backlog), past which that client is disconnected, and the total of all
    clients (--total-backlog), past which the client with the most unread output is
    disconnected. A file a servlet sends (audio, say) larger than --max-file-answer is refused
    for that dictation before anything is written. An XML answer may hold 64 MiB; the answers
    of one call for a list of dictations together (a header each, say) --max-xml-answers: the
    answer that would pass it and every later dictation of the call fail with an error naming
    the limit. SIZE takes a unit: 512KiB, 64MiB, 1GiB.

NETWORK
    Connections to an institution are kept open and reused across calls and requests (idle ones
    close after 30 seconds, at most 8 to one server), and TLS sessions are resumed. The dictations
    of a call that only reads (downloads, headers, QA and pending-reason files) move up to
    --transfers at once, each on its own connection; calls that change the institution's state
    move one dictation at a time. An exchange during which no byte moves for --io-timeout
    seconds fails with "(12002) The operation timed out".)";

constexpr const char* kFooter = R"(SIGNALS
    SIGTERM  close request "system shutting down": recorded as an abnormal end, then vzed ends
    SIGHUP   close request "owner shutting down"
    SIGINT   close request "control menu"
    SIGUSR1  starts the exit window's timer when a client has loaded it (by reading
             clsZERUredoz.ExitProcessWindowHandle, which is vzed's process id): one second
             later vzed ends at once with exit status 0, without any clean-up.
    A close request (also the closeRequest method) goes to the request pump, which may refuse it
    ("taskManager" is always refused). An accepted close stops listening, answers what is
    queued, closes the connections, releases the server object (Cleanup) and exits with 0.

FILES
    $XDG_RUNTIME_DIR/vzed.sock, or /tmp/vzed-$UID/vzed.sock
        the default socket; its folder must be closed to other users (mode 0700).
    /usr/lib/systemd/user/vzed.socket, /usr/lib/systemd/user/vzed.service
        the systemd user units: the socket unit listens on $XDG_RUNTIME_DIR/vzed.sock and
        starts vzed when the first client connects.
    DIR/vzed.log
        the detail log until the client sets LogFilePath.
    DIR/Errors/Hang_*.txt, DIR/Errors/Crash_*.txt
        hang reports of the time-out monitor and crash reports, until the client sets
        GlobalLogFile (then the Errors folder beside its Logs folder is used).

ENVIRONMENT
    NOTIFY_SOCKET        set by systemd: vzed reports READY=1, STATUS=, WATCHDOG=1, STOPPING=1
    LISTEN_FDS, LISTEN_PID
                         set by systemd's socket unit: the listening socket at descriptor 3
    WATCHDOG_USEC        set by systemd with WatchdogSec=: vzed pings at half that period
    VZE_PROCMON_SOCKET   datagram socket of the process monitor (see the Instance property)
    VZ_INFORMATION_SERVLETS_PROD, VZ_INFORMATION_SERVLETS_DEV, VZ_INFORMATION_SERVLETS_PLAY
                         institution-information servlet URLs (separated by blanks or commas)
                         asked when a request is for another location than the connection's,
                         chosen by the login realm (PROD, DEV or TEST, PLAY)
    VZ_DEBUGGER_OUTPUT   1: mirror trace lines to standard error
    XDG_RUNTIME_DIR, XDG_STATE_HOME
                         choose the default socket and log folder

EXIT STATUS
    0 after an accepted close, the end of standard input with --stdio, the exit timer, or
    --idle-exit;
    1 when vzed cannot start (socket in use, folder open to others); 2 on a usage error.)";

}  // namespace

std::string DefaultLogFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
    return std::string(state) + "/vzed";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.local/state/vzed";
}

ParseResult ParseCommandLine(int argc, char** argv) {
  CLI::App app(kDescription, "vzed");
  app.footer(kFooter);
  app.get_formatter()->column_width(30);
  Options options;
  options.socketPath = vz::transport::DefaultSocketPath();
  options.logFolder = DefaultLogFolder();
  double eventTimeoutSeconds = 30;
  double idleExitSeconds = 0;
  long tickMilliseconds = 1000;
  int traceLevel = 0;

  auto* socket = app.add_option("--socket", options.socketPath, "Listen on this Unix-domain socket (unless systemd hands one over)")
                     ->type_name("PATH")
                     ->default_str(options.socketPath);
  app.add_flag("--stdio", options.stdio, "Serve one client on standard input and output instead")->excludes(socket);
  app.add_option("--tick-interval", tickMilliseconds, "Interval of the request pump's timer, in milliseconds")
      ->type_name("MS")
      ->default_val(1000)
      ->check(CLI::Range(0L, 3600000L));
  app.add_option("--event-timeout", eventTimeoutSeconds,
                 "Seconds a client may stay silent before its answer to an event or a message box is given up")
      ->type_name("SECONDS")
      ->default_val(30)
      ->check(CLI::Range(0.0, 86400.0));
  app.add_option("--idle-exit", idleExitSeconds,
                 "End with status 0 after this many seconds with no client and no request (0: never)")
      ->type_name("SECONDS")
      ->default_val(0)
      ->check(CLI::Range(0.0, 86400.0));
  app.add_option("--log-folder", options.logFolder, "Folder of vzed's own log and reports")
      ->type_name("DIR")
      ->default_str(options.logFolder);
  auto* level = app.add_option("--trace-level", traceLevel, "Trace level until the client sets TraceLevel (0-9)")
                    ->type_name("N")
                    ->check(CLI::Range(0, 9));
  app.add_option("--ca-file", options.caFile,
                 "Certificates (PEM) trusted for the institution's HTTPS servlets; default: the system's store")
      ->type_name("FILE")
      ->check(CLI::ExistingFile);
  app.add_option("--client-backlog", options.maxClientBacklog,
                 "Unread output one client may pile up before it is disconnected")
      ->type_name("SIZE")
      ->transform(CLI::AsSizeValue(false).description(""))
      ->default_str("64MiB");
  app.add_option("--total-backlog", options.maxTotalBacklog,
                 "Unread output of all clients together; past it the client with the most is disconnected")
      ->type_name("SIZE")
      ->transform(CLI::AsSizeValue(false).description(""))
      ->default_str("256MiB");
  app.add_option("--max-file-answer", options.maxFileAnswer,
                 "Largest file a servlet may send; a larger one is refused for its dictation")
      ->type_name("SIZE")
      ->transform(CLI::AsSizeValue(false).description(""))
      ->default_str("1GiB");
  app.add_option("--max-xml-answers", options.maxXmlAnswers,
                 "XML answers of one call for a list of dictations in all; past it the later dictations fail")
      ->type_name("SIZE")
      ->transform(CLI::AsSizeValue(false).description(""))
      ->default_str("128MiB");
  app.add_option("--transfers", options.transfers,
                 "Dictations of one reading call in flight at once, each on its own connection (1: one at a time)")
      ->check(CLI::Range(1, 16))
      ->capture_default_str();
  app.add_option("--io-timeout", options.ioTimeoutSeconds, "Seconds an exchange with a servlet may pass without a byte moving")
      ->check(CLI::Range(1, 3600))
      ->capture_default_str();
  app.add_option("--test-actions", options.testActions, "For tests only: 'instant' completes every action at once")
      ->check(CLI::IsMember({"instant"}))
      ->group("");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // --help ends with 0; every usage error with the 2 the manual page promises.
    return {std::nullopt, app.exit(error) == 0 ? 0 : 2};
  }
  options.tickInterval = std::chrono::milliseconds(tickMilliseconds);
  options.eventTimeout = std::chrono::milliseconds(static_cast<long>(eventTimeoutSeconds * 1000));
  options.idleExit = std::chrono::milliseconds(static_cast<long>(idleExitSeconds * 1000));
  if (level->count() > 0) options.traceLevel = traceLevel;
  if (options.stdio) options.socketPath.clear();
  return {options, 0};
}

}  // namespace vzed
