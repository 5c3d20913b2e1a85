#include "clientservices/tls_sessions.hpp"

namespace vz::http_client {
namespace {

namespace ssl = boost::asio::ssl;

// Where a stream keeps the name of the server it talks to, and the context who keeps its sessions,
// for the new-session callback (the "app data" of both is Boost.Asio's own).
int ServerIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}
int KeeperIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

}  // namespace

TlsSessions::TlsSessions(std::string caFile) : caFile_(std::move(caFile)), context_(ssl::context::tls_client) {
  SSL_CTX* native = context_.native_handle();
  SSL_CTX_set_ex_data(native, KeeperIndex(), this);
  // Kept here per server, not in OpenSSL's cache (which a client does not look up by itself).
  SSL_CTX_set_session_cache_mode(native, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(native, &TlsSessions::Keep);
}

TlsSessions::~TlsSessions() {
  for (auto& [server, session] : sessions_) SSL_SESSION_free(session);
}

ssl::context* TlsSessions::Context(std::string& failure) {
  if (ready_) return &context_;
  boost::system::error_code error;
  if (!caFile_.empty()) {
    context_.load_verify_file(caFile_, error);
    if (error) {
      failure = "(12175) A security error occurred: cannot load " + caFile_ + ": " + error.message();
      return nullptr;
    }
  } else {
    context_.set_default_verify_paths(error);
  }
  context_.set_verify_mode(ssl::verify_peer);
  ready_ = true;
  return &context_;
}

void TlsSessions::Prepare(SSL* ssl, const std::string& server) {
  SSL_set_ex_data(ssl, ServerIndex(), const_cast<std::string*>(&server));
  const auto found = sessions_.find(server);
  if (found != sessions_.end()) SSL_set_session(ssl, found->second);
}

int TlsSessions::Keep(SSL* ssl, SSL_SESSION* session) {
  auto* self = static_cast<TlsSessions*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), KeeperIndex()));
  const auto* server = static_cast<const std::string*>(SSL_get_ex_data(ssl, ServerIndex()));
  if (self == nullptr || server == nullptr || !SSL_SESSION_is_resumable(session)) return 0;
  // A copy: the connection's own session is marked spent when the connection ends without a
  // closing alert, as a cut or a time-out ends it.
  SSL_SESSION* kept = SSL_SESSION_dup(session);
  if (kept == nullptr) return 0;
  if (!self->sessions_.contains(*server) && self->sessions_.size() >= kMostServers) self->Forget(self->sessions_.begin()->first);
  self->Forget(*server);
  self->sessions_.emplace(*server, kept);
  return 0;  // the connection's reference stays OpenSSL's
}

void TlsSessions::Forget(const std::string& server) {
  const auto found = sessions_.find(server);
  if (found == sessions_.end()) return;
  SSL_SESSION_free(found->second);
  sessions_.erase(found);
}

}  // namespace vz::http_client
