#include "xml/parse_failure.hpp"

#include <algorithm>

namespace vz::xml {

TextLocation LocateOffset(std::string_view buffer, std::ptrdiff_t offset) {
  const std::size_t end = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(offset, 0, buffer.size()));
  TextLocation where;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < end; ++i) {
    const char c = buffer[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= buffer.size() || buffer[i + 1] != '\n'))) {
      ++where.line;
      lineStart = i + 1;
    }
  }
  for (std::size_t i = lineStart; i < end; ++i) {
    if ((static_cast<unsigned char>(buffer[i]) & 0xC0) != 0x80) ++where.position;  // not a continuation byte
  }
  const std::size_t lineEnd = buffer.find_first_of("\r\n", lineStart);
  where.lineText = std::string(buffer.substr(lineStart, lineEnd == std::string_view::npos ? lineEnd : lineEnd - lineStart));
  return where;
}

std::optional<ParseFailure> ParseBuffer(pugi::xml_document& document, std::string_view buffer,
                                        pugi::xml_encoding encoding) {
  const pugi::xml_parse_result result = document.load_buffer(buffer.data(), buffer.size(), pugi::parse_default, encoding);
  if (result) return std::nullopt;
  // The offset refers to the buffer handed over; for input pugixml had to convert (UTF-16, Latin-1)
  // it refers to the converted text, so it is clamped and the location is approximate there.
  TextLocation where = LocateOffset(buffer, result.offset);
  return ParseFailure{static_cast<long>(result.status), result.description(), where.line, where.position,
                      std::move(where.lineText)};
}

ParseFailure FileNotReadableFailure() {
  pugi::xml_parse_result result;
  result.status = pugi::status_file_not_found;
  return ParseFailure{static_cast<long>(result.status), result.description(), 0, 0, {}};
}

}  // namespace vz::xml
