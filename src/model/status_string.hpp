#pragma once
// Dictation status texts. A status text is both what the editor shows in its work list and the
// data the server reads back: every test on it is a case-insensitive substring search, so the
// phrases are produced and recognised exactly as written here.
#include <string>
#include <string_view>

#include "object/automation_object.hpp"

namespace vz {

// Status changes applied to a dictation.
enum StatusChange : int {
  kMarkForUpload = 0,
  kRecordDownload = 2,
  kRecordCheckOut = 4,
  kReturnToReady = 6,
};

class clsStatusString : public AutomationObject<clsStatusString> {
 public:
  static constexpr std::string_view kClassName = "clsStatusString";
  static void Describe(ClassBuilder<clsStatusString>& c);

  // The text after applying `eStatChange` to `sCurStatus`; other change values keep it.
  std::string NewStatus(int eStatChange, std::string_view sCurStatus) const;
  bool MarkedForUpload(std::string_view sStatus) const;
  bool Downloaded(std::string_view sStatus) const;
  bool CheckedOut(std::string_view sStatus) const;
  bool ReadyForLiteralTranscription(std::string_view sStatus) const;
  // 1 literal, 3 edit, 2 otherwise.
  int TypeFromStatus(std::string_view sStatus) const;
};

// Case-insensitive substring test (ASCII), the one comparison status texts are read with.
bool ContainsIgnoringCase(std::string_view text, std::string_view phrase);

}  // namespace vz
