#pragma once
// The indented text layout of XML files written by the server (settings files written by
// clsXMLDocument, dictation configuration files):
//
//   <?xml version="1.0" standalone="yes" ?>      (only where the file type has one)
//   <Root>
//       <Parent>                                 a node with children, none of them text
//           <Leaf attr="1">text</Leaf>           a node with text among its children: one line
//           <Empty/>                             a node without children: one line
//       </Parent>
//   </Root>
//
// Four blanks per level, every line ended by CR LF. A leaf line is pugixml's raw serialisation of
// the node (attributes, escaped text, short form when empty); a parent line is a bare tag, so the
// attributes of elements that have element children are not written. Text is written as the
// UTF-8 pugixml holds: UTF-8 is the files' 8-bit character set (their declaration names none).
#include <pugixml.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace vz::xml {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kDeclarationLine = R"(<?xml version="1.0" standalone="yes" ?>)";

// The kinds of lines, for callers that trace what they write.
enum class LayoutLine { ParentStart, ParentEnd, TextLeaf, EmptyLeaf };
// Told each line's markup (without indent and line end) as it is produced.
using LayoutObserver = std::function<void(LayoutLine, std::string_view markup)>;

// True for a node written as start tag, children, end tag: it has children and none of them is
// a text node.
bool IsParentNode(const pugi::xml_node& node);

// Appends pugixml's raw serialisation of `node` (no indentation, no line breaks added).
void AppendNodeMarkup(std::string& out, const pugi::xml_node& node);
std::string NodeMarkup(const pugi::xml_node& node);

// "<" + name + ">" or "</" + name + ">".
std::string PrintableTag(std::string_view name, bool endTag);

// Appends the children of `parent`, each preceded by `indent` blanks, one level deeper (4 more
// blanks) for each level of nesting.
void AppendIndentedChildren(std::string& out, const pugi::xml_node& parent, int indent,
                            const LayoutObserver* observer = nullptr);

struct IndentedDocumentOptions {
  bool declaration = true;                   // start with kDeclarationLine
  std::string_view rootName;                 // the root tags' name; empty: the root's own name
  const LayoutObserver* observer = nullptr;  // told every line below the root
  // Lay the lines out from one raw print of the whole tree instead of walking its nodes: the same
  // bytes, faster for records of many plain leaves, slower where many leaves have attributes.
  // Ignored when there is an observer.
  bool fromRawPrint = false;
};

// The whole file: declaration, root start tag at column 1, the root's children from column 5,
// root end tag. The root's own attributes are not written.
std::string FormatIndentedDocument(const pugi::xml_node& root, const IndentedDocumentOptions& options = {});

}  // namespace vz::xml
