// The header documents a servlet answers for the dictations of a request (one XML document per
// dictation), through PersistSuccessfullyRetrievedHeader. The input holds the answers for two
// dictations, separated by a byte 0x1E.
//
// Properties: a header that parses is kept byte for byte as the dictation's "Local_<id>.hd3" and
// leaves the dictation without error; one that does not parse writes nothing and gives the
// dictation the parse error; an empty answer does neither; nothing is written outside the
// download folder and no temporary file is left.
#include <cstdint>
#include <memory>
#include <string>

#include "dictation/register_dictation_classes.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "execution/header_documents.hpp"
#include "fuzz_support.hpp"
#include "model/connect_info.hpp"
#include "object/class_registry.hpp"
#include "xml/parse_failure.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static vz::ClassRegistry registry;
  vz::RegisterDictationClasses(registry);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path work = vz::fuzz::BeginInput(0);
  const std::filesystem::path downloads = work / "Downloads";
  std::filesystem::create_directories(downloads);
  const auto parts = vz::fuzz::SplitInput(std::string_view(reinterpret_cast<const char*>(data), size), "\x1e", 2);
  std::vector<std::string> answers(parts.begin(), parts.end());

  auto info = std::make_shared<vz::clsConnectInfo>();
  info->SetDownloadPath(downloads.string());
  auto request = std::make_shared<vz::clsDatabaseRequest>(std::weak_ptr<vz::RequestHost>{}, nullptr);
  request->SetConnectionInfo(info);
  auto dictations = std::make_shared<vz::clsUtterances>();
  const std::int32_t ids[] = {7, 8};
  for (const std::int32_t id : ids) {
    dictations->Add(id, 3, "Ready for Transcription", (downloads / ("Local_" + std::to_string(id) + ".cfg")).string(), "1")
        ->SetLastActionCompleted(-1);
  }
  request->SetUtterances(dictations);
  VZ_REQUIRE(request->lfnSetupUtteranceList() == 2, "the dictation list was not set up");

  vz::PersistSuccessfullyRetrievedHeader(*request, answers);

  for (std::size_t i = 0; i < answers.size(); ++i) {
    const std::string id = std::to_string(ids[i]);
    const auto dictation = dictations->Item("U" + id, "1");
    const std::filesystem::path header = downloads / ("Local_" + id + ".hd3");
    pugi::xml_document oracle;
    if (answers[i].empty()) {
      VZ_REQUIRE(!std::filesystem::exists(header) && dictation->ErrorString().empty(), "an empty answer did something");
    } else if (!vz::xml::ParseBuffer(oracle, answers[i], pugi::encoding_auto)) {
      VZ_REQUIRE(dictation->ErrorString().empty(), dictation->ErrorString());
      VZ_REQUIRE(vz::fuzz::ReadWholeFile(header) == answers[i], "the kept header is not the answer");
    } else {
      VZ_REQUIRE(!std::filesystem::exists(header), "a header that does not parse was kept");
      VZ_REQUIRE(dictation->ErrorString().starts_with("Header XML Parse Error:\r\n"), dictation->ErrorString());
    }
  }
  for (const std::string& name : vz::fuzz::FilesUnder(work)) {
    VZ_REQUIRE(name == "Downloads" || name.starts_with("Downloads/Local_"), "wrote " + name);
  }
  VZ_REQUIRE(!vz::fuzz::HasTemporaryFile(vz::fuzz::FilesUnder(work)), "a temporary file was left");
  return 0;
}
