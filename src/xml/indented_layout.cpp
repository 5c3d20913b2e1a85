#include "xml/indented_layout.hpp"

namespace vz::xml {
namespace {

class AppendingWriter final : public pugi::xml_writer {
 public:
  explicit AppendingWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override { out_.append(static_cast<const char*>(data), size); }

 private:
  std::string& out_;
};

void AppendTag(std::string& out, std::string_view name, bool endTag) {
  out += endTag ? "</" : "<";
  out += name;
  out += '>';
}

}  // namespace

bool IsParentNode(const pugi::xml_node& node) {
  const pugi::xml_node first = node.first_child();
  return first && first.type() != pugi::node_pcdata;
}

void AppendNodeMarkup(std::string& out, const pugi::xml_node& node) {
  AppendingWriter writer(out);
  node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
}

std::string NodeMarkup(const pugi::xml_node& node) {
  std::string out;
  AppendNodeMarkup(out, node);
  return out;
}

std::string PrintableTag(std::string_view name, bool endTag) {
  std::string tag;
  AppendTag(tag, name, endTag);
  return tag;
}

void AppendIndentedChildren(std::string& out, const pugi::xml_node& parent, int indent,
                            const LayoutObserver* observer) {
  // A walk without recursion: however deep the document, the stack does not grow.
  pugi::xml_node node = parent.first_child();
  while (node) {
    out.append(static_cast<std::size_t>(indent), ' ');
    const std::size_t lineStart = out.size();
    if (IsParentNode(node)) {
      AppendTag(out, node.name(), false);
      if (observer) (*observer)(LayoutLine::ParentStart, std::string_view(out).substr(lineStart));
      out += kCrLf;
      node = node.first_child();
      indent += 4;
      continue;
    }
    AppendNodeMarkup(out, node);
    if (observer) {
      (*observer)(node.first_child() ? LayoutLine::TextLeaf : LayoutLine::EmptyLeaf, std::string_view(out).substr(lineStart));
    }
    out += kCrLf;
    // On to the next sibling, closing each parent whose children are all written.
    while (!node.next_sibling()) {
      node = node.parent();
      if (!node || node == parent) return;
      indent -= 4;
      out.append(static_cast<std::size_t>(indent), ' ');
      const std::size_t endStart = out.size();
      AppendTag(out, node.name(), true);
      if (observer) (*observer)(LayoutLine::ParentEnd, std::string_view(out).substr(endStart));
      out += kCrLf;
    }
    node = node.next_sibling();
  }
}

std::string FormatIndentedDocument(const pugi::xml_node& root, const IndentedDocumentOptions& options) {
  const std::string_view name = options.rootName.empty() ? std::string_view(root.name()) : options.rootName;
  std::string out;
  if (options.declaration) out.append(kDeclarationLine).append(kCrLf);
  AppendTag(out, name, false);
  out += kCrLf;
  AppendIndentedChildren(out, root, 4, options.observer);
  AppendTag(out, name, true);
  out += kCrLf;
  return out;
}

}  // namespace vz::xml
