#include "clientservices/connection_pool.hpp"

#include <algorithm>

#include "clientservices/tls_sessions.hpp"
#include "clientservices/verified_downloads.hpp"

namespace vz::http_client {

ConnectionPool::ConnectionPool() : verified_(std::make_shared<VerifiedDownloads>()) {}
ConnectionPool::~ConnectionPool() = default;

std::unique_ptr<Connection> ConnectionPool::Take(boost::asio::io_context& context, const HttpOptions& options,
                                                 const ServletUrl& url, bool evenAtBound) {
  const std::string key = Key(url);
  CloseExpired();
  auto& idle = idle_[key];
  while (!idle.empty()) {
    std::unique_ptr<Connection> connection = std::move(idle.back().connection);
    idle.pop_back();
    if (connection->Usable()) {
      connection->Retarget(url);
      return connection;
    }
    Forget(key);  // closed by the server while it waited
  }
  if (!evenAtBound && counted_[key] >= std::max<std::size_t>(options.connectionsPerHost, 1)) return nullptr;
  // One TLS set-up for all connections: the trusted certificates are loaded once and sessions resumed.
  if (!timer_) timer_.emplace(context);
  if (!tlsSessions_) tlsSessions_ = std::make_shared<TlsSessions>(options.caFile);
  ++counted_[key];
  return std::make_unique<Connection>(context, options, url, tlsSessions_, verified_);
}

void ConnectionPool::Give(std::unique_ptr<Connection> connection, const ServletUrl& url, const HttpOptions& options) {
  if (!connection) return;
  const std::string key = Key(url);
  // A connection that failed was closed where it failed: it is never used again.
  if (!connection->Open() || options.idleConnectionLimit <= std::chrono::milliseconds::zero()) {
    connection->Close();
    Forget(key);
    return;
  }
  connection->ObserveBytes(nullptr);
  const auto until = std::chrono::steady_clock::now() + options.idleConnectionLimit;
  idle_[key].push_back(Idle{std::move(connection), until});
  WakeAt(until);
}

std::size_t ConnectionPool::Connections(const ServletUrl& url) const {
  const auto found = counted_.find(Key(url));
  return found == counted_.end() ? 0 : found->second;
}

std::string ConnectionPool::Key(const ServletUrl& url) { return (url.https ? "https://" : "http://") + url.host + ":" + url.port; }

void ConnectionPool::Forget(const std::string& key) {
  const auto found = counted_.find(key);
  if (found != counted_.end() && found->second > 0) --found->second;
}

void ConnectionPool::CloseExpired() {
  const auto now = std::chrono::steady_clock::now();
  for (auto& [key, idle] : idle_) {
    for (Idle& expired : TakeExpired(idle, now)) {
      expired.connection->Close();
      Forget(key);
    }
  }
}

// One timer for the pool, set for the earliest expiry; it closes what has expired by then and
// sets itself for the next. Nothing waits on it while no connection is idle.
void ConnectionPool::WakeAt(std::chrono::steady_clock::time_point when) {
  if (!timer_ || (wakeAt_ && *wakeAt_ <= when)) return;
  wakeAt_ = when;
  timer_->expires_at(when);
  timer_->async_wait([weak = weak_from_this()](const boost::system::error_code& error) {
    const auto self = weak.lock();
    if (error || !self) return;
    self->wakeAt_.reset();
    self->CloseExpired();
    std::optional<std::chrono::steady_clock::time_point> next;
    for (const auto& [key, idle] : self->idle_)
      for (const Idle& waiting : idle)
        if (!next || waiting.until < *next) next = waiting.until;
    if (next) self->WakeAt(*next);
  });
}

std::shared_ptr<ConnectionPool> NewConnectionPool() { return std::make_shared<ConnectionPool>(); }

}  // namespace vz::http_client
