#pragma once
// Text forms the HTTP client services send and read (docs/servlet-protocol.md): servlet URLs,
// form encoding, Basic credentials, the error document's message, SHA-256 digests and the file
// names a servlet may give a dictation's file.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vz::http_client {

struct ServletUrl {
  bool https = false;
  std::string host;
  std::string port;  // "80" / "443" when the URL names none
  std::string path;  // "/north/servlet/ScribeServlet"
};
// Parses "scheme://host[:port]/path"; nothing for any other scheme or a URL without a host.
std::optional<ServletUrl> ParseServletUrl(std::string_view url);

// Percent-encoding of a form value: unreserved characters stay, a blank becomes "+".
std::string FormEncode(std::string_view text);
// "a=1&b=x+y" from the pairs, in order.
std::string FormBody(const std::vector<std::pair<std::string, std::string>>& pairs);

std::string BasicAuthorization(const std::string& login, const std::string& password);

// The text of <Message> in an ErrorResponse document, XML entities resolved; nothing when the body
// is not one.
std::optional<std::string> ErrorDocumentMessage(std::string_view body);

// A servlet's error for one dictation as the engine reads it: "Utterance <id>: <text>
// documentVersion=<version>". The engine takes the version after the first "documentVersion=" (in
// any letter case), so each such marker inside the servlet's own text gets a blank before its "="
// and only the last one, ours, is read.
std::string DictationErrorText(std::string_view utteranceID, std::string_view text, std::string_view documentVersion);

// The file name of `Content-Disposition: attachment; filename="<name>"`, or empty.
std::string DispositionFileName(std::string_view header);
// True for "Local_<utteranceID>.<ext>", <ext> one to four letters or digits.
bool IsDictationFileName(std::string_view name, std::string_view utteranceID);

// Incremental SHA-256 (OpenSSL EVP), finished as lower-case hex.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void Update(const void* data, std::size_t size);
  std::string FinishHex();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

}  // namespace vz::http_client
