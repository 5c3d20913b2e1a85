#pragma once
// The client services over HTTP(S): every call of a request is a POST to the institution's servlet
// (docs/servlet-protocol.md), run asynchronously on the server's io_context. Objects complete
// once, on the thread that runs the context, and never after they have been released.
#include <memory>

#include "clientservices/http_call.hpp"
#include "execution/client_service.hpp"

namespace vz {

class HttpClientServices : public ClientServicesFactory {
 public:
  explicit HttpClientServices(boost::asio::io_context& context, http_client::HttpOptions options = {})
      : context_(context), options_(std::move(options)), pool_(http_client::NewConnectionPool()) {}

  std::shared_ptr<ClientServiceObject> Create(Action action) override;

 private:
  class HttpObject;
  boost::asio::io_context& context_;
  http_client::HttpOptions options_;
  // The calls of all objects share kept-alive connections.
  std::shared_ptr<http_client::ConnectionPool> pool_;
};

}  // namespace vz
