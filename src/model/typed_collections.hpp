#pragma once
// Two small typed collections a generic request hands back to its client: strings keyed by an
// identifier (response strings, file names) and 32-bit numbers. Items keep insertion order and
// are reached by 1-based position or by key (keys match case-insensitively).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "object/automation_object.hpp"
#include "object/collection.hpp"
#include "object/value.hpp"

namespace vz {

class clsCollectionOfStrings : public AutomationObject<clsCollectionOfStrings> {
 public:
  static constexpr std::string_view kClassName = "clsCollectionOfStrings";
  static void Describe(ClassBuilder<clsCollectionOfStrings>& c);

  // Appends sString under the key sID and returns it ("" after a trapped error, such as a key
  // already in use).
  std::string Add(const std::string& sString, const std::string& sID);
  std::int32_t Count() const { return strings_.Count(); }
  // The string at a position or under a key. An index that is not in the list raises to the
  // caller, its description extended by where the lookup failed.
  std::string Item(const Value& Index) const;
  void Remove(const Value& Index);
  std::vector<std::string> Items() const { return {strings_.begin(), strings_.end()}; }

 private:
  Collection<std::string> strings_;
};

class clsCollectionOfLongs : public AutomationObject<clsCollectionOfLongs> {
 public:
  static constexpr std::string_view kClassName = "clsCollectionOfLongs";
  static void Describe(ClassBuilder<clsCollectionOfLongs>& c);

  // Appends lLong under the key vID (text; Empty adds it without key) and returns it.
  std::int32_t Add(std::int32_t lLong, const Value& vID);
  std::int32_t Count() const { return longs_.Count(); }
  std::int32_t Item(const Value& Index) const;
  void Remove(const Value& Index);
  std::vector<std::int32_t> Items() const { return {longs_.begin(), longs_.end()}; }

 private:
  Collection<std::int32_t> longs_;
};

}  // namespace vz
