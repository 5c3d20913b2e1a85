#include "servlet_wire/error_document.hpp"

#include "servlet_wire/xml_text.hpp"

namespace vz::servlet_wire {
namespace {

constexpr std::string_view kOpen = "<Message>";
constexpr std::string_view kClose = "</Message>";

}  // namespace

std::string ErrorDocument(std::string_view message) {
  return std::string(kXmlDeclaration) + "<ErrorResponse>" + std::string(kOpen) + EscapeXml(message) + std::string(kClose) +
         "</ErrorResponse>\n";
}

std::optional<std::string> ErrorDocumentMessage(std::string_view body) {
  if (body.find("<ErrorResponse>") == std::string_view::npos) return std::nullopt;
  const auto open = body.find(kOpen);
  const auto close = body.find(kClose);
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
  return ResolveXmlEntities(body.substr(open + kOpen.size(), close - open - kOpen.size()));
}

}  // namespace vz::servlet_wire
