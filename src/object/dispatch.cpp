#include "object/dispatch.hpp"

#include <string>

#include "object/standard_errors.hpp"

namespace vz::dispatch {

namespace {

const MemberInfo& Resolve(Object& object, std::string_view name) {
  const ClassInfo& info = object.Class();
  const MemberInfo* member = name.empty() ? info.DefaultMember() : info.FindMember(name);
  if (!member) RaiseStandardError(kErrMemberNotFound, info.Name() + "." + std::string(name));
  return *member;
}

std::string Where(Object& object, const MemberInfo& member) { return object.Class().Name() + "." + member.name; }

// Reads or calls `member`; `args` receive by-reference results.
Value Invoke(Object& object, const MemberInfo& member, std::span<Value> args) {
  if (!member.invoke) RaiseStandardError(kErrWriteOnlyProperty, Where(object, member));
  return member.invoke(object, args);
}

}  // namespace

Value Get(Object& object, std::string_view name, std::span<const Value> args) {
  std::vector<Value> copy(args.begin(), args.end());
  return Invoke(object, Resolve(object, name), copy);
}

void Set(Object& object, std::string_view name, const Value& value, std::span<const Value> args) {
  const MemberInfo& member = Resolve(object, name);
  if (member.kind != MemberKind::Property) RaiseStandardError(kErrWrongArgumentCount, Where(object, member));
  if (!member.assign) RaiseStandardError(kErrReadOnlyProperty, Where(object, member));
  // The value is never optional: a short argument list must not let it slide into an argument.
  if (args.size() > member.arguments.size()) RaiseStandardError(kErrWrongArgumentCount, Where(object, member));
  std::vector<Value> all(args.begin(), args.end());
  all.resize(member.arguments.size(), Value::Missing());
  all.push_back(value);
  member.assign(object, all);
}

Value Call(Object& object, std::string_view name, std::span<Value> args) {
  return Invoke(object, Resolve(object, name), args);
}

Value GetDefault(Object& object) { return Get(object, {}); }

namespace {
// Values converted anywhere in a program that dispatches read an object's default property here.
const bool kDefaultPropertyReaderInstalled = [] {
  SetDefaultPropertyReader(GetDefault);
  return true;
}();
}  // namespace

std::vector<Value> Enumerate(Object& object) {
  const MemberInfo* enumerator = object.Class().Enumerator();
  if (!enumerator) RaiseStandardError(kErrMemberNotFound, object.Class().Name() + ".NewEnum");
  Value items = enumerator->invoke(object, {});
  return items.ToArray();
}

const ClassInfo& Describe(std::string_view className, const ClassRegistry& registry) {
  const ClassInfo* info = registry.Find(className);
  if (!info) RaiseStandardError(kErrCannotCreateObject, std::string(className));
  return *info;
}

ObjectRef Create(std::string_view className, const ClassRegistry& registry) {
  return Describe(className, registry).Create();
}

}  // namespace vz::dispatch
