#include "simulator/wire_text.hpp"

#include <openssl/evp.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <memory>

namespace vz::simulator {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
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

struct DigestFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::string Hex(const unsigned char* bytes, unsigned length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned i = 0; i < length; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::map<std::string, std::string> ParseForm(std::string_view text) {
  std::map<std::string, std::string> pairs;
  while (!text.empty()) {
    const auto end = text.find('&');
    const std::string_view piece = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (piece.empty()) continue;
    const auto equals = piece.find('=');
    if (equals == std::string_view::npos) pairs[PercentDecode(piece)] = "";
    else pairs[PercentDecode(piece.substr(0, equals))] = PercentDecode(piece.substr(equals + 1));
  }
  return pairs;
}

Target SplitTarget(std::string_view target) {
  const auto question = target.find('?');
  if (question == std::string_view::npos) return Target{std::string(target), {}};
  return Target{std::string(target.substr(0, question)), ParseForm(target.substr(question + 1))};
}

std::optional<Credentials> DecodeBasicAuthorization(std::string_view header) {
  constexpr std::string_view kScheme = "Basic ";
  if (header.size() < kScheme.size() || header.substr(0, kScheme.size()) != kScheme) return std::nullopt;
  const auto decoded = DecodeBase64(header.substr(kScheme.size()));
  if (!decoded) return std::nullopt;
  const auto colon = decoded->find(':');
  if (colon == std::string::npos) return std::nullopt;
  return Credentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

std::string EncodeBasicAuthorization(const std::string& login, const std::string& password) {
  const std::string plain = login + ":" + password;
  std::string out = "Basic ";
  std::size_t i = 0;
  for (; i + 2 < plain.size(); i += 3) {
    const unsigned v = static_cast<unsigned char>(plain[i]) << 16 | static_cast<unsigned char>(plain[i + 1]) << 8 | static_cast<unsigned char>(plain[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kBase64[(v >> shift) & 63];
  }
  if (i < plain.size()) {
    unsigned v = static_cast<unsigned char>(plain[i]) << 16;
    if (i + 1 < plain.size()) v |= static_cast<unsigned char>(plain[i + 1]) << 8;
    out += kBase64[(v >> 18) & 63];
    out += kBase64[(v >> 12) & 63];
    out += i + 1 < plain.size() ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string EscapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Sha256Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  return Hex(digest, length);
}

std::string Sha256HexOfFile(const std::filesystem::path& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return "";
  std::unique_ptr<EVP_MD_CTX, DigestFree> context(EVP_MD_CTX_new());
  EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
  std::array<char, 1 << 16> block;
  std::size_t got = 0;
  while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) EVP_DigestUpdate(context.get(), block.data(), got);
  if (std::ferror(file.get())) return "";
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_DigestFinal_ex(context.get(), digest, &length);
  return Hex(digest, length);
}

bool IsDictationFileName(std::string_view name, std::string_view utteranceID) {
  const std::string prefix = "Local_" + std::string(utteranceID) + ".";
  if (utteranceID.empty() || name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return false;
  const std::string_view extension = name.substr(prefix.size());
  if (extension.size() > 4) return false;
  for (char c : extension)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  for (char c : utteranceID)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace vz::simulator
