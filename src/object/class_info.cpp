#include "object/class_info.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "object/case_fold.hpp"
#include "object/standard_errors.hpp"

namespace vz {

std::string_view MemberKindName(MemberKind kind) {
  switch (kind) {
    case MemberKind::Property: return "property";
    case MemberKind::Operation: return "operation";
    case MemberKind::Event: return "event";
  }
  return "?";
}

std::size_t MemberInfo::RequiredArgumentCount() const {
  return static_cast<std::size_t>(
      std::count_if(arguments.begin(), arguments.end(), [](const ArgumentInfo& a) { return !a.optional; }));
}

ClassInfo::ClassInfo(std::string name, std::vector<MemberInfo> members, Factory factory)
    : name_(std::move(name)), members_(std::move(members)), factory_(std::move(factory)) {
  // The vector is final here, so pointers into it stay valid (a moved ClassInfo keeps its buffer).
  for (const MemberInfo& member : members_) {
    auto& index = member.kind == MemberKind::Event ? events_ : callables_;
    if (!index.emplace(FoldCase(member.name), &member).second) {
      throw std::logic_error(name_ + " describes the member " + member.name + " twice");
    }
    if (member.isDefault) {
      if (defaultMember_) throw std::logic_error(name_ + " has two default members");
      defaultMember_ = &member;
    }
    if (member.isEnumerator) {
      if (enumerator_) throw std::logic_error(name_ + " has two enumerators");
      enumerator_ = &member;
    }
  }
}

const MemberInfo* ClassInfo::FindMember(std::string_view name) const {
  const auto found = callables_.find(FoldCase(name));
  return found == callables_.end() ? nullptr : found->second;
}

const MemberInfo* ClassInfo::FindEvent(std::string_view name) const {
  const auto found = events_.find(FoldCase(name));
  return found == events_.end() ? nullptr : found->second;
}

ObjectRef ClassInfo::Create() const {
  if (!factory_) RaiseStandardError(kErrCannotCreateObject, name_);
  return factory_();
}

}  // namespace vz
