// A dictation configuration file ("Local_<id>.cfg") as an earlier version, a crash or a hand
// left it: read into a record, written back, read again.
//
// Properties: reading never escapes with anything but an automation error; a file that does not
// parse is repaired to a record holding the ID its name gives, and the repaired file parses; a
// record that loaded writes a file that loads to the same properties (the Row's children, their
// names and texts), and that file written again is the same bytes; no temporary file is left.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/automation_error.hpp"
#include "dictation/register_dictation_classes.hpp"
#include "dictation/utterance_object.hpp"
#include "fuzz_support.hpp"
#include "xml/indented_layout.hpp"

namespace {

using vz::clsUtteranceObject;

struct Property {
  std::string name;
  bool parent;
  std::string text;
  bool operator==(const Property&) const = default;
};

std::vector<Property> Properties(const clsUtteranceObject& record) {
  std::vector<Property> properties;
  for (const pugi::xml_node child : record.Store().Row().children()) {
    if (child.type() != pugi::node_element) continue;
    properties.push_back({child.name(), vz::xml::IsParentNode(child), child.child_value()});
  }
  return properties;
}

std::string Describe(const std::vector<Property>& properties) {
  std::string text;
  for (const auto& p : properties) text += p.name + (p.parent ? "/" : "") + "=" + p.text + "; ";
  return text;
}

// Reads `path` into a new record; nothing when an automation error escapes.
std::shared_ptr<clsUtteranceObject> Read(const std::filesystem::path& path) {
  auto record = std::make_shared<clsUtteranceObject>();
  try {
    record->ReadConfigFileToObject(path.string());
  } catch (const vz::AutomationError&) {
    return nullptr;
  }
  return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path work = vz::fuzz::BeginInput();
  const std::filesystem::path file = work / "Local_7.cfg";
  vz::fuzz::WriteWholeFile(file, std::string_view(reinterpret_cast<const char*>(data), size));

  pugi::xml_document plain;
  const bool parses = plain.load_buffer(data, size);
  const auto first = Read(file);
  if (!first) {
    VZ_REQUIRE(parses, "a file that does not parse must be repaired, not refused");
    VZ_REQUIRE(!vz::fuzz::HasTemporaryFile(vz::fuzz::FilesUnder(work)), "a temporary file was left");
    return 0;
  }
  if (!first->Store().HasRow()) return 0;
  if (!parses) {
    VZ_REQUIRE(first->UtteranceID() == 7, "repaired with ID " + std::to_string(first->UtteranceID()));
    pugi::xml_document repaired;
    VZ_REQUIRE(repaired.load_file(file.c_str()), "the repaired file does not parse");
    // The damaged bytes are kept beside the rebuilt file.
    VZ_REQUIRE(size == 0 || vz::fuzz::ReadWholeFile(file.string() + ".damaged") == std::string_view(reinterpret_cast<const char*>(data), size),
               "the damaged file was not kept");
  }

  const std::filesystem::path again = work / "Local_8.cfg";
  first->WriteObjectToConfigFile(again.string());
  const std::string written = vz::fuzz::ReadWholeFile(again);
  const auto second = Read(again);
  VZ_REQUIRE(second != nullptr, "the written file cannot be read:\n" + written);
  const auto before = Properties(*first);
  const auto after = Properties(*second);
  VZ_REQUIRE(before == after, "properties changed on the way through the file:\n  " + Describe(before) + "\n  " + Describe(after) +
                                  "\nwritten:\n" + written);
  const std::filesystem::path third = work / "Local_9.cfg";
  second->WriteObjectToConfigFile(third.string());
  VZ_REQUIRE(vz::fuzz::ReadWholeFile(third) == written, "written again, the file changed:\n" + written + "\n---\n" +
                                                             vz::fuzz::ReadWholeFile(third));
  VZ_REQUIRE(!vz::fuzz::HasTemporaryFile(vz::fuzz::FilesUnder(work)), "a temporary file was left");
  return 0;
}
