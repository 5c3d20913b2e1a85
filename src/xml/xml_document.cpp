// clsXMLDocument: loading, the root, properties and node operations.
#include "xml/xml_document.hpp"

#include <optional>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "platform/files.hpp"
#include "xml/node_access.hpp"
#include "xml/parse_failure.hpp"
#include "xml/xml_document_detail.hpp"

namespace vz {

using xml::detail::Trace;
using xml::detail::Where;

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Position (1-based) of the next "/" at or after `start`; the path's length + 1 when there is
// none; -1 once `start` lies beyond the end of the path.
long GetNextNodePiece(long start, std::string_view path) {
  if (start > static_cast<long>(path.size())) return -1;
  const std::size_t slash = path.find('/', static_cast<std::size_t>(start - 1));
  return static_cast<long>(slash == std::string_view::npos ? path.size() + 1 : slash + 1);
}

pugi::xml_node LastTopLevelElement(const pugi::xml_document& document) {
  for (pugi::xml_node node = document.last_child(); node; node = node.previous_sibling()) {
    if (node.type() == pugi::node_element) return node;
  }
  return {};
}

// True when removing `removed` from the tree also removes `node`.
bool Contains(const pugi::xml_node& removed, pugi::xml_node node) {
  for (; node; node = node.parent()) {
    if (node == removed) return true;
  }
  return false;
}

std::optional<xml::ParseFailure> ParseFile(pugi::xml_document& document, const std::string& path) {
  // A hidden file (name starting with ".") is read like any other: on Linux "hidden" is part of
  // the name, not an attribute that would have to be cleared around the read and set again.
  const std::optional<std::string> bytes = platform::ReadWholeFile(path);
  if (!bytes) return xml::FileNotReadableFailure();
  return xml::ParseBuffer(document, *bytes, pugi::encoding_auto);
}

[[noreturn]] void RaiseLoadError(const xml::ParseFailure& failure, std::string_view what) {
  RaiseServerError(FormatLoadError(failure.code, what, failure.reason, failure.line, failure.position));
}

}  // namespace

std::string FormatLoadError(long code, std::string_view what, std::string_view reason, long line, long position) {
  std::string text = "Error " + std::to_string(code) + " loading ";
  text.append(what).append(": ").append(kCrLf).append(reason).append(kCrLf);
  text += "at line: " + std::to_string(line) + ", at position: " + std::to_string(position);
  return text;
}

clsXMLDocument::clsXMLDocument()
    : document_(std::make_unique<pugi::xml_document>()), clones_(std::make_unique<pugi::xml_document>()) {}

clsXMLDocument::~clsXMLDocument() = default;

bool clsXMLDocument::TraceFlushes() const { return trace_flushes_ || TraceLevel() >= 5; }

// ---- loading ----

void clsXMLDocument::LoadXMLFromMemory(std::string_view xml) {
  RaiseTrap(Where("LoadXMLFromMemory"))([&] { LoadXML(true, xml); });
}

void clsXMLDocument::ReadConfigFileToObject(const std::string& path) {
  RaiseTrap(Where("ReadConfigFileToObject"))([&] {
    LoadXML(false, path);
    if (TraceFlushes()) {
      Trace("ReadConfigFileToObject",
            "Content of " + path + std::string(kCrLf) + sfnFormattedDocument(0, true, true), kTraceProgress);
    }
  });
}

void clsXMLDocument::LoadXML(bool fromMemory, std::string_view pathOrText) {
  RaiseTrap(Where("LoadXML"))([&] {
    // Parsed into a scratch document so that a failure leaves the held one untouched.
    auto loaded = std::make_unique<pugi::xml_document>();
    if (fromMemory) {
      // Text in memory is the server's own UTF-8, whatever a declaration in it says.
      if (auto failure = xml::ParseBuffer(*loaded, pathOrText, pugi::encoding_utf8)) {
        RaiseLoadError(*failure, "XML from memory");
      }
    } else {
      const std::string path(pathOrText);
      config_file_ = path;  // recorded even when the load fails
      if (auto failure = ParseFile(*loaded, path)) RaiseLoadError(*failure, path);
    }
    AdoptLoaded(std::move(loaded));
  });
}

void clsXMLDocument::AdoptLoaded(std::unique_ptr<pugi::xml_document> loaded) {
  // Moved into the existing document object, so references to Document() stay valid.
  *document_ = std::move(*loaded);
  // The last top-level element is the root; a leading declaration or comment is not one.
  root_ = LastTopLevelElement(*document_);
  root_name_ = root_.name();
}

void clsXMLDocument::TryLoadXML(const std::string& path) const {
  RaiseTrap(Where("TryLoadXML"))([&] {
    pugi::xml_document scratch;
    if (auto failure = ParseFile(scratch, path)) RaiseLoadError(*failure, path);
  });
}

void clsXMLDocument::Init(const std::string& file, std::string_view rootName) {
  RaiseTrap(Where("Init"))([&] {
    if (!file.empty()) {
      config_file_ = file;
      // A hidden file (name starting with ".") counts as absent here, as it would be missing from
      // a listing of ordinary files.
      if (platform::IsRegularFile(file) && !platform::IsHiddenFile(file)) ReadConfigFileToObject(file);
    }
    SetupRootNodeFromScratch(rootName);
  });
}

void clsXMLDocument::SetupRootNodeFromScratch(std::string_view name) {
  RaiseTrap(Where("SetupRootNodeFromScratch"))([&] {
    pugi::xml_node found;
    try {
      found = xml::SelectFirst(*document_, name);
    } catch (...) {  // a name that is no valid path simply finds nothing
    }
    if (!found) {
      const std::string text = "<" + std::string(name) + "></" + std::string(name) + ">";
      auto fresh = std::make_unique<pugi::xml_document>();
      if (auto failure = xml::ParseBuffer(*fresh, text, pugi::encoding_utf8)) {
        RaiseServerError("Error " + std::to_string(failure->code) + " during loadXML of SetupRowNodeFromScratch: " +
                         std::string(kCrLf) + failure->reason + std::string(kCrLf) + "at line " +
                         std::to_string(failure->line) + ".  Position: " + std::to_string(failure->position) +
                         std::string(kCrLf) + failure->sourceText);
      }
      *document_ = std::move(*fresh);
      found = LastTopLevelElement(*document_);
    }
    root_ = found;
    root_name_ = std::string(name);
  });
}

// ---- properties ----

std::string clsXMLDocument::sfnRetrievePropertyValue(std::string_view name) const {
  return RaiseTrap(Where("sfnRetrievePropertyValue"))([&] {
    if (!root_) return std::string();
    std::string value = xml::NodeText(xml::SelectFirst(root_, name));
    return value == "null" ? std::string() : value;
  });
}

void clsXMLDocument::AssignPropertyValue(std::string_view name, std::string_view value) {
  RaiseTrap(Where("AssignPropertyValue"))([&] {
    if (!root_) RaiseServerError("Root node has not been defined.");
    pugi::xml_node property = xml::SelectFirst(root_, name);
    if (!property) {
      if (!xml::IsValidElementName(name)) {
        RaiseServerError("Unable to append <" + std::string(name) + "> to parent: <" + root_name_ + ">");
      }
      property = root_.append_child(std::string(name).c_str());
    } else {
      Trace("AssignPropertyValue", "Property = " + std::string(name) + ". Value = " + std::string(value),
            kTraceProgress);
    }
    xml::SetNodeText(property, value);
    if (!config_file_.empty()) WriteObjectToConfigFile({});
  });
}

std::vector<std::string> clsXMLDocument::GetDownloadNames(long& count) const {
  return RaiseTrap(Where("GetDownloadNames"))([&] {
    std::vector<std::string> names;
    if (root_) {
      for (const pugi::xml_node& entry : xml::SelectAll(root_, "DownLoads/fileName")) {
        names.push_back(xml::NodeText(entry));
      }
    }
    count = static_cast<long>(names.size());
    return names;
  });
}

// ---- adding nodes ----

pugi::xml_node clsXMLDocument::AddNode(std::string_view parentPath, std::string_view name, std::string_view value) {
  return RaiseTrap(Where("AddNode"))([&]() -> pugi::xml_node {
    if (parentPath.empty()) {
      SetupRootNodeFromScratch(name);
      if (!value.empty()) xml::SetNodeText(root_, value);
      return {};
    }
    if (NodeExists(parentPath)) return AddChild(parentPath, name, value);
    // Create each missing prefix of the path under the prefix before it. The first piece is
    // looked up under an empty path, which names no node: it has to exist already.
    std::string previous;
    long start = 1;
    for (long end = GetNextNodePiece(start, parentPath); end != -1; end = GetNextNodePiece(start, parentPath)) {
      std::string prefix(parentPath.substr(0, static_cast<std::size_t>(end - 1)));
      if (!NodeExists(prefix)) {
        AddChild(previous, parentPath.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start)),
                 {});
      }
      previous = std::move(prefix);
      start = end + 1;
    }
    return AddChild(parentPath, name, value);
  });
}

pugi::xml_node clsXMLDocument::AddChild(std::string_view parentPath, std::string_view name, std::string_view value) {
  return RaiseTrap(Where("AddChild"))([&] {
    if (!document_) RaiseServerError("XML Document Object has not been initialized.");
    pugi::xml_node parent = xml::SelectFirst(*document_, parentPath);
    if (!parent) RaiseServerError("Parent node: <" + std::string(parentPath) + "> does not exist.");
    const std::string failure = "Unable to append <" + std::string(name) + "> to parent: <" + std::string(parentPath) + ">";
    if (!xml::IsValidElementName(name)) RaiseServerError(failure);
    Trace("AddChild", "Appending <" + std::string(name) + "> node (value=" + std::string(value) + ") to parent: <" +
                          std::string(parentPath) + ">",
          kTraceDetail);
    pugi::xml_node element = parent.append_child(std::string(name).c_str());
    if (!element) RaiseServerError(failure);
    if (!value.empty()) xml::SetNodeText(element, value);
    return element;
  });
}

pugi::xml_node clsXMLDocument::AppendChildFromParent(pugi::xml_node parent, std::string_view name,
                                                     std::string_view value, bool reuseExisting) {
  return RaiseTrap(Where("AppendChildFromParent"))([&] {
    if (!parent) RaiseServerError("Parent Node parameter is uninitialized");
    const std::string failure = "Unable to append <" + std::string(name) + "> to parent: <" + parent.name() + ">";
    if (!xml::IsValidElementName(name)) RaiseServerError(failure);
    pugi::xml_node element = reuseExisting ? parent.child(std::string(name).c_str()) : pugi::xml_node();
    Trace("AppendChildFromParent", "Appending <" + std::string(name) + "> node (value=" + std::string(value) +
                                       ") to parent: <" + parent.name() + ">",
          kTraceDetail);
    // A reused element is moved to the end, as appending an attached node does in a DOM.
    element = element ? parent.append_move(element) : parent.append_child(std::string(name).c_str());
    if (!element) RaiseServerError(failure);
    if (!value.empty()) xml::SetNodeText(element, value);
    return element;
  });
}

// ---- finding nodes ----

pugi::xml_node clsXMLDocument::RetrieveNode(std::string_view path) const {
  return RaiseTrap(Where("RetrieveNode"))([&] { return xml::SelectFirst(*document_, path); });
}

std::vector<pugi::xml_node> clsXMLDocument::RetrieveNodeList(std::string_view path) const {
  return RaiseTrap(Where("RetrieveNodeList"))([&] { return xml::SelectAll(*document_, path); });
}

bool clsXMLDocument::NodeExists(std::string_view path) const {
  return RaiseTrap(Where("NodeExists"))([&] { return static_cast<bool>(xml::SelectFirst(*document_, path)); });
}

bool clsXMLDocument::NodeWithThisValueExists(std::string_view path, std::string_view value) const {
  return RaiseTrap(Where("NodeWithThisValueExists"))([&] {
    for (const pugi::xml_node& node : xml::SelectAll(*document_, path)) {
      if (xml::NodeText(node) == value) return true;
    }
    return false;
  });
}

pugi::xml_node clsXMLDocument::RetrieveChildNode(pugi::xml_node parent, std::string_view name,
                                                 bool raiseIfMissing) const {
  return RaiseTrap(Where("RetrieveChildNode"))([&] {
    if (!parent) RaiseServerError("Parent Node parameter is uninitialized");
    pugi::xml_node child = xml::SelectFirst(parent, name);
    if (!child) {
      const std::string missing = "Unable to retrieve " + std::string(name) + " child node from parent node: " + parent.name();
      if (raiseIfMissing) RaiseServerError(missing, "clsXMLDocument.RetrieveChildeNode");
      Trace("RetrieveChildNode", missing, kTraceProgress);
    }
    return child;
  });
}

std::string clsXMLDocument::ChildNodeValue(pugi::xml_node parent, std::string_view name) const {
  return RaiseTrap(Where("ChildNodeValue"))([&] {
    if (!parent) RaiseServerError("Parent Node parameter is uninitialized");
    return xml::NodeText(xml::SelectFirst(parent, name));
  });
}

std::string clsXMLDocument::NodeText(pugi::xml_node node) { return xml::NodeText(node); }

// ---- restructuring ----

void clsXMLDocument::RemoveNode(pugi::xml_node parent, pugi::xml_node child) {
  RaiseTrap(Where("RemoveNode"))([&] {
    if (!parent || !child) RaiseServerError("ParentNode or ChildNode uninitialized");
    if (child.parent() != parent) {
      RaiseServerError("<" + std::string(child.name()) + "> is not a child of <" + parent.name() + ">");
    }
    if (Contains(child, root_)) root_ = {};  // the handle would dangle once the node is freed
    parent.remove_child(child);
  });
}

pugi::xml_node clsXMLDocument::ReplaceNode(pugi::xml_node parent, pugi::xml_node oldChild, pugi::xml_node newChild) {
  return RaiseTrap(Where("ReplaceNode"))([&] {
    if (!parent || !oldChild || !newChild) RaiseServerError("ParentNode or OldChildNode or NewChildNode uninitialized");
    if (oldChild.parent() != parent) {
      RaiseServerError("<" + std::string(oldChild.name()) + "> is not a child of <" + parent.name() + ">");
    }
    if (newChild == oldChild) return oldChild;
    // pugixml moves nodes only within one document; clones live in another and are copied in.
    pugi::xml_node placed = newChild.root() == parent.root() ? parent.insert_move_before(newChild, oldChild)
                                                             : parent.insert_copy_before(newChild, oldChild);
    if (!placed) {
      RaiseServerError("Unable to put <" + std::string(newChild.name()) + "> in place of <" + oldChild.name() +
                       "> under parent: <" + parent.name() + ">");
    }
    if (Contains(oldChild, root_)) root_ = {};
    parent.remove_child(oldChild);
    return placed;
  });
}

pugi::xml_node clsXMLDocument::CloneNode(pugi::xml_node node, bool deep) {
  return RaiseTrap(Where("CloneNode"))([&] {
    if (!node) RaiseServerError("Node to clone is uninitialized");
    pugi::xml_node copy = clones_->append_copy(node);
    if (!copy) RaiseServerError("Unable to clone <" + std::string(node.name()) + ">");
    if (!deep) copy.remove_children();  // a shallow copy keeps the attributes only
    return copy;
  });
}

}  // namespace vz
