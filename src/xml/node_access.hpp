#pragma once
// Node-level helpers on pugixml: slash-separated path selection, the text of a node as the
// editor's DOM reads it, and the element-name check used before creating elements.
#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace vz::xml {

// First node matching `path` (element names separated by "/", evaluated from `context`), or an
// empty node. An empty path matches nothing. A path that is not a valid selection raises error -1.
pugi::xml_node SelectFirst(const pugi::xml_node& context, std::string_view path);

// All nodes matching `path`, in document order. Attribute matches are skipped.
std::vector<pugi::xml_node> SelectAll(const pugi::xml_node& context, std::string_view path);

// The text of all descendant text and CDATA nodes concatenated; empty for an empty node.
std::string NodeText(const pugi::xml_node& node);

// Replaces the children of `node` by one text node holding `text` (no child at all for "").
void SetNodeText(pugi::xml_node node, std::string_view text);

// True for a name that can start an element tag: a letter, "_" or ":" (or any non-ASCII byte)
// first, then also digits, "-" and ".". Creating elements with other names would write files
// that cannot be read back.
bool IsValidElementName(std::string_view name);

}  // namespace vz::xml
