#include "execution/retry_classification.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include "diagnostics/trace.hpp"
#include "model/status_string.hpp"

namespace vz {
namespace {

constexpr std::string_view kLocation = "clsDatabaseRequest.bfnRequestTimeOutMessage";

bool Contains(std::string_view text, std::string_view marker) { return text.find(marker) != std::string_view::npos; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// The text between the first "(" and the first ")" after it, trimmed; nothing without both.
std::optional<std::string_view> CodeText(std::string_view message) {
  const size_t open = message.find('(');
  const size_t close = open == std::string_view::npos ? open : message.find(')', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(message.substr(open + 1, close - open - 1));
}

std::optional<long> Number(std::string_view text) {
  long number = 0;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
  if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace

bool bfnNoRemoteHostMessage(std::string_view sMessage) {
  const auto code = CodeText(sMessage);
  const auto number = code ? Number(*code) : std::nullopt;
  return number && (*number == kCannotConnectCode || *number == kNameNotResolvedCode);
}

bool IsChecksumFailure(std::string_view sMessage) { return ContainsIgnoringCase(sMessage, kChecksumMarker); }

bool bfnRequestTimeOutMessageCode(long nCode) {
  static constexpr std::array<long, 13> kCodes = {10,    35750, 35754, 35756, 35758, 35761, 35764,
                                                  35768, 35773, 35795, 35796, 35930, 35931};
  return (nCode >= 12000 && nCode <= 12171) || std::find(kCodes.begin(), kCodes.end(), nCode) != kCodes.end();
}

bool bfnRequestTimeOutMessage(std::string_view sMessage) {
  GlobalTrace(kLocation, " sMessage= " + std::string(sMessage));
  if (IsChecksumFailure(sMessage) || Contains(sMessage, kTruncatedDuringShutdown) ||
      Contains(sMessage, kGaveUpDuringShutdown) || Contains(sMessage, kSecurityRightsMarker)) {
    return true;
  }
  if (Contains(sMessage, kNetworkErrorMarker)) {
    GlobalTrace(kLocation, "cDBRNetworkErrorMessage " + std::string(sMessage) + " true");
    return true;
  }
  if (Contains(sMessage, kMissingRequestNumber)) {
    GlobalTrace(kLocation, "Handled Missing request number");
    return true;
  }
  bool result = false;
  if (const auto code = CodeText(sMessage)) {
    GlobalTrace(kLocation, "Message Code: " + std::string(*code));
    const auto number = Number(*code);
    if (!number) {
      GlobalTrace(kLocation, "Extracted illegal number from message: " + std::string(sMessage));
      return false;
    }
    result = bfnRequestTimeOutMessageCode(*number);
  }
  GlobalTrace(kLocation, std::string("Returns ") + (result ? "True" : "False") + ".  Message was: " + std::string(sMessage));
  return result;
}

bool bfnIsDiscardable(std::int32_t completionAction) {
  static constexpr std::array<std::int32_t, 12> kKept = {5, 7, 9, 10, 12, 19, 22, 24, 32, 40, 47, 50};
  return std::find(kKept.begin(), kKept.end(), completionAction) == kKept.end();
}

std::string GetDocVersionFromError(std::string_view sError) {
  constexpr std::string_view kMarker = "documentversion=";
  const auto at = std::search(sError.begin(), sError.end(), kMarker.begin(), kMarker.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  if (at == sError.end()) return {};
  return std::string(at + static_cast<std::ptrdiff_t>(kMarker.size()), sError.end());
}

}  // namespace vz
