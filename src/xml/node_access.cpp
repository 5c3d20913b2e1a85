#include "xml/node_access.hpp"

#include "diagnostics/automation_error.hpp"

namespace vz::xml {
namespace {

pugi::xpath_query Compile(std::string_view path) {
  try {
    return pugi::xpath_query(std::string(path).c_str());
  } catch (const pugi::xpath_exception& error) {
    RaiseServerError("Invalid node path <" + std::string(path) + ">: " + error.what());
  }
}

// The texts under `top` in document order, walked without recursion.
void AppendText(const pugi::xml_node& top, std::string& out) {
  pugi::xml_node node = top.first_child();
  while (node) {
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
      out += node.value();
    } else if (node.type() == pugi::node_element && node.first_child()) {
      node = node.first_child();
      continue;
    }
    while (!node.next_sibling()) {
      node = node.parent();
      if (!node || node == top) return;
    }
    node = node.next_sibling();
  }
}

bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

}  // namespace

pugi::xml_node SelectFirst(const pugi::xml_node& context, std::string_view path) {
  if (path.empty() || !context) return {};
  return context.select_node(Compile(path)).node();
}

std::vector<pugi::xml_node> SelectAll(const pugi::xml_node& context, std::string_view path) {
  std::vector<pugi::xml_node> nodes;
  if (path.empty() || !context) return nodes;
  for (const pugi::xpath_node& match : context.select_nodes(Compile(path))) {
    if (match.node()) nodes.push_back(match.node());
  }
  return nodes;
}

std::string NodeText(const pugi::xml_node& node) {
  if (!node) return {};
  if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) return node.value();
  std::string text;
  AppendText(node, text);
  return text;
}

void SetNodeText(pugi::xml_node node, std::string_view text) {
  node.remove_children();
  if (!text.empty()) node.append_child(pugi::node_pcdata).set_value(std::string(text).c_str());
}

bool IsValidElementName(std::string_view name) {
  if (name.empty() || !IsNameStart(static_cast<unsigned char>(name.front()))) return false;
  for (unsigned char c : name.substr(1)) {
    if (!IsNameStart(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
  }
  return true;
}

}  // namespace vz::xml
