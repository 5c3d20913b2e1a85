// The dictation configuration file ("Local_" + utterance ID + ".cfg"): reading it (and repairing
// a damaged one), writing it in the indented layout without declaration, filling the record from
// servlet answers, and the single-property reader and writer.
#include <cctype>
#include <filesystem>
#include <system_error>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "dictation/date_text.hpp"
#include "dictation/property_conversions.hpp"
#include "dictation/utterance_common.hpp"
#include "dictation/utterance_object.hpp"
#include "model/status_string.hpp"
#include "platform/files.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "xml/indented_layout.hpp"
#include "xml/node_access.hpp"

namespace vz {

using namespace dictation;

namespace {

constexpr std::string_view kLoadSource = "DBR.clsUtteranceObject.LoadXML";

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

// Removes every occurrence of `part`, ignoring letter case.
std::string RemoveIgnoringCase(std::string text, std::string_view part) {
  for (std::size_t at = 0; at + part.size() <= text.size();) {
    bool match = true;
    for (std::size_t i = 0; i < part.size() && match; ++i) {
      match = std::tolower(static_cast<unsigned char>(text[at + i])) == std::tolower(static_cast<unsigned char>(part[i]));
    }
    if (match) {
      text.erase(at, part.size());
    } else {
      ++at;
    }
  }
  return text;
}

std::string TwoDigits(std::int64_t n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

// A configuration file that does not parse may still hold most of the record (a pending note, the
// transcription's state): its bytes are kept beside it as "<file>.damaged" before it is rebuilt,
// or ".damaged2" to ".damaged9" when earlier damage is kept already. The kept name, or nothing
// (`problem` says why) when no copy could be made.
std::optional<std::string> KeepDamagedCopy(const std::string& file, std::string_view bytes, std::string& problem) {
  constexpr int kCopies = 9;
  for (int copy = 1; copy <= kCopies; ++copy) {
    const std::string name = file + ".damaged" + (copy == 1 ? std::string() : std::to_string(copy));
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(name, error))) continue;
    try {
      platform::WriteFileAtomically(name, bytes);
      return name;
    } catch (const std::system_error& failure) {
      problem = failure.what();
      return std::nullopt;
    }
  }
  problem = std::to_string(kCopies) + " damaged copies are kept already";
  return std::nullopt;
}

}  // namespace

void clsUtteranceObject::ReadConfigFileToObject(const std::string& sConfigFile) {
  RaiseTrap(RaisedIn("ReadConfigFileToObject"))([&] {
    const std::optional<std::string> content = platform::ReadWholeFile(sConfigFile);
    std::optional<xml::ParseFailure> failure =
        content ? store_.Load(*content) : std::optional<xml::ParseFailure>(xml::FileNotReadableFailure());
    if (!failure) {
      const pugi::xml_node row = store_.Document().child("Row");
      store_.SetRow(row);
      if (!row) Raise(kServerDetectedError, "No Row Element in XML", std::string(kLoadSource));
      configFile_ = sConfigFile;
      if (Tracing()) {
        GlobalTrace(TraceAt("ReadConfigFileToObject"),
                    "Successfully loaded XML version of cfg. Utterance: " + std::to_string(UtteranceID()));
      }
      return;
    }

    constexpr std::string_view kSource = "clsUtteranceObject.ReadConfigFileToObject";
    GlobalErrorsLog(kSource,
                    "Error parsing " + sConfigFile + ": \r\nError: " + std::to_string(failure->code) +
                        "\r\nReason: " + failure->reason + "\r\nLine: " + std::to_string(failure->line) +
                        "\r\nLinePos: " + std::to_string(failure->position) + "\r\nText: " + failure->sourceText,
                    2);
    // The damaged bytes are kept before anything replaces them; when they cannot be, the file is
    // left as it is and only the record in memory is rebuilt.
    bool keepFile = false;
    if (content && !content->empty()) {
      std::string problem;
      if (const auto kept = KeepDamagedCopy(sConfigFile, *content, problem)) {
        GlobalErrorsLog(kSource, "The damaged " + sConfigFile + " is kept as " + *kept + ".", 2);
      } else {
        keepFile = true;
        GlobalErrorsLog(kSource, "The damaged " + sConfigFile + " could not be kept (" + problem + "), so it is not rewritten.", 2);
      }
    }
    // Rebuild a record that holds only what the file name tells: the utterance ID.
    store_.Reset();
    store_.EnsureRow();
    std::string name = sConfigFile;
    if (const std::size_t slash = sConfigFile.rfind('/'); slash != std::string::npos) {
      name = sConfigFile.substr(slash + 1);
    } else {
      GlobalErrorsLog(kSource, "Couldn't retrieve standard utteranceID. File: " + sConfigFile, 2);
    }
    const std::string id = RemoveIgnoringCase(RemoveIgnoringCase(name, "Local_"), ".cfg");
    GlobalTrace(TraceAt("ReadConfigFileToObject"), "Assigning utteranceID: " + id);
    AssignPropertyValue("utteranceID", std::to_string(Value(id).ToLong()));
    SetConfigFile(sConfigFile);
    if (!keepFile) WriteObjectToConfigFile(sConfigFile);
    GlobalTrace(TraceAt("ReadConfigFileToObject"),
                "After error, constructed basic utterance object, with only ID and configfile");
  });
}

void clsUtteranceObject::WriteObjectToConfigFile(const std::string& sConfigFile) {
  RaiseTrap(RaisedIn("WriteObjectToConfigFile"))([&] {
    const std::string location = TraceAt("WriteObjectToConfigFile");
    if (Tracing()) GlobalTrace(location, "ConfigFile arg: " + sConfigFile);
    if (IsBlank(sConfigFile)) {
      GlobalErrorsLog(location, "No config file specified.", 2);
      return;
    }
    if (store_.Read("DownloadTime").empty()) {
      const std::string now = FormatWithServerSetting(LocalNow());
      AssignPropertyValue("DownloadTime", now);
      if (Tracing()) GlobalTrace(location, "Set download time to: " + now);
    }
    platform::WriteFileAtomically(sConfigFile, ConfigFileText());
    if (Tracing()) GlobalTrace(location, "Exiting sub.");
  });
}

std::string clsUtteranceObject::ConfigFileText() const {
  return xml::FormatIndentedDocument(store_.Row(),
                                     {.declaration = false, .rootName = "Row", .observer = nullptr, .fromRawPrint = true});
}

void clsUtteranceObject::LoadRetrievedXML(const std::string& sXML) {
  RaiseTrap(RaisedIn("LoadRetrievedXML"))([&] {
    if (const auto failure = store_.Load(sXML)) Raise(kServerDetectedError, failure->reason, std::string(kLoadSource));
    pugi::xml_node row = store_.Document().child("Row");
    if (!row) row = store_.Document().child("InfoResponse").child("WorkQueueItem");
    store_.SetRow(row);
    if (!row) Raise(kServerDetectedError, "No Row or WorkQueueItem Element in XML", std::string(kLoadSource));
    InitializeUnretrievedProperties();
  });
}

void clsUtteranceObject::AdoptRetrievedRow(std::shared_ptr<pugi::xml_document> answer, pugi::xml_node row) {
  RaiseTrap(RaisedIn("LoadRetrievedXML"))([&] {
    store_.Adopt(std::move(answer), row);
    InitializeUnretrievedProperties();
  });
}

void clsUtteranceObject::InitializeUnretrievedProperties() {
  SetDownloadTime("");
  SetLastActionCompleted(-1);
  scheduledForReload_ = false;
  const std::string status = Status();
  SetOriginalStatus(status);
  SetTextProperty("ListViewKey", "ListViewKey", "U" + std::to_string(UtteranceID()) + "." + DocumentVersion());
  SetNotes(Value(""));
  if (status.empty()) SetStatus(sfnRetrievePropertyValue("status"));
  SetInitialStatusCode(StatusCode());
  SetUtteranceType(Value(static_cast<std::int32_t>(clsStatusString().TypeFromStatus(Status()))));
  // Answers of some servlets name these elements differently.
  struct Alternative {
    std::string_view property, element, alternative;
  };
  static constexpr Alternative kAlternatives[] = {{"Priority", "priority", "priority"},
                                                  {"Specialty", "specialtyName", "specialty"},
                                                  {"Institution", "institutionName", "institution"},
                                                  {"Worktype", "workType", "worktype"}};
  for (const Alternative& a : kAlternatives) {
    if (TextProperty(a.property, a.element).empty()) {
      SetTextProperty(a.property, a.element, sfnRetrievePropertyValue(a.alternative));
    }
  }
}

std::string clsUtteranceObject::GetProperty(const std::string& sPropertyName) const {
  return RaiseTrap(RaisedIn("GetProperty"))([&]() -> std::string {
    if (Tracing()) GlobalTrace(TraceAt("GetProperty"), "sPropertyName =" + sPropertyName);
    std::string value = sfnRetrievePropertyValue(sPropertyName);
    if (sPropertyName == "duration") {
      if (const auto seconds = NumberFromText(value)) {
        // A negative length (a bad value from the server) keeps its sign in front: -5 is "-00:05".
        const std::int64_t magnitude = *seconds < 0 ? -static_cast<std::int64_t>(*seconds) : *seconds;
        return (*seconds < 0 ? "-" : "") + TwoDigits(magnitude / 60) + ":" + TwoDigits(magnitude % 60);
      }
      return value;
    }
    if (sPropertyName == "documentVersion") return DocumentVersion();
    if (sPropertyName == "GMTDueDate") return LocalDueDate();
    return value;
  });
}

void clsUtteranceObject::SetProperty(const std::string& sPropertyName, const std::string& sValue) {
  RaiseTrap(RaisedIn("SetProperty"))([&] { AssignPropertyValue(sPropertyName, sValue); });
}

void clsUtteranceObject::WriteLastError(const std::string& sMessage) {
  ErrorTrap(kUtteranceClass, "WriteLastError")([&] {
    const std::string path = DownloadPath() + "/" + servlet_wire::DictationFileName(UtteranceID(), ".err");
    platform::WriteFileAtomically(path, sMessage + std::string(kCrLf));
  });
}

void clsUtteranceObject::UpdateStatusCode(std::int32_t eStatusCode) {
  ErrorTrap(kUtteranceClass, "UpdateStatusCode")([&] {
    SetStatusCode(eStatusCode);
    unsavedReason_.clear();
    try {
      WriteObjectToConfigFile(configFile_);
    } catch (...) {
      const std::string description = CurrentErrorAsAutomationError().Description();
      unsavedReason_ = description.substr(0, description.find_first_of("\r\n"));
      throw;
    }
  });
}

}  // namespace vz
