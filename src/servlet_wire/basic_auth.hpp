#pragma once
// HTTP Basic credentials: the Authorization header the client sends and the servlets check.
#include <optional>
#include <string>
#include <string_view>

namespace vz::servlet_wire {

struct Credentials {
  std::string login;
  std::string password;
};

// "Basic " and the base64 of "<login>:<password>".
std::string EncodeBasicAuthorization(const std::string& login, const std::string& password);
// The login and password of an "Authorization: Basic ..." header, or nothing when it is not one.
std::optional<Credentials> DecodeBasicAuthorization(std::string_view header);

}  // namespace vz::servlet_wire
