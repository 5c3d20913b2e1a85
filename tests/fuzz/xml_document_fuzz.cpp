// clsXMLDocument loading a document from memory (an answer) or from a file (a settings file),
// the first byte choosing which.
//
// Properties: a load either succeeds or raises an automation error and leaves the held document
// as it was; a loaded document written to its file reads back with the same root and the same
// properties (the root's children and their texts), and written again gives the same bytes; the
// displays and path lookups work on whatever loaded; no temporary file is left.
#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/automation_error.hpp"
#include "fuzz_support.hpp"
#include "xml/xml_document.hpp"

namespace {

using vz::clsXMLDocument;

std::vector<std::pair<std::string, std::string>> Properties(const clsXMLDocument& document) {
  std::vector<std::pair<std::string, std::string>> properties;
  for (const pugi::xml_node child : document.RootNode().children()) {
    if (child.type() != pugi::node_element) continue;
    std::string value;
    try {
      value = document.sfnRetrievePropertyValue(child.name());
    } catch (const vz::AutomationError& error) {
      value = "(refused: " + error.Description().substr(0, error.Description().find(':')) + ")";  // a name that is no path
    }
    properties.emplace_back(child.name(), std::move(value));
  }
  return properties;
}

std::string Describe(const std::vector<std::pair<std::string, std::string>>& properties) {
  std::string text;
  for (const auto& [name, value] : properties) text += name + "=" + value + "; ";
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::filesystem::path work = vz::fuzz::BeginInput();
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool fromFile = data[0] & 1;

  clsXMLDocument document;
  document.LoadXMLFromMemory("<Before><Kept>yes</Kept></Before>");
  try {
    if (fromFile) {
      const std::filesystem::path file = work / "Settings.xml";
      vz::fuzz::WriteWholeFile(file, text);
      document.ReadConfigFileToObject(file.string());
    } else {
      document.LoadXMLFromMemory(text);
    }
  } catch (const vz::AutomationError& error) {
    VZ_REQUIRE(error.Description().starts_with("Error "), error.Description());
    VZ_REQUIRE(document.RootName() == "Before" && document.sfnRetrievePropertyValue("Kept") == "yes",
               "a failed load changed the document");
    return 0;
  }
  // Whatever loaded can be shown and searched.
  (void)document.CurrentXMLDisplay();
  (void)document.sfnFormattedDocument(4, true, true);
  try {
    (void)document.sfnFormattedXML(document.RetrieveNodeList(document.RootName()), 2, true);
  } catch (const vz::AutomationError& error) {
    // A root name that is no XPath (a prefix without its namespace, say) is refused as a path.
    VZ_REQUIRE(error.Description().starts_with("Invalid node path"), error.Description());
  }
  long count = 0;
  (void)document.GetDownloadNames(count);
  if (document.RootName().empty()) return 0;

  const auto before = Properties(document);
  const std::filesystem::path written = work / "Written.xml";
  document.WriteObjectToConfigFile(written.string());
  const std::string bytes = vz::fuzz::ReadWholeFile(written);
  clsXMLDocument again;
  try {
    again.ReadConfigFileToObject(written.string());
  } catch (const vz::AutomationError& error) {
    VZ_REQUIRE(false, "the written file does not load: " + error.Description() + "\n" + bytes);
  }
  VZ_REQUIRE(again.RootName() == document.RootName(), again.RootName() + " instead of " + document.RootName());
  const auto after = Properties(again);
  VZ_REQUIRE(before == after, "properties changed:\n  " + Describe(before) + "\n  " + Describe(after) + "\nwritten:\n" + bytes);
  const std::filesystem::path rewritten = work / "Rewritten.xml";
  again.WriteObjectToConfigFile(rewritten.string());
  VZ_REQUIRE(vz::fuzz::ReadWholeFile(rewritten) == bytes,
             "written again, the file changed:\n" + bytes + "\n---\n" + vz::fuzz::ReadWholeFile(rewritten));
  VZ_REQUIRE(!vz::fuzz::HasTemporaryFile(vz::fuzz::FilesUnder(work)), "a temporary file was left");
  return 0;
}
