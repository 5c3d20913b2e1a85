#pragma once
// The network the simulator plays between itself and its clients: a round-trip latency added to
// every turn of a conversation, and links of a given bandwidth that the connections to one
// institution share. These are schedules over time points only, so that they can be checked with
// times of a test's own; the connection's stream (network_stream.hpp) applies them with timers on
// the server's loop.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vz::simulator {

using NetworkClock = std::chrono::steady_clock;

// The simulated network of a whole simulator.
struct NetworkConfig {
  std::chrono::milliseconds latency{0};  // round trip
  std::optional<double> bytesPerSecond;  // each institution's link, each way
};

// One direction of a link: bytes pass one after another at the link's rate, in the order offered,
// whichever connection offers them.
class LinkSchedule {
 public:
  explicit LinkSchedule(double bytesPerSecond) : bytesPerSecond_(bytesPerSecond) {}
  // When `bytes` offered at `now` have passed: after all bytes offered before them.
  NetworkClock::time_point Pass(NetworkClock::time_point now, std::uint64_t bytes);

 private:
  double bytesPerSecond_;
  NetworkClock::time_point free_{};
};

// An institution's link, each way.
struct Link {
  explicit Link(double bytesPerSecond) : toClients(bytesPerSecond), fromClients(bytesPerSecond) {}
  LinkSchedule toClients;
  LinkSchedule fromClients;
};

// When a connection's input may be handed on, so that each turn of the conversation takes one
// round trip. The whole round trip is charged to input: what the server writes leaves at once,
// and the client's reply to it is handed on no sooner than one round trip after the server's last
// write. Input that follows input without the server having written in between (the rest of an
// upload) is part of the same turn. The first input comes no sooner than two round trips after
// the connection was accepted: its set-up, then the turn itself.
class RoundTrips {
 public:
  RoundTrips(std::chrono::milliseconds latency, NetworkClock::time_point accepted) : latency_(latency), accepted_(accepted) {}
  void Wrote(NetworkClock::time_point at) {
    turned_ = true;
    lastWrite_ = at;
  }
  // The client's next input belongs to its last turn, whatever was written since.
  void ContinueTurn() { turned_ = false; }
  // Input read at `now`.
  NetworkClock::time_point Readable(NetworkClock::time_point now);

 private:
  std::chrono::milliseconds latency_;
  NetworkClock::time_point accepted_;
  NetworkClock::time_point lastWrite_{};
  bool first_ = true;
  bool turned_ = false;
};

// "100Mbit", "512kbit", "1Gbit", "56000bit" or a plain number of bits per second (units in any
// letter case, "/s" allowed after them), as bytes per second; nothing when the text is no
// positive rate.
std::optional<double> ParseRate(std::string_view text);

}  // namespace vz::simulator
