#include "object/class_builder.hpp"

namespace vz {

void ClassDescription::Add(MemberInfo member, std::size_t namesGiven, std::size_t parameters) {
  const std::string where = className_ + "." + member.name;
  if (member.name.empty()) throw std::logic_error(className_ + ": a member without a name");
  if (namesGiven != parameters) {
    throw std::logic_error(where + ": " + std::to_string(namesGiven) + " argument names for " +
                           std::to_string(parameters) + " parameters");
  }
  bool optionalSeen = false;
  for (const ArgumentInfo& argument : member.arguments) {
    if (argument.name.empty()) throw std::logic_error(where + ": an argument without a name");
    if (optionalSeen && !argument.optional) {
      throw std::logic_error(where + ": the required argument " + argument.name + " follows an optional one");
    }
    optionalSeen = optionalSeen || argument.optional;
  }
  members_.push_back(std::move(member));
}

void ClassDescription::MarkLastDefault() {
  if (members_.empty() || members_.back().kind == MemberKind::Event) {
    throw std::logic_error(className_ + ": Default() must follow a property or operation");
  }
  members_.back().isDefault = true;
}

void ClassDescription::MarkLastEnumerator() { members_.back().isEnumerator = true; }

ClassInfo ClassDescription::Build() { return ClassInfo(className_, std::move(members_), std::move(factory_)); }

}  // namespace vz
