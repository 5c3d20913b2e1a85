// The indented writer against pugixml's own indented save of the same document, in memory and to a
// file. The document is a settings file of 1,500 elements: a root holding 300 "Row" elements, each
// with 4 leaves (two attributes on one of them and text needing escapes on another), the shape of
// a work-queue answer kept on disk.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "diagnostics/trace.hpp"
#include "ratio_reporter.hpp"
#include "xml/indented_layout.hpp"
#include "xml/xml_document.hpp"

namespace {

constexpr int kRows = 300;
constexpr int kElements = kRows * 5;

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vz-bench-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  return folder;
}

void Fill(pugi::xml_node root) {
  for (int i = 0; i < kRows; ++i) {
    pugi::xml_node row = root.append_child("Row");
    row.append_child("utteranceID").text().set(100000 + i);
    pugi::xml_node status = row.append_child("queueStatus");
    status.append_attribute("code").set_value(i % 7);
    status.append_attribute("changed").set_value("12/03/2026 10:15:00");
    status.text().set("Ready for Transcription");
    row.append_child("author").text().set("Dr. A. Example & Partners <Cardiology>");
    row.append_child("pending");
  }
}

class StringWriter final : public pugi::xml_writer {
 public:
  void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
  std::string text;
};

void BM_FormatIndentedDocument(benchmark::State& state) {
  pugi::xml_document document;
  Fill(document.append_child("Settings"));
  for (auto _ : state) {
    std::string text = vz::xml::FormatIndentedDocument(document.document_element());
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_FormatIndentedDocument);

void BM_PugixmlSaveIndentedToString(benchmark::State& state) {
  pugi::xml_document document;
  Fill(document.append_child("Settings"));
  for (auto _ : state) {
    StringWriter writer;
    document.save(writer, "    ", pugi::format_indent);
    benchmark::DoNotOptimize(writer.text.data());
  }
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_PugixmlSaveIndentedToString);

void BM_WriteObjectToConfigFile(benchmark::State& state) {
  vz::clsXMLDocument document;
  document.SetupRootNodeFromScratch("Settings");
  Fill(document.RootNode());
  const std::string path = (Folder() / "ours.xml").string();
  for (auto _ : state) document.WriteObjectToConfigFile(path);
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_WriteObjectToConfigFile);

void BM_PugixmlSaveFile(benchmark::State& state) {
  pugi::xml_document document;
  Fill(document.append_child("Settings"));
  const std::string path = (Folder() / "peer.xml").string();
  for (auto _ : state) benchmark::DoNotOptimize(document.save_file(path.c_str(), "    ", pugi::format_indent));
  state.SetItemsProcessed(state.iterations() * kElements);
}
BENCHMARK(BM_PugixmlSaveFile);

}  // namespace

int main(int argc, char** argv) {
  vz::SetTraceLevel(1);  // the writer's own traces are level 2 and 4: measure the writing alone
  const int status = vz::bench::RunAndCompare(
      argc, argv,
      {{"layout-memory", "indented layout in memory vs pugixml save (format_indent)", "BM_FormatIndentedDocument",
        "BM_PugixmlSaveIndentedToString", vz::bench::Comparison::By::Rate, 0.8},
       {"layout-file", "clsXMLDocument.WriteObjectToConfigFile (atomic replace) vs pugixml save_file",
        "BM_WriteObjectToConfigFile", "BM_PugixmlSaveFile", vz::bench::Comparison::By::Rate, 0.7}});
  std::filesystem::remove_all(Folder());
  return status;
}
