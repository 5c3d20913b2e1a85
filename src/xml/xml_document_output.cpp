// clsXMLDocument: writing files and the text displays of the document.
#include <string>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "platform/files.hpp"
#include "xml/indented_layout.hpp"
#include "xml/xml_document.hpp"
#include "xml/xml_document_detail.hpp"

namespace vz {

using xml::detail::Trace;
using xml::detail::Where;

namespace {

void AppendBlanks(std::string& out, int indent) {
  if (indent > 0) out.append(static_cast<std::size_t>(indent), ' ');
}

// Nodes of the in-memory display: like the file layout, but with CR LF in front of each line.
// The first level is indented by `indent`; deeper levels by 4 more per level when
// `indentChildren` is set, by nothing otherwise. Walks without recursion.
void AppendFormattedNode(std::string& out, const pugi::xml_node& top, int indent, bool indentChildren) {
  int level = 0;
  auto indentOf = [&](int at) { return at == 0 ? indent : (indentChildren ? indent + 4 * at : 0); };
  pugi::xml_node node = top;
  for (;;) {
    out += xml::kCrLf;
    AppendBlanks(out, indentOf(level));
    if (xml::IsParentNode(node)) {
      out += xml::PrintableTag(node.name(), false);
      node = node.first_child();
      ++level;
      continue;
    }
    xml::AppendNodeMarkup(out, node);
    // On to the next node, closing each parent whose children are all written.
    while (level > 0 && !node.next_sibling()) {
      node = node.parent();
      --level;
      out += xml::kCrLf;
      AppendBlanks(out, indentOf(level));
      out += xml::PrintableTag(node.name(), true);
    }
    if (level == 0) return;
    node = node.next_sibling();
  }
}

void TraceWrittenLine(xml::LayoutLine kind, std::string_view markup) {
  static constexpr std::string_view kPrefixes[] = {"Writing parent node start tag: ", "Writing parent node end tag: ",
                                                   "Writing leaf node (1): ", "Writing leaf node (2): "};
  std::string message(kPrefixes[static_cast<int>(kind)]);
  message += markup;
  Trace("WriteNodeListToFile", message, kTraceDetail);
}

}  // namespace

void clsXMLDocument::WriteObjectToConfigFile(const std::string& path) {
  RaiseTrap(Where("WriteObjectToConfigFile"))([&] {
    const std::string& file = path.empty() ? config_file_ : path;
    if (file.empty()) {
      Trace("WriteObjectToConfigFile", "Unable to write configfile because no configfile has been specified.",
            kTraceProgress);
      return;
    }
    Trace("WriteObjectToConfigFile", "ConfigFile arg: " + file, kTraceDetail);
    if (root_name_.empty()) {
      MsgBox("Unable to flush XML to a file because the root node for this document hasn't been initialized yet.",
             vbSystemModal + vbCritical);
      return;
    }
    // The whole file is assembled first and replaces the old one in one rename. A hidden file
    // stays hidden without any work: hiding is the leading "." of the name, which the rename keeps.
    const bool flushes = TraceFlushes();
    const xml::LayoutObserver observer = TraceWrittenLine;
    platform::WriteFileAtomically(
        file, xml::FormatIndentedDocument(root_, {.declaration = true,
                                                  .rootName = root_name_,
                                                  .observer = flushes ? &observer : nullptr}));
    if (flushes) TryLoadXML(file);
    Trace("WriteObjectToConfigFile", "Exiting sub.", kTraceDetail);
  });
}

void clsXMLDocument::QuickFlush() {
  RaiseTrap(Where("QuickFlush"))([&] {
    if (config_file_.empty()) RaiseServerError("Unable to flush XML because no configfile has been specified.");
    if (!root_) RaiseServerError("Root node has not been defined.");
    std::string line = xml::NodeMarkup(root_);
    line += xml::kCrLf;
    platform::WriteFileAtomically(config_file_, line);
  });
}

std::string clsXMLDocument::CurrentXMLDisplay() const {
  return RaiseTrap(Where("CurrentXMLDisplay"))([&] {
    std::string text;
    if (document_) xml::AppendNodeMarkup(text, *document_);
    return text;
  });
}

std::string clsXMLDocument::sfnFormattedXML(const std::vector<pugi::xml_node>& nodes, int indent,
                                            bool indentChildren) const {
  return RaiseTrap(Where("sfnFormattedXML"))([&] {
    std::string text;
    for (const pugi::xml_node& node : nodes) AppendFormattedNode(text, node, indent, indentChildren);
    return text;
  });
}

std::string clsXMLDocument::sfnFormattedDocument(int indent, bool indentChildren, bool declaration) const {
  return RaiseTrap(Where("sfnFormattedDocument"))([&] {
    std::string text;
    if (declaration) {
      AppendBlanks(text, indent);
      text.append(R"(<?xml version="1.0"?>)").append(xml::kCrLf);
    }
    AppendBlanks(text, indent);
    text += xml::PrintableTag(root_name_, false);
    for (pugi::xml_node child = root_.first_child(); child; child = child.next_sibling()) {
      AppendFormattedNode(text, child, indentChildren ? indent + 4 : 0, indentChildren);
    }
    text += xml::kCrLf;
    AppendBlanks(text, indent);
    text += xml::PrintableTag(root_name_, true);
    return text;
  });
}

}  // namespace vz
