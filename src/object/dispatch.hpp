#pragma once
// Generic dispatch: reading, writing and calling the members of any automation object by name,
// the way an automation client does, through its class description. Names match
// case-insensitively; an empty name means the default member.
//
// Errors: 438 unknown member; 13 an argument or value of the wrong type; 6 a number out of range;
// 449 a required argument left out; 450 too many arguments or a write to an operation; 383 a
// write to a read-only property; 394 a read of a write-only property. Errors the member itself
// raises pass through unchanged.
#include <span>
#include <string_view>
#include <vector>

#include "object/class_info.hpp"
#include "object/class_registry.hpp"
#include "object/object.hpp"
#include "object/value.hpp"

namespace vz::dispatch {

// A property's value, or the value an operation returns (Empty for one that returns nothing).
Value Get(Object& object, std::string_view member, std::span<const Value> args = {});

// Writes (or, for objects, assigns) a property.
void Set(Object& object, std::string_view member, const Value& value, std::span<const Value> args = {});

// Calls an operation (or reads a property); by-reference arguments are updated in `args`.
Value Call(Object& object, std::string_view member, std::span<Value> args);

// The object read as a plain value, through its default member (438 when it has none).
Value GetDefault(Object& object);

// The items of a collection in order, from the class's NewEnum (438 when it has none).
std::vector<Value> Enumerate(Object& object);

// A registered class's description; 429 when no class of that name is registered.
const ClassInfo& Describe(std::string_view className, const ClassRegistry& registry = ClassRegistry::Global());

// A new object of a registered, creatable class; 429 when there is none.
ObjectRef Create(std::string_view className, const ClassRegistry& registry = ClassRegistry::Global());

}  // namespace vz::dispatch
