#pragma once
// A class member as one line, for tests that hold a class's description against its interface:
// the name, then "r", "w" or "rw" for a property, "op" for an operation, "ev" for an event; then
// its arguments in parentheses ([optional], &by-reference) when it has some and they are wanted;
// then " default" and " enum" for the default member and the enumerator.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "object/class_info.hpp"
#include "object/class_registry.hpp"
#include "object/dispatch.hpp"

namespace vz::testing {

inline std::string MemberLine(const MemberInfo& member, bool withArguments = true) {
  std::string line = member.name;
  switch (member.kind) {
    case MemberKind::Property: line += std::string(" ") + (member.readable ? "r" : "") + (member.writable ? "w" : ""); break;
    case MemberKind::Operation: line += " op"; break;
    case MemberKind::Event: line += " ev"; break;
  }
  if (withArguments && !member.arguments.empty()) {
    line += " (";
    for (std::size_t i = 0; i < member.arguments.size(); ++i) {
      const ArgumentInfo& argument = member.arguments[i];
      line += (i > 0 ? ", " : "") + std::string(argument.byRef ? "&" : "") +
              (argument.optional ? "[" + argument.name + "]" : argument.name);
    }
    line += ")";
  }
  if (member.isDefault) line += " default";
  if (member.isEnumerator) line += " enum";
  return line;
}

inline std::vector<std::string> MemberLines(const ClassInfo& info, bool withArguments = true) {
  std::vector<std::string> lines;
  for (const MemberInfo& member : info.Members()) lines.push_back(MemberLine(member, withArguments));
  return lines;
}

// A class as its interface says it is: whether clients may create it, and its member lines.
struct ExpectedClass {
  bool creatable;
  std::vector<std::string> members;
};
using ExpectedInterface = std::map<std::string, ExpectedClass>;

// Holds every class named in `expected` against its description in `registry`.
inline void ExpectDescribedAsIn(const ExpectedInterface& expected, ClassRegistry& registry) {
  for (const auto& [name, wanted] : expected) {
    const ClassInfo& info = dispatch::Describe(name, registry);
    EXPECT_EQ(MemberLines(info), wanted.members) << name;
    EXPECT_EQ(info.Creatable(), wanted.creatable) << name;
  }
}

}  // namespace vz::testing
