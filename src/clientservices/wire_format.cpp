#include "clientservices/wire_format.hpp"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace vz::http_client {

std::optional<ServletUrl> ParseServletUrl(std::string_view url) {
  ServletUrl parsed;
  std::string_view rest;
  if (url.starts_with("https://")) {
    parsed.https = true;
    rest = url.substr(8);
  } else if (url.starts_with("http://")) {
    rest = url.substr(7);
  } else {
    return std::nullopt;
  }
  const auto slash = rest.find('/');
  const std::string_view authority = rest.substr(0, slash);
  parsed.path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
  const auto colon = authority.rfind(':');
  if (colon != std::string_view::npos) {
    parsed.host = std::string(authority.substr(0, colon));
    parsed.port = std::string(authority.substr(colon + 1));
    if (parsed.port.empty()) return std::nullopt;
    for (const char c : parsed.port)
      if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  } else {
    parsed.host = std::string(authority);
    parsed.port = parsed.https ? "443" : "80";
  }
  if (parsed.host.empty()) return std::nullopt;
  return parsed;
}

std::string FormEncode(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    }
  }
  return out;
}

std::string FormBody(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string body;
  for (const auto& [name, value] : pairs) {
    if (!body.empty()) body += '&';
    body += FormEncode(name) + '=' + FormEncode(value);
  }
  return body;
}

std::string BasicAuthorization(const std::string& login, const std::string& password) {
  const std::string plain = login + ":" + password;
  std::string encoded(4 * ((plain.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                     reinterpret_cast<const unsigned char*>(plain.data()), static_cast<int>(plain.size()));
  encoded.resize(static_cast<std::size_t>(length));
  return "Basic " + encoded;
}

namespace {
std::string ResolveEntities(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    const auto end = text.find(';', i);
    if (end == std::string_view::npos) {
      out += text.substr(i);
      break;
    }
    const std::string_view entity = text.substr(i + 1, end - i - 1);
    if (entity == "amp") out += '&';
    else if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    else out += text.substr(i, end - i + 1);
    i = end;
  }
  return out;
}
}  // namespace

std::optional<std::string> ErrorDocumentMessage(std::string_view body) {
  if (body.find("<ErrorResponse>") == std::string_view::npos) return std::nullopt;
  const auto open = body.find("<Message>");
  const auto close = body.find("</Message>");
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
  return ResolveEntities(body.substr(open + 9, close - open - 9));
}

std::string DispositionFileName(std::string_view header) {
  const auto key = header.find("filename=\"");
  if (key == std::string_view::npos) return {};
  const auto start = key + 10;
  const auto end = header.find('"', start);
  if (end == std::string_view::npos) return {};
  return std::string(header.substr(start, end - start));
}

std::string DictationErrorText(std::string_view utteranceID, std::string_view text, std::string_view documentVersion) {
  constexpr std::string_view kMarker = "documentversion=";
  std::string neutral;
  neutral.reserve(text.size() + 8);
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool marker = text.size() - at >= kMarker.size() &&
                        std::equal(kMarker.begin(), kMarker.end(), text.begin() + static_cast<std::ptrdiff_t>(at), [](char a, char b) {
                          return a == std::tolower(static_cast<unsigned char>(b));
                        });
    if (marker) {
      neutral.append(text.substr(at, kMarker.size() - 1)).append(" =");
      at += kMarker.size() - 1;
    } else {
      neutral += text[at];
    }
  }
  return "Utterance " + std::string(utteranceID) + ": " + neutral + "  documentVersion=" + std::string(documentVersion);
}

bool IsDictationFileName(std::string_view name, std::string_view utteranceID) {
  const std::string stem = "Local_" + std::string(utteranceID) + ".";
  if (utteranceID.empty() || !name.starts_with(stem)) return false;
  const std::string_view ext = name.substr(stem.size());
  if (ext.empty() || ext.size() > 4) return false;
  for (const char c : ext)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

struct Sha256::Context {
  EVP_MD_CTX* md = nullptr;
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  context_->md = EVP_MD_CTX_new();
  if (context_->md == nullptr || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1)
    throw std::runtime_error("SHA-256 is not available");
}

Sha256::~Sha256() { EVP_MD_CTX_free(context_->md); }

void Sha256::Update(const void* data, std::size_t size) { EVP_DigestUpdate(context_->md, data, size); }

std::string Sha256::FinishHex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->md, digest, &length);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

}  // namespace vz::http_client
