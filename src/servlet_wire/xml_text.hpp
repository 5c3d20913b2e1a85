#pragma once
// Character data of the servlets' XML answers: escaped by the side that writes it, resolved by the
// side that reads it without a parser.
#include <string>
#include <string_view>

namespace vz::servlet_wire {

// &, <, > and " as entities: safe in element text and in double-quoted attributes.
std::string EscapeXml(std::string_view text);
// Element text only: &, < and > escaped, quotes kept as they are.
std::string EscapeXmlText(std::string_view text);
// The five predefined entities back to their characters; any other entity is kept as it is.
std::string ResolveXmlEntities(std::string_view text);

}  // namespace vz::servlet_wire
