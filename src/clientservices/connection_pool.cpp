#include "clientservices/connection_pool.hpp"

namespace vz::http_client {

std::unique_ptr<Connection> ConnectionPool::Take(const ServletUrl& url) {
  const auto found = idle_.find(Key(url));
  if (found == idle_.end()) return nullptr;
  Idle idle = std::move(found->second);
  idle_.erase(found);
  if (std::chrono::steady_clock::now() - idle.since > kIdleLimit || !idle.connection->Usable()) return nullptr;
  idle.connection->Retarget(url);
  return std::move(idle.connection);
}

void ConnectionPool::Give(std::unique_ptr<Connection> connection, const ServletUrl& url) {
  if (!connection || !connection->Open()) return;
  connection->ObserveBytes(nullptr);
  idle_[Key(url)] = Idle{std::move(connection), std::chrono::steady_clock::now()};
}

std::string ConnectionPool::Key(const ServletUrl& url) { return (url.https ? "https://" : "http://") + url.host + ":" + url.port; }

std::shared_ptr<ConnectionPool> NewConnectionPool() { return std::make_shared<ConnectionPool>(); }

}  // namespace vz::http_client
