#pragma once
// Text forms only the HTTP client services read or write (docs/servlet-protocol.md): servlet URLs,
// the engine's form of a dictation's error and the file name of a download. What the simulator
// shares with them is in servlet_wire.
#include <optional>
#include <string>
#include <string_view>

namespace vz::http_client {

struct ServletUrl {
  bool https = false;
  std::string host;
  std::string port;  // "80" / "443" when the URL names none
  std::string path;  // "/north/servlet/ScribeServlet"
};
// Parses "scheme://host[:port]/path"; nothing for any other scheme or a URL without a host.
std::optional<ServletUrl> ParseServletUrl(std::string_view url);

// A servlet's error for one dictation as the engine reads it: "Utterance <id>: <text>
// documentVersion=<version>". The engine takes the version after the first "documentVersion=" (in
// any letter case), so each such marker inside the servlet's own text gets a blank before its "="
// and only the last one, ours, is read.
std::string DictationErrorText(std::string_view utteranceID, std::string_view text, std::string_view documentVersion);

// The file name of `Content-Disposition: attachment; filename="<name>"`, or empty.
std::string DispositionFileName(std::string_view header);

}  // namespace vz::http_client
