#include "clientservices/wire_format.hpp"

#include <algorithm>
#include <cctype>

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

}  // namespace vz::http_client
