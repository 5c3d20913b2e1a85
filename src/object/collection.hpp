#pragma once
// Collection<T>: the ordered, keyed store behind the server's collection classes. Items keep
// insertion order and are addressed by 1-based position or by the key they were added with;
// keys are optional and match case-insensitively. Key lookup is a hash lookup and removal at
// either end takes constant time, so queues of thousands of items stay fast; removal shifts the
// later positions down by one.
//
// Errors, as automation collections raise them: 457 a key already in use (nothing is added),
// 5 an unknown key, 9 a position outside 1..Count, 13 an index that is neither number nor text.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "object/case_fold.hpp"
#include "object/standard_errors.hpp"
#include "object/value.hpp"
#include "object/value_traits.hpp"

namespace vz {

template <class T>
class Collection {
  struct Entry {
    T item;
    std::optional<std::string> key;
  };
  // A queue removes from the front: a deque does that without moving the other entries.
  using Entries = std::deque<std::unique_ptr<Entry>>;

 public:
  // Iterates the items in order.
  template <class EntryIterator, class Item>
  class BasicIterator {
   public:
    using difference_type = std::ptrdiff_t;
    using value_type = T;
    BasicIterator() = default;
    explicit BasicIterator(EntryIterator at) : at_(at) {}
    Item& operator*() const { return (*at_)->item; }
    Item* operator->() const { return &(*at_)->item; }
    BasicIterator& operator++() {
      ++at_;
      return *this;
    }
    BasicIterator operator++(int) { return BasicIterator(at_++); }
    friend bool operator==(const BasicIterator&, const BasicIterator&) = default;

   private:
    EntryIterator at_{};
  };
  using iterator = BasicIterator<typename Entries::iterator, T>;
  using const_iterator = BasicIterator<typename Entries::const_iterator, const T>;

  Collection() = default;
  Collection(Collection&&) noexcept = default;
  Collection& operator=(Collection&&) noexcept = default;

  // Appends `item`, under `key` when one is given.
  T& Add(T item, std::optional<std::string> key = std::nullopt) {
    std::string folded;
    if (key) {
      folded = FoldCase(*key);
      if (byKey_.contains(folded)) RaiseStandardError(kErrDuplicateKey, *key);
    }
    auto entry = std::make_unique<Entry>(Entry{std::move(item), std::move(key)});
    Entry& added = *entry;
    entries_.push_back(std::move(entry));
    if (added.key) {
      try {
        byKey_.emplace(std::move(folded), &added);
      } catch (...) {
        entries_.pop_back();  // a key that cannot be kept adds nothing
        throw;
      }
    }
    return added.item;
  }

  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }

  T& Item(std::int32_t position) { return entries_[Offset(position)]->item; }
  const T& Item(std::int32_t position) const { return entries_[Offset(position)]->item; }
  T& Item(std::string_view key) { return EntryFor(key).item; }
  const T& Item(std::string_view key) const { return EntryFor(key).item; }
  // By an automation index, as a collection class's Item(Index) receives it: text is a key, a
  // number a position.
  T& ItemByIndex(const Value& index) {
    const Value scalar = index.Scalar();
    return IsKey(scalar) ? Item(std::string_view(scalar.String())) : Item(scalar.ToLong());
  }
  const T& ItemByIndex(const Value& index) const { return const_cast<Collection*>(this)->ItemByIndex(index); }

  // The item under `key`, or null; never raises.
  T* Find(std::string_view key) {
    const auto found = byKey_.find(FoldCase(key));
    return found == byKey_.end() ? nullptr : &found->second->item;
  }
  const T* Find(std::string_view key) const { return const_cast<Collection*>(this)->Find(key); }
  bool Contains(std::string_view key) const { return Find(key) != nullptr; }

  // The key the item at `position` was added with, if any.
  const std::optional<std::string>& KeyAt(std::int32_t position) const { return entries_[Offset(position)]->key; }

  void Remove(std::int32_t position) { Erase(entries_.begin() + static_cast<std::ptrdiff_t>(Offset(position))); }
  void Remove(std::string_view key) {
    const Entry* entry = &EntryFor(key);
    for (auto at = entries_.begin(); at != entries_.end(); ++at) {
      if (at->get() == entry) return Erase(at);
    }
  }
  void RemoveByIndex(const Value& index) {
    const Value scalar = index.Scalar();
    IsKey(scalar) ? Remove(std::string_view(scalar.String())) : Remove(scalar.ToLong());
  }

  void Clear() {
    byKey_.clear();
    entries_.clear();
  }

  iterator begin() { return iterator(entries_.begin()); }
  iterator end() { return iterator(entries_.end()); }
  const_iterator begin() const { return const_iterator(entries_.begin()); }
  const_iterator end() const { return const_iterator(entries_.end()); }

  // The items as an automation array, for a class's NewEnum.
  std::vector<Value> Values() const {
    std::vector<Value> values;
    values.reserve(entries_.size());
    for (const T& item : *this) values.push_back(ToValue(item));
    return values;
  }

 private:
  // Text is a key, a number a position; an object stands for its default value.
  static bool IsKey(const Value& index) {
    if (index.GetType() == Value::Type::String) return true;
    if (index.IsNumeric()) return false;
    if (index.IsEmpty() || index.IsMissing()) RaiseStandardError(kErrInvalidProcedureCall);
    RaiseStandardError(kErrTypeMismatch);
  }

  std::size_t Offset(std::int32_t position) const {
    if (position < 1 || position > Count()) RaiseStandardError(kErrSubscriptOutOfRange, std::to_string(position));
    return static_cast<std::size_t>(position - 1);
  }

  Entry& EntryFor(std::string_view key) const {
    const auto found = byKey_.find(FoldCase(key));
    if (found == byKey_.end()) RaiseStandardError(kErrInvalidProcedureCall, std::string(key));
    return *found->second;
  }

  void Erase(typename Entries::iterator at) {
    if ((*at)->key) byKey_.erase(FoldCase(*(*at)->key));
    entries_.erase(at);
  }

  Entries entries_;
  std::unordered_map<std::string, Entry*> byKey_;  // folded key -> entry
};

}  // namespace vz
