#include "xml/indented_layout.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

// Text characters print() would write other than as they are: the three it escapes, and the
// control characters it writes as references (left to print()).
constexpr bool IsSpecialInText(unsigned char c) { return c < 0x20 || c == '&' || c == '<' || c == '>'; }

// IsSpecialInText for any of the eight bytes of `word` at once.
constexpr bool HasSpecialByte(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  const auto hasZeroByte = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
  const std::uint64_t below20 = (word - kOnes * 0x20) & ~word & kHighs;
  return (below20 | hasZeroByte(word ^ (kOnes * '&')) | hasZeroByte(word ^ (kOnes * '<')) |
          hasZeroByte(word ^ (kOnes * '>'))) != 0;
}

bool NeedsEscaping(std::string_view text) {
  std::size_t at = 0;
  for (; at + 8 <= text.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    if (HasSpecialByte(word)) return true;
  }
  for (; at < text.size(); ++at) {
    if (IsSpecialInText(static_cast<unsigned char>(text[at]))) return true;
  }
  return false;
}

// Appends `text` escaped as print() escapes text; false, part way, at a control character.
bool AppendEscapedText(std::string& out, std::string_view text) {
  std::size_t run = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (!IsSpecialInText(c)) continue;
    out.append(text.substr(run, at - run));
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: return false;
    }
    run = at + 1;
  }
  out.append(text.substr(run));
  return true;
}

char* Copy(std::string_view text, char* to) { return std::copy(text.begin(), text.end(), to); }

// print()'s raw form of the commonest leaf, an element without attributes that holds one text
// node (`first`) or nothing, written directly: print() costs a virtual writer and an output
// buffer per call, which dominated writing a dictation's file. False, with nothing appended, for
// any other node.
bool AppendPlainLeaf(std::string& out, const pugi::xml_node& node, const pugi::xml_node& first) {
  if (node.type() != pugi::node_element || node.first_attribute()) return false;
  const std::string_view name = node.name();
  if (name.empty()) return false;
  if (!first) {
    out += '<';
    out += name;
    out += "/>";
    return true;
  }
  if (first.type() != pugi::node_pcdata || first.next_sibling()) return false;
  const std::string_view text = first.value();
  const std::size_t start = out.size();
  if (!NeedsEscaping(text)) {
    out.resize(start + 2 * name.size() + text.size() + 5);
    char* to = out.data() + start;
    *to++ = '<';
    to = Copy(name, to);
    *to++ = '>';
    to = Copy(text, to);
    *to++ = '<';
    *to++ = '/';
    to = Copy(name, to);
    *to = '>';
    return true;
  }
  out += '<';
  out += name;
  out += '>';
  if (!AppendEscapedText(out, text)) {
    out.resize(start);
    return false;
  }
  out += "</";
  out += name;
  out += '>';
  return true;
}

// Laying out pugixml's raw print of a whole subtree. pugixml prints a subtree in one call several
// times faster than its interface hands the nodes over one by one, and the raw form is regular:
// tags are "<name attributes>", "<name attributes/>" and "</name>", attribute values are
// double-quoted with '"' escaped, and text holds no '<'. A leaf line is then the substring that
// prints the leaf, which is exactly the leaf's own raw print.
//
// What the raw form does not show, the laying out refuses (the caller then walks the nodes):
// comments, CDATA, processing instructions, doctypes and unnamed elements, whose markup starts
// "<!", "<?" or "<:", and text among the children being laid out line by line, where two
// adjacent text nodes would print as one. An empty text node as the first child of an element
// that also has element children is invisible too; the server never creates one (every writer of
// text leaves an element without children when the text is empty).
class RawLayout {
 public:
  RawLayout(std::string_view raw, std::string& out) : raw_(raw), out_(out) {}

  // Appends the children of the printed root, the first level at `indent` blanks.
  bool AppendChildren(int indent) {
    std::size_t end = 0;
    if (raw_.empty() || raw_[0] != '<' || !StartTagEnd(0, end)) return false;
    if (raw_[end - 1] == '/') return true;  // no children
    std::size_t at = end + 1;
    int level = 0;
    while (at < raw_.size()) {
      if (raw_[at] != '<') return false;  // text among line-by-line children
      const char next = at + 1 < raw_.size() ? raw_[at + 1] : '\0';
      if (next == '/') {
        const std::size_t close = raw_.find('>', at);
        if (close == std::string_view::npos) return false;
        if (level == 0) return close + 1 == raw_.size();  // the root's end tag
        --level;
        indent -= 4;
        Line(indent, raw_.substr(at, close + 1 - at));
        at = close + 1;
        continue;
      }
      if (!IsElementStart(next) || !StartTagEnd(at, end)) return false;
      const bool empty = raw_[end - 1] == '/';
      const bool parent = !empty && end + 2 < raw_.size() && raw_[end + 1] == '<' && raw_[end + 2] != '/';
      if (parent) {
        // A parent line is its bare start tag; its attributes are not written.
        out_.append(static_cast<std::size_t>(indent), ' ');
        out_ += '<';
        out_.append(raw_.substr(at + 1, NameEnd(at + 1) - (at + 1)));
        out_ += '>';
        out_ += kCrLf;
        ++level;
        indent += 4;
        at = end + 1;
        continue;
      }
      std::size_t leafEnd = end;
      if (!empty && !ElementEnd(end + 1, leafEnd)) return false;
      Line(indent, raw_.substr(at, leafEnd + 1 - at));
      at = leafEnd + 1;
    }
    return false;  // the root's end tag is missing
  }

 private:
  static bool IsElementStart(char c) { return c != '!' && c != '?' && c != ':' && c != '\0'; }

  void Line(int indent, std::string_view markup) {
    out_.append(static_cast<std::size_t>(indent), ' ');
    out_.append(markup);
    out_ += kCrLf;
  }

  // The '>' ending the start tag at `at`, skipping quoted attribute values.
  bool StartTagEnd(std::size_t at, std::size_t& end) const {
    for (std::size_t i = at + 1; i < raw_.size(); ++i) {
      if (raw_[i] == '>') {
        end = i;
        return true;
      }
      if (raw_[i] == '"') {
        i = raw_.find('"', i + 1);
        if (i == std::string_view::npos) return false;
      }
    }
    return false;
  }

  std::size_t NameEnd(std::size_t at) const {
    while (at < raw_.size() && raw_[at] != ' ' && raw_[at] != '/' && raw_[at] != '>') ++at;
    return at;
  }

  // The '>' of the end tag that closes the element whose content starts at `at`.
  bool ElementEnd(std::size_t at, std::size_t& end) const {
    int open = 1;
    for (;;) {
      at = raw_.find('<', at);
      if (at == std::string_view::npos || at + 1 >= raw_.size()) return false;
      const char next = raw_[at + 1];
      if (next == '/') {
        at = raw_.find('>', at);
        if (at == std::string_view::npos) return false;
        if (--open == 0) {
          end = at;
          return true;
        }
      } else {
        if (!IsElementStart(next) || !StartTagEnd(at, at)) return false;
        if (raw_[at - 1] != '/') ++open;
      }
      ++at;
    }
  }

  std::string_view raw_;
  std::string& out_;
};

// The raw-print route of AppendIndentedChildren, for an element root; false, with nothing
// appended, where it does not apply.
bool AppendLaidOutRawChildren(std::string& out, const pugi::xml_node& root, int indent) {
  if (root.type() != pugi::node_element) return false;
  std::string raw;
  raw.reserve(4096);
  AppendNodeMarkup(raw, root);
  const std::size_t start = out.size();
  if (RawLayout(raw, out).AppendChildren(indent)) return true;
  out.resize(start);
  return false;
}

// True when a sibling after `first` is text. Text among elements is written on the element's one
// line, as it came: spread over lines, it would gain the layout's blanks on every rewrite.
bool HoldsTextAfter(const pugi::xml_node& first) {
  for (pugi::xml_node child = first.next_sibling(); child; child = child.next_sibling())
    if (child.type() == pugi::node_pcdata) return true;
  return false;
}

}  // namespace

bool IsParentNode(const pugi::xml_node& node) {
  const pugi::xml_node first = node.first_child();
  return first && first.type() != pugi::node_pcdata && !HoldsTextAfter(first);
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
    const std::size_t indentStart = out.size();
    out.append(static_cast<std::size_t>(indent), ' ');
    const std::size_t lineStart = out.size();
    const pugi::xml_node first = node.first_child();
    if (first && first.type() != pugi::node_pcdata && !HoldsTextAfter(first)) {  // IsParentNode
      AppendTag(out, node.name(), false);
      if (observer) (*observer)(LayoutLine::ParentStart, std::string_view(out).substr(lineStart));
      out += kCrLf;
      node = first;
      indent += 4;
      continue;
    }
    if (node.type() == pugi::node_pcdata) {
      // Text among the root's elements gets a line of its own, without the blanks around it: they
      // are the layout's, and written again with it they would grow on every rewrite. Texts next
      // to each other (what stood between them was not kept) share the line, as they will share
      // one text when read back.
      AppendNodeMarkup(out, node);
      while (node.next_sibling().type() == pugi::node_pcdata) {
        node = node.next_sibling();
        AppendNodeMarkup(out, node);
      }
      const std::string_view markup = std::string_view(out).substr(lineStart);
      const std::size_t begin = markup.find_first_not_of(" \t\r\n");
      if (begin == std::string_view::npos) {
        out.resize(indentStart);
      } else {
        const std::size_t end = markup.find_last_not_of(" \t\r\n") + 1;
        out.erase(lineStart + end);
        out.erase(lineStart, begin);
        if (observer) (*observer)(LayoutLine::TextLeaf, std::string_view(out).substr(lineStart));
        out += kCrLf;
      }
    } else {
      if (!AppendPlainLeaf(out, node, first)) AppendNodeMarkup(out, node);
      if (observer) {
        (*observer)(first ? LayoutLine::TextLeaf : LayoutLine::EmptyLeaf, std::string_view(out).substr(lineStart));
      }
      out += kCrLf;
    }
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
  out.reserve(4096);  // a dictation's file, without growing on the way
  if (options.declaration) out.append(kDeclarationLine).append(kCrLf);
  AppendTag(out, name, false);
  out += kCrLf;
  if (options.observer || !options.fromRawPrint || !AppendLaidOutRawChildren(out, root, 4)) {
    AppendIndentedChildren(out, root, 4, options.observer);
  }
  AppendTag(out, name, true);
  out += kCrLf;
  return out;
}

}  // namespace vz::xml
