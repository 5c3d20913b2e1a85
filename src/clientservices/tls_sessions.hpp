#pragma once
// The client's TLS set-up, shared by all its connections: one context with the trusted
// certificates loaded once, and the last session each server gave, offered on the next connection
// to it so that the server may resume it instead of a full handshake (a round trip and the
// certificate checks fewer). TLS 1.3 servers send their sessions after the handshake, so they are
// kept as they arrive rather than taken from a finished handshake.
#include <boost/asio/ssl/context.hpp>

#include <map>
#include <string>

#include <openssl/ssl.h>

namespace vz::http_client {

class TlsSessions {
 public:
  explicit TlsSessions(std::string caFile);
  ~TlsSessions();
  TlsSessions(const TlsSessions&) = delete;
  TlsSessions& operator=(const TlsSessions&) = delete;

  // The context for a connection's stream, its certificates loaded on first use; nothing, with the
  // failure text in `failure`, when the CA file cannot be loaded.
  boost::asio::ssl::context* Context(std::string& failure);

  // Before the handshake of `ssl` with `server`: offers the session kept for it, and keeps what
  // the server gives on this connection under that name. `server` must outlive the stream.
  void Prepare(SSL* ssl, const std::string& server);

 private:
  static int Keep(SSL* ssl, SSL_SESSION* session);
  void Forget(const std::string& server);

  // Few servers: a bound only against a caller naming a new one each time.
  static constexpr std::size_t kMostServers = 64;

  std::string caFile_;
  boost::asio::ssl::context context_;
  bool ready_ = false;
  std::map<std::string, SSL_SESSION*> sessions_;
};

}  // namespace vz::http_client
