// An upload that could not reach the institution's host at all: the user is told at once, every
// listed dictation keeps a redo file and an error text so the editor can upload it later, and the
// request ends instead of retrying.
#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_list.hpp"
#include "model/connect_info.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";
constexpr std::int32_t kStatusCodeUploadFailed = 6;

}  // namespace

void clsDatabaseRequest::WriteRedoUploadFile(const std::string& sUtteranceID) {
  ErrorTrap(kClass, "WriteRedoUploadFile")([&] {
    // The identifier becomes part of a file name: anything but digits could lead out of the
    // download folder.
    const auto number = PlainDictationNumber(sUtteranceID);
    if (!number) RaiseServerError("Invalid dictation identifier for a redo file: " + sUtteranceID);
    const std::string file = sfnFileRootFromUtterance(std::to_string(*number)) + ".rdu";
    GlobalTrace("clsDatabaseRequest.WriteRedoUploadFile", "Writing " + file);
    platform::WriteFileAtomically(file, "Upload of utterance " + sUtteranceID +
                                            " failed because remote host was unavailable.\r\n");
  });
}

void clsDatabaseRequest::HandleNoRemoteHostOnUpload() {
  ErrorTrap(kClass, "HandleNoRemoteHostOnUpload")([&] {
    const std::string location = connectionInfo_ ? connectionInfo_->CurrentLocation() : std::string();
    std::string message = "Your computer could not connect to the " + location +
                          " database.  Please contact your system administrator or Quorvane representative "
                          "immediately!\r\nThe following utterances were not uploaded:\r\n";
    const auto dictations = Dictations();
    for (const DictationListEntry& entry : dictationList_) {
      const std::string id = std::to_string(entry.utteranceID);
      message += "\r\n" + id;
      WriteRedoUploadFile(id);
      const auto dictation = dictations ? dictations->Item("U" + id, entry.documentVersion) : nullptr;
      if (!dictation) continue;
      dictation->SetErrorString(
          "This utterance was not uploaded because the database was not available.  Please contact your system "
          "administrator or Quorvane representative immediately!");
      dictation->SetErrorAction(Value(currentAction_));
      dictation->UpdateStatusCode(kStatusCodeUploadFailed);
    }
    MsgBox(message, vbOKOnly + vbCritical, "Serious System Problem at " + location);
    CloseRequest();
  });
}

}  // namespace vz
