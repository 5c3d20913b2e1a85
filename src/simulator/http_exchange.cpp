#include "simulator/http_exchange.hpp"

#include "servlet_wire/error_document.hpp"

namespace vz::simulator {

HttpReply Error(int status, std::string_view message) {
  HttpReply reply;
  reply.status = status;
  reply.body = servlet_wire::ErrorDocument(message);
  return reply;
}

}  // namespace vz::simulator
