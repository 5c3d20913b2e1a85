// Every class vzed registers, as its `describe` answers it, held against a checked-in text
// (golden/class_descriptions.txt): a member added, dropped, renamed, moved, or given other
// arguments, access or default shows as a diff of that file.
//
// After a deliberate change to a class's interface, regenerate the file and review its diff:
//   VZ_UPDATE_GOLDEN=1 ctest --preset dev -R class_descriptions_tests
// (or run build/dev/tests/programs/class_descriptions_tests with VZ_UPDATE_GOLDEN=1).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "object/class_registry.hpp"
#include "server/register_server_classes.hpp"
#include "vzed_process.hpp"

namespace vz::testing {
namespace {

using vze::Json;

const std::filesystem::path kGolden = std::filesystem::path(VZ_SOURCE_DIR) / "tests/programs/golden/class_descriptions.txt";

// "name, &byRef, [optional]" from a member's argument lists.
std::string Arguments(const Json& member) {
  const auto listed = [&](const char* key, const Json& name) {
    if (!member.contains(key)) return false;
    for (const Json& entry : member[key]) {
      if (entry == name) return true;
    }
    return false;
  };
  std::string text;
  for (const Json& name : member.at("arguments")) {
    if (!text.empty()) text += ", ";
    const std::string plain = name.get<std::string>();
    text += (listed("byRef", name) ? "&" : "") + (listed("optional", name) ? "[" + plain + "]" : plain);
  }
  return text;
}

// One line a member: name, kind, access, arguments, default, then any field this rendering does
// not know yet, so that nothing the protocol adds goes unseen.
std::string MemberLine(const Json& member) {
  std::string line = "  " + member.at("name").get<std::string>() + " " + member.at("kind").get<std::string>();
  const bool read = member.at("read").get<bool>();
  const bool write = member.at("write").get<bool>();
  line += std::string(" ") + (read ? "r" : "") + (write ? "w" : "") + (read || write ? "" : "-");
  if (!member.at("arguments").empty()) line += " (" + Arguments(member) + ")";
  if (member.value("default", false)) line += " default";
  for (const auto& [key, value] : member.items()) {
    static const std::set<std::string> rendered = {"name", "kind", "read", "write", "arguments", "byRef", "optional", "default"};
    if (!rendered.contains(key)) line += " " + key + "=" + value.dump();
  }
  return line + "\n";
}

std::string Rendered(const Json& described) {
  std::string text = described.at("class").get<std::string>() + (described.at("creatable").get<bool>() ? " creatable" : "") + "\n";
  for (const Json& member : described.at("members")) text += MemberLine(member);
  return text;
}

TEST(ClassDescriptions, EveryRegisteredClassIsDescribedAsTheGoldenTextSays) {
  ClassRegistry registry;
  RegisterServerClasses(registry);
  VzedProcess vzed;
  vze::RpcClient rpc = vzed.Client();
  std::string actual;
  for (const ClassInfo* info : registry.Classes()) actual += Rendered(rpc.Call("describe", {{"class", info->Name()}})) + "\n";

  if (const char* update = std::getenv("VZ_UPDATE_GOLDEN"); update != nullptr && std::string(update) == "1") {
    std::filesystem::create_directories(kGolden.parent_path());
    std::ofstream(kGolden, std::ios::binary) << actual;
    GTEST_SKIP() << "wrote " << kGolden;
  }
  std::ifstream in(kGolden, std::ios::binary);
  ASSERT_TRUE(in) << "no " << kGolden << "; create it with VZ_UPDATE_GOLDEN=1";
  std::ostringstream golden;
  golden << in.rdbuf();
  // Compared whole, so that the failure shows both texts; `git diff` after regenerating shows
  // the change line by line.
  EXPECT_EQ(actual, golden.str()) << "class descriptions differ from " << kGolden
                                  << "; if the change is meant, regenerate with VZ_UPDATE_GOLDEN=1 and review the diff";
}

}  // namespace
}  // namespace vz::testing
