#pragma once
// Which error texts mean a passing communication failure (retry the action) rather than a final
// answer, and which request kinds the retry logic treats how.
#include <cstdint>
#include <string>
#include <string_view>

namespace vz {

// Markers of error texts.
inline constexpr std::string_view kTruncatedDuringShutdown = "REQUEST TERMINATED DURING SHUTDOWN";
inline constexpr std::string_view kGaveUpDuringShutdown =
    "Request terminated because of communications problems during shutdown";
inline constexpr std::string_view kChecksumMarker = "CHECKSUM";
inline constexpr std::string_view kSecurityRightsMarker = "Error verifying security rights";
inline constexpr std::string_view kNetworkErrorMarker = "network communications error";
inline constexpr std::string_view kMissingRequestNumber = "Missing request number";

// The failures that mean the institution's host could not be reached at all, so that nothing of a
// call was sent: the connection was refused or the host or network is unreachable (12029), or the
// host name does not resolve (12007). For an upload they do not wait for a retry: the dictations
// are kept for a later upload (HandleNoRemoteHostOnUpload). Any other failure, a time-out or a
// connection dropped halfway included, goes through the ordinary retry.
inline constexpr long kCannotConnectCode = 12029;
inline constexpr long kNameNotResolvedCode = 12007;
bool bfnNoRemoteHostMessage(std::string_view sMessage);

// True when the error text means a retryable communication failure.
bool bfnRequestTimeOutMessage(std::string_view sMessage);
// True for the time-out error codes: 10, 357xx/359xx listed ones, and 12000 to 12171.
bool bfnRequestTimeOutMessageCode(long nCode);
// Request kinds that a truncation may drop.
bool bfnIsDiscardable(std::int32_t completionAction);
// True when the text reports a checksum failure (upper-cased "CHECKSUM").
bool IsChecksumFailure(std::string_view sMessage);
// The document version named in an error text ("documentversion=..."), or "".
std::string GetDocVersionFromError(std::string_view sError);

}  // namespace vz
