#pragma once
// The uniform description of an automation class: its name, its members in interface order and
// the invokers through which a generic dispatcher reads, writes and calls them. Built once per
// class by a ClassBuilder (class_builder.hpp) and never changed afterwards.
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "object/value.hpp"

namespace vz {

enum class MemberKind { Property, Operation, Event };

std::string_view MemberKindName(MemberKind kind);  // "property", "operation", "event"

struct ArgumentInfo {
  std::string name;
  bool byRef = false;     // the callee may change it; callers get the final value back
  bool optional = false;  // may be left out (only at the end, or passed as Value::Missing())
};

struct MemberInfo {
  // Reads a property or calls an operation. By-reference arguments are written back into `args`.
  using Invoker = std::function<Value(Object& self, std::span<Value> args)>;
  // Writes a property: `args` are the property's arguments followed by the new value.
  using Assigner = std::function<void(Object& self, std::span<Value> args)>;

  std::string name;
  MemberKind kind = MemberKind::Property;
  // Arguments of an operation or event, or of a property that takes arguments (without the value).
  std::vector<ArgumentInfo> arguments;
  bool readable = false;      // property: has a read; operation: returns a value
  bool writable = false;      // property: has a write (or assign, for objects)
  bool isDefault = false;     // the member used when an object is read as a plain value
  bool isEnumerator = false;  // the class's NewEnum: yields the items of a collection in order
  Invoker invoke;             // property read or operation call; empty for write-only and events
  Assigner assign;            // property write; empty otherwise

  std::size_t RequiredArgumentCount() const;
};

class ClassInfo {
 public:
  using Factory = std::function<ObjectRef()>;

  ClassInfo(std::string name, std::vector<MemberInfo> members, Factory factory);
  ClassInfo(ClassInfo&&) = default;
  ClassInfo(const ClassInfo&) = delete;
  ClassInfo& operator=(const ClassInfo&) = delete;

  const std::string& Name() const { return name_; }
  // Every member, events included, in interface order.
  std::span<const MemberInfo> Members() const { return members_; }

  // A property or operation by name, case-insensitively; null when there is none.
  const MemberInfo* FindMember(std::string_view name) const;
  // An event by name, case-insensitively; null when there is none.
  const MemberInfo* FindEvent(std::string_view name) const;
  const MemberInfo* DefaultMember() const { return defaultMember_; }
  const MemberInfo* Enumerator() const { return enumerator_; }
  bool HasEvents() const { return !events_.empty(); }

  bool Creatable() const { return static_cast<bool>(factory_); }
  // A new object of this class; error 429 when the class is not creatable.
  ObjectRef Create() const;

 private:
  std::string name_;
  std::vector<MemberInfo> members_;
  Factory factory_;
  std::unordered_map<std::string, const MemberInfo*> callables_;  // folded name -> property or operation
  std::unordered_map<std::string, const MemberInfo*> events_;     // folded name -> event
  const MemberInfo* defaultMember_ = nullptr;
  const MemberInfo* enumerator_ = nullptr;
};

}  // namespace vz
