#pragma once
// Parsing a buffer with pugixml and turning a failure into the details the error texts need:
// the parser's status code and description, and the 1-based line and position of the error.
#include <pugixml.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vz::xml {

struct ParseFailure {
  long code = 0;           // pugixml's status code
  std::string reason;      // pugixml's description of it
  long line = 0;           // 1-based; 0 when the document could not be read at all
  long position = 0;       // 1-based character column within the line
  std::string sourceText;  // the line holding the error, without its line end
};

// Where `offset` (a byte offset into `buffer`) lies: line and column count from 1; a column
// counts characters, so a multi-byte UTF-8 character advances it by one. CR LF, LF and a lone CR
// each end a line.
struct TextLocation {
  long line = 1;
  long position = 1;
  std::string lineText;
};
TextLocation LocateOffset(std::string_view buffer, std::ptrdiff_t offset);

// The deepest nesting of elements a document may have (the top element is level 1). The
// parser works without recursion, but pugixml frees a removed subtree recursively, and no answer
// or file of this system comes near this depth.
inline constexpr int kMaxElementDepth = 256;

// Parses `buffer` into `document` with pugixml's default options, which drop text nodes holding
// only white space (so the writer's indentation is never read back as content). A document
// nested deeper than kMaxElementDepth fails like a malformed one. On failure the document's
// content is unspecified; callers parse into a scratch document.
std::optional<ParseFailure> ParseBuffer(pugi::xml_document& document, std::string_view buffer,
                                        pugi::xml_encoding encoding);

// The failure reported for a file that cannot be read.
ParseFailure FileNotReadableFailure();

}  // namespace vz::xml
