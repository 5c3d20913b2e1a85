#pragma once
// Text forms of the servlet protocol: form and query decoding, Basic credentials, XML escaping and
// the SHA-256 digests that files travel with (docs/servlet-protocol.md).
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vz::simulator {

// Percent-decoding with "+" as a blank; a malformed escape is kept as it is.
std::string PercentDecode(std::string_view text);
// "a=1&b=x+y" into its pairs; a later duplicate replaces an earlier one.
std::map<std::string, std::string> ParseForm(std::string_view text);
// The path and the decoded query parameters of a request target.
struct Target {
  std::string path;
  std::map<std::string, std::string> query;
};
Target SplitTarget(std::string_view target);

struct Credentials {
  std::string login;
  std::string password;
};
// The login and password of an "Authorization: Basic ..." header, or nothing when it is not one.
std::optional<Credentials> DecodeBasicAuthorization(std::string_view header);
std::string EncodeBasicAuthorization(const std::string& login, const std::string& password);

std::string EscapeXml(std::string_view text);

// Lower-case hex SHA-256 of bytes or of a file (read in blocks); empty when the file cannot be read.
std::string Sha256Hex(std::string_view bytes);
std::string Sha256HexOfFile(const std::filesystem::path& path);

// True for "Local_<utteranceID>.<ext>" with one to four letters or digits as <ext>: the only file
// names the servlets take from or give to a client.
bool IsDictationFileName(std::string_view name, std::string_view utteranceID);

}  // namespace vz::simulator
