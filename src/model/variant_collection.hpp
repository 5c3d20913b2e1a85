#pragma once
// A plain collection of variants, the kind an automation client knows as "Collection": what a
// generic request hands back as ResponseCodes and ErrorMessages. Items keep insertion order and
// are reached by 1-based position or by an optional key. It has no error trap: a bad index or a
// key already in use raises to the caller, as the automation runtime's own collection does.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "object/automation_object.hpp"
#include "object/collection.hpp"
#include "object/value.hpp"

namespace vz {

class VariantCollection : public AutomationObject<VariantCollection> {
 public:
  static constexpr std::string_view kClassName = "Collection";
  static void Describe(ClassBuilder<VariantCollection>& c);

  void Add(Value Item, std::optional<std::string> Key = std::nullopt) { items_.Add(std::move(Item), std::move(Key)); }
  std::int32_t Count() const { return items_.Count(); }
  Value Item(const Value& Index) const { return items_.ItemByIndex(Index); }
  void Remove(const Value& Index) { items_.RemoveByIndex(Index); }
  std::vector<Value> Items() const { return {items_.begin(), items_.end()}; }

 private:
  Collection<Value> items_;
};

}  // namespace vz
