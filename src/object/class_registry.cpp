#include "object/class_registry.hpp"

#include <stdexcept>

#include "object/case_fold.hpp"

namespace vz {

ClassRegistry& ClassRegistry::Global() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::Add(const ClassInfo& info) {
  const auto [found, added] = byName_.emplace(FoldCase(info.Name()), &info);
  if (added) {
    ordered_.push_back(&info);
  } else if (found->second != &info) {
    throw std::logic_error("two classes are registered as " + info.Name());
  }
}

const ClassInfo* ClassRegistry::Find(std::string_view name) const {
  const auto found = byName_.find(FoldCase(name));
  return found == byName_.end() ? nullptr : found->second;
}

}  // namespace vz
