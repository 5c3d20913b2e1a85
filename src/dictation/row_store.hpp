#pragma once
// The property store of one dictation record: an XML document and its "Row" element, whose
// child elements hold the record's stored properties as text.
//
// A record normally owns its document. Records extracted from one work-queue answer instead
// share the parsed answer: each holds its own "Row" element of that document. This keeps an
// extracted record to its row's nodes and text (a pugixml document of its own costs a 32 KiB
// page) and spares re-parsing each row. A shared row stays in the answer when its record goes
// (pugixml gives memory back by whole pages only, so removing rows one by one returned little
// and cost as much as extracting them); the answer goes with the last of its records. A record
// that loads a file or another answer gets a document of its own again.
//
// Properties are read and written by name dozens of times per record, and a row has some fifty
// children, so the row's children are indexed by name (the first child of each name, as
// pugixml's child() finds it). The index is built on the first lookup and follows children
// appended to the row afterwards, by Assign or through Row(). Code that removes, renames or
// inserts children of the row other than at its end calls RowChildrenChanged().
#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xml/parse_failure.hpp"

namespace vz::dictation {

class RowStore {
 public:
  RowStore();
  ~RowStore();
  RowStore(const RowStore&) = delete;
  RowStore& operator=(const RowStore&) = delete;

  // The "Row" element (or the work-queue item standing for it); empty when there is none.
  pugi::xml_node Row() const { return row_; }
  bool HasRow() const { return !row_.empty(); }
  // The row, created from scratch when there is none (the document is replaced by "<Row></Row>").
  pugi::xml_node EnsureRow();

  // The text of the row's first child `name`; "null", a missing child and a missing row read as
  // empty.
  std::string Read(std::string_view name) const;
  // The child `name`, or an empty node.
  pugi::xml_node Child(std::string_view name) const;
  // Replaces the text of the child `name`, appending the child when absent. Returns whether the
  // child already existed (callers trace replacements only).
  bool Assign(std::string_view name, std::string_view value);

  // Replaces the store by the document parsed from `text` (its row is not chosen here); on a
  // parse failure the store is left as it was.
  std::optional<xml::ParseFailure> Load(std::string_view text);
  // Uses `row` of a shared answer document as this record's row.
  void Adopt(std::shared_ptr<pugi::xml_document> answer, pugi::xml_node row);
  // Chooses the row within the loaded document.
  void SetRow(pugi::xml_node row);
  // A new, empty document without row.
  void Reset();
  // Forgets the index of the row's children, after a change other than appending.
  void RowChildrenChanged();

  const pugi::xml_document& Document() const { return *document_; }
  // What the record shows as its whole property document: its own document, or its row when the
  // document is a shared answer.
  std::string Serialise() const;

 private:
  void Release();
  // An indexed child with its name's hash and length, which settle almost every comparison
  // without asking pugixml for the name.
  struct Slot {
    pugi::xml_node_struct* node = nullptr;
    std::uint32_t hash = 0;
    std::uint32_t length = 0;
  };
  // The indexed child named `name` (hash `hash`), or an empty node.
  pugi::xml_node FindIndexed(std::string_view name, std::uint32_t hash) const;
  // Indexes the children appended since the last call; false when there were none.
  bool IndexNewChildren() const;
  void Insert(pugi::xml_node_struct* child, std::string_view name, std::uint32_t hash) const;

  std::shared_ptr<pugi::xml_document> document_;
  pugi::xml_node row_;
  bool shared_ = false;
  // The first child of each name, by open addressing on the name's hash (a power of two of
  // slots, at most half of them used); complete up to `lastIndexed_`.
  mutable std::vector<Slot> slots_;
  mutable std::size_t indexed_ = 0;
  mutable pugi::xml_node lastIndexed_;
};

}  // namespace vz::dictation
