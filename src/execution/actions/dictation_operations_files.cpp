#include "execution/actions/dictation_operations_files.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <map>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_list.hpp"
#include "model/connect_info.hpp"
#include "object/blank_trim.hpp"
#include "object/case_fold.hpp"
#include "platform/files.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "xml/node_access.hpp"
#include "xml/parse_failure.hpp"
#include "xml/xml_document.hpp"

namespace vz {
namespace {

// Why an operation failed, whatever it threw.
std::string FailureText() {
  try {
    throw;
  } catch (const AutomationError& error) {
    return error.Description();
  } catch (const std::exception& error) {
    return error.what();
  }
}

// A folder the server fills may not exist yet on a fresh workstation.
void EnsureFolderOf(const std::filesystem::path& file) {
  std::error_code ignored;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
}

struct DictationFileKind {
  const char* extension;
  const char* writing;    // "Writing QAG for utterance "
  const char* nothing;    // "No QAG files retrieved"
  const char* fileWriter; // the routine that writes one file, for its traces
  const char* listWriter; // the routine that writes them all
};

constexpr DictationFileKind kQAG{".QAG", "Writing QAG for utterance ", "No QAG files retrieved", "WriteQAGFile", "WriteQAGFiles"};
constexpr DictationFileKind kPR{".pr", "Writing PRs for utterance ", "No PRs files retrieved", "WritePRFile", "WritePRFiles"};

bool WriteDictationFile(clsDatabaseRequest& request, const DictationFileKind& kind, const std::string& utteranceID,
                        const std::string& xml) {
  const std::string where = "clsDatabaseRequest." + std::string(kind.fileWriter);
  // The identifier becomes part of the file name: only digits keep it inside the folder.
  const auto number = PlainDictationNumber(utteranceID);
  if (!number) {
    GlobalErrorsLog(where, "Invalid dictation identifier for a " + std::string(kind.extension) + " file: " + utteranceID);
    return false;
  }
  const std::string file = request.sfnFileRootFromUtterance(std::to_string(*number)) + kind.extension;
  GlobalTrace(where, "Writing the following xml to " + file + ":" + xml);
  try {
    platform::WriteFileAtomically(file, xml);
    return true;
  } catch (...) {
    GlobalErrorsLog(where, "Unable to write " + file + ": " + FailureText());
    return false;
  }
}

void WriteDictationFiles(clsDatabaseRequest& request, const DictationFileKind& kind, const std::vector<std::string>& answers) {
  const std::string where = "clsDatabaseRequest." + std::string(kind.listWriter);
  const auto& list = request.DictationList();
  int written = 0;
  for (std::size_t index = 0; index < answers.size(); ++index) {
    if (answers[index].empty()) continue;  // the dictation failed or was not reached
    if (index >= list.size()) {
      GlobalErrorsLog(where, "An answer came for entry " + std::to_string(index) + " of a dictation list of " +
                                 std::to_string(list.size()) + " entries.");
      continue;
    }
    const std::string id = std::to_string(list[index].utteranceID);
    GlobalTrace(where, kind.writing + id);
    if (WriteDictationFile(request, kind, id, answers[index])) ++written;
  }
  if (written == 0) GlobalTrace(where, kind.nothing);
}

}  // namespace

std::string AppFeaturesFile(const clsDatabaseRequest& request, std::string_view name, std::string& problem) {
  const auto info = request.ConnectionInfo();
  const std::string fileName = std::string(name) + "_" + (info ? info->InstitutionID() : std::string()) + "_" +
                               std::to_string(info ? info->CurrentLocationID() : 0) + "_" + (info ? info->Realm() : std::string()) +
                               ".xml";
  if (fileName.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    problem = "The settings file name " + fileName + " does not name a file in the application folder.";
    return {};
  }
  return (std::filesystem::path(ApplicationPath()) / fileName).string();
}

bool WriteAppFeaturesToDisk(const clsDatabaseRequest& request, std::string_view name, const std::string& xml, std::string& problem) {
  const std::string where = "clsDatabaseRequest.WriteAppFeaturesToDisk";
  const std::string file = AppFeaturesFile(request, name, problem);
  if (file.empty()) {
    GlobalErrorsLog(where, problem);
    return false;
  }
  GlobalTrace(where, "Writing " + std::string(name) + " to " + file);
  try {
    clsXMLDocument document;
    document.LoadXMLFromMemory(xml);
    EnsureFolderOf(file);
    document.WriteObjectToConfigFile(file);
    return true;
  } catch (...) {
    problem = "Unable to write " + std::string(name) + " to " + file + ": " + FailureText();
    GlobalErrorsLog(where, problem);
    return false;
  }
}

void WriteQAGFiles(clsDatabaseRequest& request, const std::vector<std::string>& answers) { WriteDictationFiles(request, kQAG, answers); }
void WritePRFiles(clsDatabaseRequest& request, const std::vector<std::string>& answers) { WriteDictationFiles(request, kPR, answers); }

bool WriteQAGFile(clsDatabaseRequest& request, const std::string& utteranceID, const std::string& xml) {
  return WriteDictationFile(request, kQAG, utteranceID, xml);
}

bool WritePRFile(clsDatabaseRequest& request, const std::string& utteranceID, const std::string& xml) {
  return WriteDictationFile(request, kPR, utteranceID, xml);
}

std::string DictationOfQAPermissionError(const std::string& errorText) {
  const std::string where = "clsDatabaseRequest.m_objDownloadQAG_RetrievalComplete";
  const auto version = errorText.find("version");
  if (version == std::string::npos) {
    GlobalTrace(where, "Error doesn't contain 'version'.  Cannot parse");
    return {};
  }
  const std::string_view afterVersion = std::string_view(errorText).substr(version);
  const auto dictation = afterVersion.find("dictation:");
  if (dictation == std::string_view::npos) {
    GlobalTrace(where, "Error doesn't contain 'dictation:'.  Cannot parse");
    return {};
  }
  // The client appends its own marker to the servlet's text: only the leading digits are the ID.
  const std::string named(TrimBlanks(afterVersion.substr(dictation + 10)));
  const std::string id = named.substr(0, std::min(named.find_first_not_of("0123456789"), named.size()));
  const auto number = PlainDictationNumber(id);
  if (!number) {
    GlobalTrace(where, "Error doesn't name a dictation after 'dictation:'.  Cannot parse");
    return {};
  }
  return std::to_string(*number);
}

bool MayEmptyQAGFile(clsDatabaseRequest& request, const std::string& utteranceID) {
  const auto number = PlainDictationNumber(utteranceID);
  if (!number) return false;
  const auto& list = request.DictationList();
  if (std::any_of(list.begin(), list.end(), [&](const DictationListEntry& entry) { return entry.utteranceID == *number; })) return true;
  if (const auto dictations = request.Dictations()) {
    for (const auto& record : dictations->Items()) {
      if (record->UtteranceID() == *number) return true;
    }
  }
  std::error_code error;
  const std::string file = request.sfnFileRootFromUtterance(std::to_string(*number)) + ".QAG";
  return !std::filesystem::exists(std::filesystem::symlink_status(file, error));
}

void UpdateRecordsFromAnswers(clsDatabaseRequest& request, const std::vector<std::string>& answers, RecordUpdate what) {
  const bool permission = what == RecordUpdate::Permission;
  const std::string where = permission ? "clsDatabaseRequest.m_objGetDictPermissions_RetrievalComplete"
                                       : "clsDatabaseRequest.m_objDictationInfo_RetrievalComplete";
  // What the answers say, keyed as the records are looked up: ID + "." + version for
  // permissions, which belong to one version of a dictation; the ID alone for pending notes.
  std::map<std::string, std::string> found;
  const auto& list = request.DictationList();
  for (std::size_t index = 0; index < answers.size(); ++index) {
    if (answers[index].empty()) continue;
    const std::string listedID = index < list.size() ? std::to_string(list[index].utteranceID) : std::string();
    const std::string listedVersion = index < list.size() ? list[index].documentVersion : std::string();
    pugi::xml_document document;
    if (xml::ParseBuffer(document, answers[index], pugi::encoding_auto)) {
      GlobalErrorsLog(where, "The database returned invalid XML for dictation " + listedID + ": " + answers[index]);
      continue;
    }
    const pugi::xml_node root = document.child("InfoResponse");
    for (const pugi::xml_node item : root.children(permission ? "DictationPermission" : "DictationInfo")) {
      const std::string id = item.attribute("utteranceID") ? item.attribute("utteranceID").value() : listedID;
      if (permission) {
        const std::string version = item.attribute("documentVersion") ? item.attribute("documentVersion").value() : listedVersion;
        found[id + "." + version] = item.attribute("HasMTReviewSGPermission").value();
      } else {
        found[id] = xml::NodeText(item.child("pendingNote"));
      }
    }
  }
  const auto dictations = request.Dictations();
  if (!dictations) return;
  for (const auto& record : dictations->Items()) {
    const std::string id = std::to_string(record->UtteranceID());
    const auto value = found.find(permission ? id + "." + record->DocumentVersion() : id);
    if (value == found.end()) continue;
    if (permission) {
      GlobalTrace(where, "found permissions for dictationid " + id);
      record->SetHasMTReviewSGPermission(EqualsIgnoreCase(TrimBlanks(value->second), "True"));
    } else {
      GlobalTrace(where, "found pending note for dictationid " + id);
      record->SetCurrentPendingNote(value->second);
    }
    if (record->ConfigFile().empty()) record->SetConfigFile(ApplicationPath() + "/Downloads/" + servlet_wire::DictationFileName(id, ".cfg"));
    GlobalTrace(where, permission ? "replacing config file to update permissions" : "replacing config file to update pending note");
    GlobalTrace(where, "config file:" + record->ConfigFile());
    try {
      EnsureFolderOf(record->ConfigFile());
      record->WriteObjectToConfigFile(record->ConfigFile());
    } catch (...) {
      GlobalErrorsLog(where, "Unable to write " + record->ConfigFile() + ": " + FailureText());
    }
  }
}

std::string SplitID(const std::string& xml) {
  const std::string where = "clsDatabaseRequest.SplitID";
  GlobalTrace(where, "XML From SplitDictation Request: " + xml);
  pugi::xml_document document;
  if (const auto failure = xml::ParseBuffer(document, xml, pugi::encoding_auto)) {
    GlobalErrorsLog(where, "Error " + std::to_string(failure->code) + " parsing XML returned from SplitDictation request: " +
                               failure->reason + "\r\nThe error occurred at line: " + std::to_string(failure->line) +
                               " character " + std::to_string(failure->position) + " of the text: " + failure->sourceText);
    return {};
  }
  const pugi::xml_node node = document.child("InfoResponse").child("UtteranceID");
  const std::string id = xml::NodeText(node);
  // The ID names the new dictation's files later on: only a plain number is taken.
  const auto number = PlainDictationNumber(id);
  if (!node || !number) {
    GlobalErrorsLog(where, "Unexpected format in XML returned by SplitDictation request: " + xml);
    return {};
  }
  return std::to_string(*number);
}

}  // namespace vz
