// A work-queue answer ("InfoResponse" with a "Row" per dictation) from the institution, through
// clsWorkQueue.ExtractXML into a dictation collection.
//
// Properties: no more dictations than rows; each one's ID is the decimal number its row gives, and
// its configuration file is "Local_<ID>.cfg" in the download folder; a dictation's file, written
// and read back into a new record, gives the same ID, status and document version; nothing is
// written outside the download folder and no temporary file is left.
#include <cstdint>
#include <memory>
#include <string>

#include "diagnostics/automation_error.hpp"
#include "dictation/register_dictation_classes.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "fuzz_support.hpp"
#include "model/work_queue.hpp"
#include "object/class_registry.hpp"

namespace {

std::string WithoutLeadingZeros(std::string text) {
  const auto first = text.find_first_not_of('0');
  return first == std::string::npos ? "0" : text.substr(first);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static vz::ClassRegistry registry;
  vz::RegisterDictationClasses(registry);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path work = vz::fuzz::BeginInput();
  const std::filesystem::path downloads = work / "Downloads";
  std::filesystem::create_directories(downloads);
  const std::string answer(reinterpret_cast<const char*>(data), size);

  auto queue = std::make_shared<vz::clsWorkQueue>();
  queue->SetDownloadPath(downloads.string());
  queue->SetDatabaseURL("http://127.0.0.1:1/servlet/ScribeServlet");
  queue->SetTranscriptionist("jdoe");
  queue->SetNumToRetrieve(0);
  queue->SetMaxRows(50);
  queue->SetXMLResponse(answer);
  auto dictations = std::make_shared<vz::clsUtterances>();
  vz::ObjectRef collection = dictations;
  queue->ExtractXML(collection);

  pugi::xml_document plain;
  std::size_t rows = 0;
  if (plain.load_buffer(answer.data(), answer.size())) {
    for ([[maybe_unused]] pugi::xml_node row : plain.child("InfoResponse").children("Row")) ++rows;
  }
  VZ_REQUIRE(static_cast<std::size_t>(dictations->Count()) <= rows,
             std::to_string(dictations->Count()) + " dictations from " + std::to_string(rows) + " rows");

  int checked = 0;
  for (const auto& dictation : dictations->Items()) {
    const std::string idText = dictation->Store().Read("utteranceID");
    const std::string id = std::to_string(dictation->UtteranceID());
    VZ_REQUIRE(dictation->UtteranceID() >= 0 && WithoutLeadingZeros(idText) == id,
               "the row's utteranceID \"" + idText + "\" became dictation " + id);
    VZ_REQUIRE(dictation->ConfigFile() == (downloads / ("Local_" + id + ".cfg")).string(), dictation->ConfigFile());
    if (++checked > 8) continue;
    dictation->WriteObjectToConfigFile(dictation->ConfigFile());
    auto reread = std::make_shared<vz::clsUtteranceObject>();
    try {
      reread->ReadConfigFileToObject(dictation->ConfigFile());
    } catch (const vz::AutomationError& error) {
      VZ_REQUIRE(false, "dictation " + id + "'s file does not read back: " + error.Description());
    }
    VZ_REQUIRE(reread->UtteranceID() == dictation->UtteranceID(), std::to_string(reread->UtteranceID()) + " instead of " + id);
    VZ_REQUIRE(reread->Status() == dictation->Status(), "\"" + reread->Status() + "\" instead of \"" + dictation->Status() + "\"");
    VZ_REQUIRE(reread->DocumentVersion() == dictation->DocumentVersion(),
               "\"" + reread->DocumentVersion() + "\" instead of \"" + dictation->DocumentVersion() + "\"");
  }
  for (const std::string& name : vz::fuzz::FilesUnder(work)) {
    VZ_REQUIRE(name == "Downloads" || name.starts_with("Downloads/Local_"), "wrote " + name);
  }
  VZ_REQUIRE(!vz::fuzz::HasTemporaryFile(vz::fuzz::FilesUnder(work)), "a temporary file was left");
  return 0;
}
