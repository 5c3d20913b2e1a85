#include "execution/header_documents.hpp"

#include <pugixml.hpp>

#include <system_error>

#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "platform/files.hpp"
#include "xml/parse_failure.hpp"

namespace vz {
namespace {

constexpr std::string_view kWhere = "clsDatabaseRequest.PersistSuccessfullyRetrievedHeader";

}  // namespace

void WriteHeader(const std::string& sFileRoot, const std::string& sXML) {
  GlobalTrace("clsDatabaseRequest.WriteHeader", "Writing " + sFileRoot + ".hd3");
  platform::WriteFileAtomically(sFileRoot + ".hd3", sXML);
}

void PersistSuccessfullyRetrievedHeader(clsDatabaseRequest& request, const std::vector<std::string>& answers) {
  const auto& list = request.DictationList();
  const auto dictations = request.Dictations();
  for (std::size_t index = 0; index < answers.size() && index < list.size(); ++index) {
    const std::string& answer = answers[index];
    if (answer.empty()) continue;
    const std::string id = std::to_string(list[index].utteranceID);
    const auto dictation = dictations ? dictations->Item("U" + id, list[index].documentVersion) : nullptr;
    if (!dictation) {
      GlobalTrace(kWhere, "No dictation " + id + " for its header answer.");
      continue;
    }
    pugi::xml_document document;
    if (const auto failure = xml::ParseBuffer(document, answer, pugi::encoding_auto)) {
      dictation->SetErrorString("Header XML Parse Error:\r\n" + failure->reason + "\r\nAt line: " + std::to_string(failure->line) +
                                "\r\nPosition: " + std::to_string(failure->position));
      GlobalTrace(kWhere, "Header of dictation " + id + " does not parse: " + failure->reason);
      continue;
    }
    try {
      WriteHeader(request.sfnFileRootFromUtterance(id), answer);
    } catch (const std::system_error& failure) {
      // The dictation is kept with the reason; the next dictations are still written.
      dictation->SetErrorString("Could not write the header of dictation " + id + ": " + failure.what());
      GlobalTrace(kWhere, dictation->ErrorString());
    }
  }
}

}  // namespace vz
