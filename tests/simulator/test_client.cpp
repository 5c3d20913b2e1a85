#include "test_client.hpp"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

namespace vz::testing {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

struct TestClient::Connection {
  asio::io_context context;
  asio::ssl::context tls{asio::ssl::context::tls_client};
  std::unique_ptr<beast::tcp_stream> plain;
  std::unique_ptr<beast::ssl_stream<beast::tcp_stream>> secure;
  beast::flat_buffer buffer;

  template <class Action>
  auto With(Action&& action) {
    if (secure) return action(*secure);
    return action(*plain);
  }
};

TestClient::TestClient(unsigned short port, std::string trustedPem, bool https)
    : port_(port), trustedPem_(std::move(trustedPem)), https_(https) {}
TestClient::~TestClient() = default;

ClientReply TestClient::Post(const std::string& target, const std::string& form, const std::string& authorization) {
  return Exchange(target, form, "application/x-www-form-urlencoded; charset=utf-8", "", authorization);
}

ClientReply TestClient::PostFile(const std::string& target, const std::string& bytes, const std::string& digest,
                                 const std::string& authorization) {
  return Exchange(target, bytes, "application/octet-stream", digest, authorization);
}

ClientReply TestClient::Exchange(const std::string& target, const std::string& body, const std::string& contentType,
                                 const std::string& digest, const std::string& authorization) {
  ClientReply reply;
  const asio::ip::tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), port_);
  if (!connection_) {
    auto connection = std::make_unique<Connection>();
    if (https_) {
      connection->tls.set_verify_mode(asio::ssl::verify_peer);
      if (!trustedPem_.empty()) connection->tls.add_certificate_authority(asio::buffer(trustedPem_), reply.error);
      connection->secure = std::make_unique<beast::ssl_stream<beast::tcp_stream>>(connection->context, connection->tls);
      connection->secure->set_verify_callback(asio::ssl::host_name_verification("localhost"));
      beast::get_lowest_layer(*connection->secure).connect(endpoint, reply.error);
      if (!reply.error) connection->secure->handshake(asio::ssl::stream_base::client, reply.error);
    } else {
      connection->plain = std::make_unique<beast::tcp_stream>(connection->context);
      connection->plain->connect(endpoint, reply.error);
    }
    if (reply.error) return reply;
    connection_ = std::move(connection);
  }
  http::request<http::string_body> request{http::verb::post, target, 11};
  request.set(http::field::host, "localhost");
  request.set(http::field::content_type, contentType);
  if (!authorization.empty()) request.set(http::field::authorization, authorization);
  if (!digest.empty()) request.set("X-Content-SHA256", digest);
  request.keep_alive(true);
  request.body() = body;
  request.prepare_payload();
  http::response_parser<http::string_body> parser;
  parser.body_limit(std::uint64_t(1) << 30);
  connection_->With([&](auto& stream) {
    http::write(stream, request, reply.error);
    if (!reply.error) http::read(stream, connection_->buffer, parser, reply.error);
    return 0;
  });
  if (reply.error) {
    connection_.reset();
    return reply;
  }
  const auto& response = parser.get();
  reply.status = static_cast<int>(response.result_int());
  for (const auto& field : response) reply.headers[std::string(field.name_string())] = std::string(field.value());
  reply.body = response.body();
  if (!response.keep_alive()) connection_.reset();
  return reply;
}

}  // namespace vz::testing
