#include "xml/parse_failure.hpp"

#include <algorithm>
#include <string>

namespace vz::xml {
namespace {

// The first element nested deeper than kMaxElementDepth, or none. pugixml walks the tree itself,
// without recursion: walking it through the node accessors cost most of a parse again.
class DepthLimit final : public pugi::xml_tree_walker {
 public:
  bool for_each(pugi::xml_node& node) override {
    // depth() is 0 for the document's own children, which count as level 1.
    if (depth() < kMaxElementDepth || node.type() != pugi::node_element) return true;
    tooDeep_ = node;
    return false;
  }
  pugi::xml_node TooDeep() const { return tooDeep_; }

 private:
  pugi::xml_node tooDeep_;
};

pugi::xml_node TooDeep(pugi::xml_document& document) {
  DepthLimit limit;
  document.traverse(limit);
  return limit.TooDeep();
}

}  // namespace

TextLocation LocateOffset(std::string_view buffer, std::ptrdiff_t offset) {
  const std::size_t end = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(offset, 0, buffer.size()));
  TextLocation where;
  // A UTF-8 byte order mark is no character of the first line.
  std::size_t lineStart = buffer.starts_with("\xEF\xBB\xBF") && end >= 3 ? 3 : 0;
  for (std::size_t i = lineStart; i < end; ++i) {
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
  // The offsets refer to the buffer handed over; for input pugixml had to convert (UTF-16, Latin-1)
  // they refer to the converted text, so they are clamped and the location is approximate there.
  if (!result) {
    TextLocation where = LocateOffset(buffer, result.offset);
    return ParseFailure{static_cast<long>(result.status), result.description(), where.line, where.position,
                        std::move(where.lineText)};
  }
  if (const pugi::xml_node deep = TooDeep(document)) {
    TextLocation where = LocateOffset(buffer, deep.offset_debug());
    return ParseFailure{static_cast<long>(pugi::status_bad_start_element),
                        "Elements nested deeper than " + std::to_string(kMaxElementDepth) + " levels", where.line,
                        where.position, std::move(where.lineText)};
  }
  // pugixml accepts several top-level elements; a well-formed document has one.
  int elements = 0;
  for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
    if (node.type() != pugi::node_element || ++elements < 2) continue;
    TextLocation where = LocateOffset(buffer, node.offset_debug());
    return ParseFailure{static_cast<long>(pugi::status_bad_start_element), "Only one top level element is allowed",
                        where.line, where.position, std::move(where.lineText)};
  }
  return std::nullopt;
}

ParseFailure FileNotReadableFailure() {
  pugi::xml_parse_result result;
  result.status = pugi::status_file_not_found;
  return ParseFailure{static_cast<long>(result.status), result.description(), 0, 0, {}};
}

}  // namespace vz::xml
