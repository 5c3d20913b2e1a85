#include "servlet_wire/basic_auth.hpp"

#include <openssl/evp.h>

namespace vz::servlet_wire {
namespace {

constexpr std::string_view kScheme = "Basic ";
constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Lenient about missing padding (some clients leave it off), strict about any other character.
std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (const char c : text) {
    if (c == '=') break;
    const auto index = kBase64.find(c);
    if (index == std::string_view::npos) return std::nullopt;
    buffer = (buffer << 6) | static_cast<unsigned>(index);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

}  // namespace

std::string EncodeBasicAuthorization(const std::string& login, const std::string& password) {
  const std::string plain = login + ":" + password;
  std::string encoded(4 * ((plain.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                     reinterpret_cast<const unsigned char*>(plain.data()), static_cast<int>(plain.size()));
  encoded.resize(static_cast<std::size_t>(length));
  return std::string(kScheme) + encoded;
}

std::optional<Credentials> DecodeBasicAuthorization(std::string_view header) {
  if (!header.starts_with(kScheme)) return std::nullopt;
  const auto decoded = DecodeBase64(header.substr(kScheme.size()));
  if (!decoded) return std::nullopt;
  const auto colon = decoded->find(':');
  if (colon == std::string::npos) return std::nullopt;
  return Credentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

}  // namespace vz::servlet_wire
