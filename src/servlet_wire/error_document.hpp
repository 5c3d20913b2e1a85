#pragma once
// The error document a servlet answers a refused request with:
// <ErrorResponse><Message>text</Message></ErrorResponse>.
#include <optional>
#include <string>
#include <string_view>

namespace vz::servlet_wire {

inline constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// The whole document, XML declaration first, the message escaped.
std::string ErrorDocument(std::string_view message);
// The text of <Message> in an ErrorResponse document, entities resolved; nothing when the body is
// not one.
std::optional<std::string> ErrorDocumentMessage(std::string_view body);

}  // namespace vz::servlet_wire
