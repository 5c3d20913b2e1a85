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

// The texts of a job kind: the phrase of a fresh dictation, the suffix after "Downloaded" or
// "Checked out", and the suffix after "Ready to Upload".
struct KindTexts {
  std::string_view ready;
  std::string_view forSuffix;
  std::string_view uploadSuffix;
};

KindTexts TextsOf(JobKind kind) {
  switch (kind) {
    case JobKind::Edited: return {"Ready for Editing", " for Edited Transcription", " Edited Transcription"};
    case JobKind::Literal: return {"Ready for Literal Transcription", " for Literal Transcription", " Literal Transcription"};
    case JobKind::Standard: return {"Ready for Transcription", " for Standard Transcription", " Standard Transcription"};
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
        return Compose("Ready to Upload", TextsOf(kind).uploadSuffix);
      case kRecordDownload:
        return Compose(CheckedOut(sCurStatus) ? kDownloadedAndCheckedOut : "Downloaded", TextsOf(kind).forSuffix);
      case kRecordCheckOut:
        return Compose(IsDownloaded(sCurStatus) ? kDownloadedAndCheckedOut : "Checked out", TextsOf(kind).forSuffix);
      case kReturnToReady: {
        const std::string_view base = IsDownloaded(sCurStatus) ? "Downloaded" : "";
        if (kind == JobKind::None) return std::string(base);
        return base.empty() ? std::string(TextsOf(kind).ready) : Compose(base, TextsOf(kind).forSuffix);
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
