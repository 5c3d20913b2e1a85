#pragma once
// Connections kept open between exchanges and between calls, so that the next exchange with the
// same server skips the connection's set-up and TLS handshake, and the TLS sessions they resume.
#include <boost/asio/steady_timer.hpp>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "clientservices/http_connection.hpp"

namespace vz::http_client {

// Takes out of `waiting` the entries (each with a time `until`) whose time has come by `now`, whole,
// and keeps the others in their order. Entries own their connections: none may be left moved-from.
template <class Entry>
std::vector<Entry> TakeExpired(std::vector<Entry>& waiting, std::chrono::steady_clock::time_point now) {
  const auto expired = std::stable_partition(waiting.begin(), waiting.end(), [now](const Entry& entry) { return entry.until > now; });
  std::vector<Entry> taken(std::make_move_iterator(expired), std::make_move_iterator(waiting.end()));
  waiting.erase(expired, waiting.end());
  return taken;
}

class TlsSessions;
class VerifiedDownloads;

// Per server (scheme, host and port): the idle connections, and how many there are in all, idle
// or in use, which `HttpOptions::connectionsPerHost` bounds. An idle connection is closed once it
// has waited `HttpOptions::idleConnectionLimit`. Used on the loop's thread only.
class ConnectionPool : public std::enable_shared_from_this<ConnectionPool> {
 public:
  ConnectionPool();
  ~ConnectionPool();

  // A connection to `url`'s server: the idle one given back last when it is still usable, else a
  // new one (not yet open) while the server has fewer than its bound, else nothing. With
  // `evenAtBound` a new one is made at the bound too: a call's first connection never waits.
  std::unique_ptr<Connection> Take(boost::asio::io_context& context, const HttpOptions& options, const ServletUrl& url,
                                   bool evenAtBound);

  // Every connection taken from here comes back: kept for the next exchange when open, else forgotten.
  void Give(std::unique_ptr<Connection> connection, const ServletUrl& url, const HttpOptions& options);

  // The connections to `url`'s server, idle or in use.
  std::size_t Connections(const ServletUrl& url) const;

 private:
  struct Idle {
    std::unique_ptr<Connection> connection;
    std::chrono::steady_clock::time_point until;
  };
  static std::string Key(const ServletUrl& url);
  void Forget(const std::string& key);
  void CloseExpired();
  void WakeAt(std::chrono::steady_clock::time_point when);

  std::map<std::string, std::vector<Idle>> idle_;
  std::map<std::string, std::size_t> counted_;
  std::shared_ptr<TlsSessions> tlsSessions_;
  std::shared_ptr<VerifiedDownloads> verified_;  // the files saved by the connections of this pool
  std::optional<boost::asio::steady_timer> timer_;  // on the context of the first call
  std::optional<std::chrono::steady_clock::time_point> wakeAt_;
};

}  // namespace vz::http_client
