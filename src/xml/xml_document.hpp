#pragma once
// clsXMLDocument: the server's holder of one XML document. It loads a document from a file or
// from text in memory, finds and adds nodes by slash-separated paths ("InfoResponse/Row"),
// reads and writes "properties" (children of the root holding one text each) and writes the
// document back in the indented layout of indented_layout.hpp.
//
// Paths given to RetrieveNode, RetrieveNodeList, NodeExists, NodeWithThisValueExists, AddNode and
// AddChild are evaluated from the document; property names and GetDownloadNames from the root
// node; RetrieveChildNode, AppendChildFromParent and ChildNodeValue from the node passed in.
//
// Every operation passes an error up with "Raised at line N in in ZERUredoz.clsXMLDocument.Op."
// appended to its description. Nodes are pugixml handles into the held document: a load replaces
// the document's content, after which handles to the old content must not be used.
#include <pugixml.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vz {

class clsXMLDocument {
 public:
  clsXMLDocument();
  ~clsXMLDocument();
  clsXMLDocument(const clsXMLDocument&) = delete;
  clsXMLDocument& operator=(const clsXMLDocument&) = delete;

  // The asynchronous-load switch. Only stored: loads read the whole text first and parse it at
  // once, so every load is complete when it returns, whatever the switch says.
  bool Asynch() const { return asynch_; }
  void Asynch(bool on) { asynch_ = on; }

  // The file WriteObjectToConfigFile writes when given no name; also set by Init and every load
  // from a file (a failed one included).
  const std::string& ConfigFile() const { return config_file_; }
  void ConfigFile(std::string path) { config_file_ = std::move(path); }

  // True when the flag is set or the trace level is 5 or more: loads and writes are then traced
  // in full and every written file is parsed again as a check.
  bool TraceFlushes() const;
  void TraceFlushes(bool on) { trace_flushes_ = on; }

  // The element under which properties live, and its name; empty until a load or
  // SetupRootNodeFromScratch succeeds.
  pugi::xml_node RootNode() const { return root_; }
  const std::string& RootName() const { return root_name_; }
  pugi::xml_document& Document() { return *document_; }

  // Loading. A failure raises -1 "Error <code> loading <path>: " (or "loading XML from memory: ")
  // CR LF reason CR LF "at line: L, at position: P" and leaves the held document as it was.
  void LoadXMLFromMemory(std::string_view xml);
  void ReadConfigFileToObject(const std::string& path);
  // Parses `path` without touching the held document; raises the load error when it fails.
  void TryLoadXML(const std::string& path) const;

  // Writing. An empty `path` means ConfigFile(); with neither, only a trace. The file is replaced
  // atomically.
  void WriteObjectToConfigFile(const std::string& path = {});
  // The root's markup on one line, without declaration, to ConfigFile().
  void QuickFlush();

  // Binds to `file` (read when it exists and is not hidden) and makes sure a root `rootName` exists.
  void Init(const std::string& file, std::string_view rootName);
  // Selects `name` from the document as the root; when nothing matches, the document is replaced
  // by an empty element `name`.
  void SetupRootNodeFromScratch(std::string_view name);

  // Properties: children of the root holding one text. "null" reads as empty. Assigning creates
  // the child when missing and rewrites ConfigFile() when one is set.
  std::string sfnRetrievePropertyValue(std::string_view name) const;
  void AssignPropertyValue(std::string_view name, std::string_view value);
  // Texts of the root's "DownLoads/fileName" elements; `count` receives their number.
  std::vector<std::string> GetDownloadNames(long& count) const;

  // Adding nodes. AddNode creates missing ancestors of `parentPath` (whose first piece must exist);
  // an empty parent path makes `name` the new root instead and returns an empty node.
  pugi::xml_node AddNode(std::string_view parentPath, std::string_view name, std::string_view value);
  pugi::xml_node AddChild(std::string_view parentPath, std::string_view name, std::string_view value);
  // Appends `name` under `parent`; with `reuseExisting` an existing child of that name is moved to
  // the end (and given the value when not empty) instead of creating another.
  pugi::xml_node AppendChildFromParent(pugi::xml_node parent, std::string_view name, std::string_view value,
                                       bool reuseExisting);

  // Finding nodes.
  pugi::xml_node RetrieveNode(std::string_view path) const;
  std::vector<pugi::xml_node> RetrieveNodeList(std::string_view path) const;
  bool NodeExists(std::string_view path) const;
  // True when a node at `path` has exactly `value` as its text (case-sensitive).
  bool NodeWithThisValueExists(std::string_view path, std::string_view value) const;
  pugi::xml_node RetrieveChildNode(pugi::xml_node parent, std::string_view name, bool raiseIfMissing) const;
  std::string ChildNodeValue(pugi::xml_node parent, std::string_view name) const;
  // All descendant text concatenated; empty for an empty node.
  static std::string NodeText(pugi::xml_node node);

  // Restructuring.
  void RemoveNode(pugi::xml_node parent, pugi::xml_node child);
  // Puts `newChild` in `oldChild`'s place and returns the node now in the tree: `newChild` itself
  // when it belongs to this document, otherwise (a clone) a copy of it.
  pugi::xml_node ReplaceNode(pugi::xml_node parent, pugi::xml_node oldChild, pugi::xml_node newChild);
  // A detached copy (with its subtree when `deep`), to be placed with ReplaceNode.
  pugi::xml_node CloneNode(pugi::xml_node node, bool deep);

  // Displays. CurrentXMLDisplay is pugixml's serialisation of the whole document. The formatters
  // put CR LF in front of every node; an indent below 1 means no blanks.
  std::string CurrentXMLDisplay() const;
  std::string sfnFormattedXML(const std::vector<pugi::xml_node>& nodes, int indent, bool indentChildren) const;
  std::string sfnFormattedDocument(int indent, bool indentChildren, bool declaration) const;

 private:
  void LoadXML(bool fromMemory, std::string_view pathOrText);
  void AdoptLoaded(std::unique_ptr<pugi::xml_document> loaded);

  std::string config_file_;
  std::unique_ptr<pugi::xml_document> document_;
  // Holds CloneNode's copies: pugixml nodes always live in some document.
  std::unique_ptr<pugi::xml_document> clones_;
  pugi::xml_node root_;
  std::string root_name_;
  bool trace_flushes_ = false;
  bool asynch_ = false;
};

// "Error " + code + " loading " + what + ": " CR LF reason CR LF "at line: " L ", at position: " P.
std::string FormatLoadError(long code, std::string_view what, std::string_view reason, long line, long position);

}  // namespace vz
