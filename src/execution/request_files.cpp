// Small file routines of a request: folders made when missing, the empty QA-grading answer of a
// dictation whose grading may not be viewed, and answers whose quotes would break the editor.
#include <filesystem>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_list.hpp"
#include "execution/quote_free_xml.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";
constexpr std::int32_t kErrFileNotFound = 53;

}  // namespace

void clsDatabaseRequest::SafeMakeDir(const std::string& sFolder) {
  ErrorTrap(kClass, "SafeMakeDir")([&] {
    std::error_code error;
    if (std::filesystem::is_directory(sFolder, error)) return;
    std::filesystem::create_directory(sFolder, error);
    if (error) RaiseServerError("Could not create the folder " + sFolder + ": " + error.message());
  });
}

void clsDatabaseRequest::CreateEmptyQAGFile(const std::string& sUtteranceID) {
  ErrorTrap(kClass, "CreateEmptyQAGFile")([&] {
    // The identifier becomes part of the file name: only digits keep it inside the folder.
    const auto number = PlainDictationNumber(sUtteranceID);
    if (!number) RaiseServerError("Invalid dictation identifier for a QA grading file: " + sUtteranceID);
    const std::string file = sfnFileRootFromUtterance(std::to_string(*number)) + ".QAG";
    GlobalTrace("clsDatabaseRequest.CreateEmptyQAGFile", "Writing an empty QA grading file " + file);
    platform::WriteFileAtomically(file, std::string("<?xml version=\"1.0\"?><InfoResponse xmlns=\"") +
                                            kBillingGroupNamespace + "\"/>");
  });
}

std::string clsDatabaseRequest::ReplDoubleQuoteInXML(const std::string& sFile) {
  return ErrorTrap(kClass, "ReplDoubleQuoteInXML")([&]() -> std::string {
    std::string text;
    QuoteFreeXml rewriter([&text](std::string_view piece) {
      text.append(piece);
      return true;
    });
    if (!FeedFile(sFile, rewriter)) Raise(kErrFileNotFound, "File not found");
    if (!rewriter.Started()) Raise(kErrInvalidProcedureCall, "Invalid procedure call or argument");
    return text;
  });
}

}  // namespace vz
