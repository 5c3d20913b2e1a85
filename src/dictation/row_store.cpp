#include "dictation/row_store.hpp"

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

}  // namespace

RowStore::RowStore() : document_(std::make_shared<pugi::xml_document>()) {}

RowStore::~RowStore() { Release(); }

void RowStore::Release() {
  // A shared answer keeps living for the other records: give this row's nodes back to it.
  if (shared_ && row_ && row_.parent()) row_.parent().remove_child(row_);
  row_ = {};
  shared_ = false;
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
  if (!row_) return {};
  return WithName(name, [&](const char* n) { return row_.child(n); });
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
  xml::SetNodeText(child, value);
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
