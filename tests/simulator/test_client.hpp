#pragma once
// A plain synchronous HTTP(S) client for the simulator's tests, on Beast: one kept-alive connection
// to 127.0.0.1:<port>, reopened after a failure.
#include <map>
#include <memory>
#include <string>

#include <boost/system/error_code.hpp>

namespace vz::testing {

struct ClientReply {
  boost::system::error_code error;  // set when the exchange failed below HTTP
  int status = 0;
  std::map<std::string, std::string> headers;
  std::string body;
  std::string Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? "" : found->second;
  }
};

class TestClient {
 public:
  // `trustedPem`: the certificate to trust for HTTPS; empty for plain HTTP.
  explicit TestClient(unsigned short port, std::string trustedPem = "", bool https = false);
  ~TestClient();

  // POST with a form body.
  ClientReply Post(const std::string& target, const std::string& form, const std::string& authorization);
  // POST with a file body and its digest header.
  ClientReply PostFile(const std::string& target, const std::string& bytes, const std::string& digest, const std::string& authorization);

 private:
  struct Connection;
  ClientReply Exchange(const std::string& target, const std::string& body, const std::string& contentType,
                       const std::string& digest, const std::string& authorization);
  unsigned short port_;
  std::string trustedPem_;
  bool https_;
  std::unique_ptr<Connection> connection_;
};

}  // namespace vz::testing
