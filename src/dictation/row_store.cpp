#include "dictation/row_store.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "diagnostics/automation_error.hpp"
#include "xml/indented_layout.hpp"
#include "xml/node_access.hpp"

namespace vz::dictation {
namespace {

// pugixml's name lookup wants a terminated string; names are short, so no allocation.
template <class F>
auto WithName(std::string_view name, F&& f) {
  char buffer[128];
  if (name.size() < sizeof buffer) {
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    return f(static_cast<const char*>(buffer));
  }
  const std::string copy(name);
  return f(copy.c_str());
}

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

// The element's text becomes `text` (no child when empty), reusing a lone text node.
void SetText(pugi::xml_node element, std::string_view text) {
  pugi::xml_node first = element.first_child();
  if (text.empty() || !first || first.next_sibling() || first.type() != pugi::node_pcdata) {
    element.remove_children();
    if (text.empty()) return;
    first = element.append_child(pugi::node_pcdata);
  }
  first.set_value(text.data(), text.size());
}

// Names are short identifiers, told apart well enough by their length and their first and last
// four bytes; the index compares the names themselves anyway.
inline std::uint32_t NameHash(std::string_view name) {
  std::uint32_t head = 0;
  std::uint32_t tail = 0;
  if (name.size() >= 4) {
    std::memcpy(&head, name.data(), 4);
    std::memcpy(&tail, name.data() + name.size() - 4, 4);
  } else {
    std::memcpy(&head, name.data(), name.size());
  }
  const std::uint64_t mixed = ((std::uint64_t{head} << 32 | tail) ^ name.size()) * 0x9E3779B97F4A7C15u;
  return static_cast<std::uint32_t>(mixed >> 32);
}

}  // namespace

RowStore::RowStore() : document_(std::make_shared<pugi::xml_document>()) {}

RowStore::~RowStore() { Release(); }

void RowStore::Release() {
  row_ = {};
  shared_ = false;
  RowChildrenChanged();
}

void RowStore::SetRow(pugi::xml_node row) {
  row_ = row;
  RowChildrenChanged();
}

void RowStore::RowChildrenChanged() {
  slots_.clear();
  slots_.shrink_to_fit();
  indexed_ = 0;
  lastIndexed_ = {};
}

pugi::xml_node RowStore::FindIndexed(std::string_view name, std::uint32_t hash) const {
  if (slots_.empty()) return {};
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (slot.node == nullptr) return {};
    if (slot.hash == hash && slot.length == name.size()) {
      const pugi::xml_node candidate(slot.node);
      if (std::memcmp(candidate.name(), name.data(), name.size()) == 0) return candidate;
    }
  }
}

void RowStore::Insert(pugi::xml_node_struct* child, std::string_view name, std::uint32_t hash) const {
  if ((indexed_ + 1) * 2 > slots_.size()) {
    // Room for a row's usual fifty children and the properties added to it, without growing.
    std::vector<Slot> old(std::max<std::size_t>(128, slots_.size() * 2));
    old.swap(slots_);
    indexed_ = 0;
    for (const Slot& kept : old) {
      if (kept.node != nullptr) Insert(kept.node, std::string_view(pugi::xml_node(kept.node).name(), kept.length), kept.hash);
    }
  }
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (slot.node == nullptr) {
      slot = {child, hash, static_cast<std::uint32_t>(name.size())};
      ++indexed_;
      return;
    }
    if (slot.hash == hash && slot.length == name.size() &&
        std::memcmp(pugi::xml_node(slot.node).name(), name.data(), name.size()) == 0) {
      return;  // a later child of a name already indexed
    }
  }
}

bool RowStore::IndexNewChildren() const {
  pugi::xml_node next = lastIndexed_ ? lastIndexed_.next_sibling() : row_.first_child();
  if (!next) return false;
  for (; next; next = next.next_sibling()) {
    lastIndexed_ = next;
    const std::string_view name = next.name();
    if (!name.empty()) Insert(next.internal_object(), name, NameHash(name));
  }
  return true;
}

void RowStore::Reset() {
  Release();
  document_ = std::make_shared<pugi::xml_document>();
}

pugi::xml_node RowStore::EnsureRow() {
  if (row_) return row_;
  Reset();
  if (!document_->load_string("<Row></Row>")) RaiseServerError("Bad xml in loadXML of SetupRowNodeFromScratch");
  row_ = document_->document_element();
  return row_;
}

pugi::xml_node RowStore::Child(std::string_view name) const {
  name = UpToNul(name);  // as pugixml sees a name
  if (!row_ || name.empty()) return {};
  const std::uint32_t hash = NameHash(name);
  if (const pugi::xml_node found = FindIndexed(name, hash)) return found;
  return IndexNewChildren() ? FindIndexed(name, hash) : pugi::xml_node();
}

std::string RowStore::Read(std::string_view name) const {
  const pugi::xml_node child = Child(name);
  if (!child) return {};
  std::string text;
  // The common case, one text node, without walking.
  const pugi::xml_node first = child.first_child();
  if (first && !first.next_sibling() && first.type() == pugi::node_pcdata) {
    text = first.value();
  } else {
    text = xml::NodeText(child);
  }
  if (text == "null") text.clear();
  return text;
}

bool RowStore::Assign(std::string_view name, std::string_view value) {
  pugi::xml_node row = EnsureRow();
  pugi::xml_node child = Child(name);
  const bool existed = !child.empty();
  if (!existed) {
    if (!xml::IsValidElementName(name)) {
      RaiseServerError("Cannot store the property <" + std::string(name) + ">: not a valid element name");
    }
    child = WithName(name, [&](const char* n) { return row.append_child(n); });
  }
  SetText(child, UpToNul(value));
  return existed;
}

std::optional<xml::ParseFailure> RowStore::Load(std::string_view text) {
  auto loaded = std::make_shared<pugi::xml_document>();
  if (auto failure = xml::ParseBuffer(*loaded, text, pugi::encoding_auto)) return failure;
  Release();
  document_ = std::move(loaded);
  return std::nullopt;
}

void RowStore::Adopt(std::shared_ptr<pugi::xml_document> answer, pugi::xml_node row) {
  Release();
  document_ = std::move(answer);
  row_ = row;
  shared_ = true;
}

std::string RowStore::Serialise() const {
  std::string out;
  if (shared_) {
    xml::AppendNodeMarkup(out, row_);
  } else {
    for (pugi::xml_node node = document_->first_child(); node; node = node.next_sibling()) {
      xml::AppendNodeMarkup(out, node);
    }
  }
  return out;
}

}  // namespace vz::dictation
