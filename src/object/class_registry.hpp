#pragma once
// The public classes by name, for creating and describing them on a client's request. Each layer
// registers its classes explicitly at start-up (a static library drops self-registering objects
// nobody references, so registration is a call, not a side effect of linking).
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "object/class_info.hpp"

namespace vz {

class ClassRegistry {
 public:
  // The registry the automation layer serves.
  static ClassRegistry& Global();

  // Registers `info`, which must outlive the registry (class descriptions are static). A second
  // class under the same name is a programming error (std::logic_error); the same one is ignored.
  void Add(const ClassInfo& info);
  template <class C>
  void Add() {
    Add(C::Info());
  }

  // By name, case-insensitively; null when unknown.
  const ClassInfo* Find(std::string_view name) const;
  // In registration order.
  const std::vector<const ClassInfo*>& Classes() const { return ordered_; }

 private:
  std::unordered_map<std::string, const ClassInfo*> byName_;
  std::vector<const ClassInfo*> ordered_;
};

}  // namespace vz
