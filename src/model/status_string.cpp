#include "model/status_string.hpp"

#include <algorithm>
#include <cctype>

#include "diagnostics/error_trap.hpp"
#include "object/value.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsStatusString";

// Job kind of a status text: the first of Edit, Literal Transcription, Transcription found.
enum class JobKind { Edited, Literal, Standard, None };

JobKind ReadyStatus(std::string_view status) {
  if (ContainsIgnoringCase(status, "Edit")) return JobKind::Edited;
  if (ContainsIgnoringCase(status, "Literal Transcription")) return JobKind::Literal;
  if (ContainsIgnoringCase(status, "Transcription")) return JobKind::Standard;
  return JobKind::None;
}

std::string_view ReadyPhrase(JobKind kind) {
  switch (kind) {
    case JobKind::Edited: return "Ready for Editing";
    case JobKind::Literal: return "Ready for Literal Transcription";
    case JobKind::Standard: return "Ready for Transcription";
    case JobKind::None: break;
  }
  return {};
}

// Suffix after "Downloaded" or "Checked out".
std::string_view ForSuffix(JobKind kind) {
  switch (kind) {
    case JobKind::Edited: return " for Edited Transcription";
    case JobKind::Literal: return " for Literal Transcription";
    case JobKind::Standard: return " for Standard Transcription";
    case JobKind::None: break;
  }
  return {};
}

// Suffix after "Ready to Upload".
std::string_view UploadSuffix(JobKind kind) {
  switch (kind) {
    case JobKind::Edited: return " Edited Transcription";
    case JobKind::Literal: return " Literal Transcription";
    case JobKind::Standard: return " Standard Transcription";
    case JobKind::None: break;
  }
  return {};
}

// Download state: "Downloaded" wins over "Ready to Upload".
bool IsDownloaded(std::string_view status) { return ContainsIgnoringCase(status, "Downloaded"); }

constexpr std::string_view kDownloadedAndCheckedOut = "Downloaded and Checked out";

std::string Compose(std::string_view base, std::string_view suffix) {
  std::string text(base);
  text.append(suffix);
  return text;
}

}  // namespace

bool ContainsIgnoringCase(std::string_view text, std::string_view phrase) {
  const auto lower = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  return std::search(text.begin(), text.end(), phrase.begin(), phrase.end(), lower) != text.end();
}

std::string clsStatusString::NewStatus(int eStatChange, std::string_view sCurStatus) const {
  return ErrorTrap(kClass, "NewStatus")([&]() -> std::string {
    const JobKind kind = ReadyStatus(sCurStatus);
    switch (eStatChange) {
      case kMarkForUpload:
        return Compose("Ready to Upload", UploadSuffix(kind));
      case kRecordDownload:
        return Compose(CheckedOut(sCurStatus) ? kDownloadedAndCheckedOut : "Downloaded", ForSuffix(kind));
      case kRecordCheckOut:
        return Compose(IsDownloaded(sCurStatus) ? kDownloadedAndCheckedOut : "Checked out", ForSuffix(kind));
      case kReturnToReady: {
        const std::string_view base = IsDownloaded(sCurStatus) ? "Downloaded" : "";
        if (kind == JobKind::None) return std::string(base);
        return base.empty() ? std::string(ReadyPhrase(kind)) : Compose(base, ForSuffix(kind));
      }
      default:
        return std::string(sCurStatus);
    }
  });
}

bool clsStatusString::MarkedForUpload(std::string_view sStatus) const {
  return ContainsIgnoringCase(sStatus, "Ready to Upload");
}

bool clsStatusString::Downloaded(std::string_view sStatus) const { return IsDownloaded(sStatus); }

bool clsStatusString::CheckedOut(std::string_view sStatus) const { return ContainsIgnoringCase(sStatus, "Checked out"); }

bool clsStatusString::ReadyForLiteralTranscription(std::string_view sStatus) const {
  return ContainsIgnoringCase(sStatus, "Ready for Literal Transcription");
}

int clsStatusString::TypeFromStatus(std::string_view sStatus) const {
  if (ContainsIgnoringCase(sStatus, "LITERAL")) return 1;
  if (ContainsIgnoringCase(sStatus, "EDIT")) return 3;
  return 2;
}

void clsStatusString::Describe(ClassBuilder<clsStatusString>& c) {
  using C = clsStatusString;
  // The C++ members take views; the automation members receive their texts as strings.
  c.Creatable()
      .Operation("NewStatus",
                 [](const C& self, std::int32_t eStatChange, const std::string& sCurStatus) {
                   return self.NewStatus(eStatChange, sCurStatus);
                 },
                 {"eStatChange", "sCurStatus"})
      .Operation("MarkedForUpload", [](const C& self, const std::string& sStatus) { return self.MarkedForUpload(sStatus); },
                 {"sStatus"})
      .Operation("Downloaded", [](const C& self, const std::string& sStatus) { return self.Downloaded(sStatus); },
                 {"sStatus"})
      .Operation("CheckedOut", [](const C& self, const std::string& sStatus) { return self.CheckedOut(sStatus); },
                 {"sStatus"})
      .Operation("ReadyForLiteralTranscription",
                 [](const C& self, const std::string& sStatus) { return self.ReadyForLiteralTranscription(sStatus); },
                 {"sStatus"})
      // A variant holding a 32-bit number.
      .Operation("TypeFromStatus",
                 [](const C& self, const std::string& sStatus) {
                   return Value(static_cast<std::int32_t>(self.TypeFromStatus(sStatus)));
                 },
                 {"sStatus"});
}

}  // namespace vz
