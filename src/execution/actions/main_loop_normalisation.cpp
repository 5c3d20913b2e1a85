// Audio normalisation after a download: each downloaded ".pcm" is decoded and checked, then
// converted to the ".wav" the editor plays. A checksum failure repeats the whole download; any
// other failure marks only its dictation.
#include <algorithm>
#include <filesystem>

#include "audio/process_pcm.hpp"
#include "audio/sphere_decode.hpp"
#include "diagnostics/automation_error.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/date_text.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/actions/main_loop.hpp"
#include "execution/database_request.hpp"

namespace vz {
namespace {

constexpr std::string_view kLocation = "clsDatabaseRequest.NormalizeDownloads";
// The exit status of a console window the user closed while it converted a literal file.
constexpr std::string_view kClosedWindowStatus = "1073741510";

std::string AudioErrorText(int (*fetch)(char*, int)) {
  char buffer[201] = {};
  fetch(buffer, 200);
  return buffer;
}

}  // namespace

std::string NormalizeDownloads(clsDatabaseRequest& request, std::size_t listEntries) {
  // The server's status-message hook has no listener; the texts go to the trace.
  const auto dictations = request.Dictations();
  const auto& dictationList = request.DictationList();
  const std::size_t entries = std::min(listEntries, dictationList.size());
  const auto inList = [&](std::int32_t utteranceID) {
    return std::any_of(dictationList.begin(), dictationList.begin() + static_cast<std::ptrdiff_t>(entries),
                       [&](const DictationListEntry& entry) { return entry.utteranceID == utteranceID; });
  };
  bool errorsOccurred = false;
  if (dictations) {
    for (const auto& dictation : dictations->Items()) {
      const std::string id = std::to_string(dictation->UtteranceID());
      if (!dictation->ErrorString().empty() || !inList(dictation->UtteranceID())) continue;
      GlobalTrace(kLocation, "Normalizing utterance " + id, kTraceDetail);
      const std::string root = request.sfnFileRootFromUtterance(id);
      const std::string pcm = root + ".pcm";
      std::error_code sizeError;
      const auto length = std::filesystem::file_size(pcm, sizeError);
      if (!sizeError && length == 0) {
        GlobalTrace(kLocation, pcm + " is an empty file. Skipping SphereDecode");
      } else {
        GlobalTrace(kLocation, "Normalizing " + id + "after download.  Length of " + pcm + " is " +
                                   std::to_string(sizeError ? 0 : length));
        const int code = SphereDecode(pcm.c_str());
        if (code != 0) {
          GlobalTrace(kLocation, "SphereDecode return error code: " + std::to_string(code));
          const std::string text = AudioErrorText(&SphereError);
          dictation->SetErrorString(text);
          GlobalTrace(kLocation, "Utterance errorstring: " + text);
          if (text.find("WRITE VERIFICATION OF CHECKSUM FAILED") != std::string::npos) {
            dictation->SetErrorString("");
            return "Checksum error occurred during download of utterance " + id;
          }
          errorsOccurred = true;
          continue;
        }
        GlobalTrace(kLocation, "SphereDecode completed successfully");
      }
      std::error_code ignored;
      bool literal = false;
      try {
        literal = !std::filesystem::exists(root + ".wal", ignored) && dictation->UtteranceType().ToLong() == 1;
      } catch (const AutomationError&) {
        literal = false;
      }
      bool converted = false;
      for (int attempt = 1; attempt <= 3; ++attempt) {
        GlobalTrace(kLocation, std::string("Calling ProcessPCMforPenwright. Literal = ") + (literal ? "TRUE." : "FALSE."));
        const int code = ProcessPCMforPenwright(pcm.c_str(), literal);
        if (code == 0) {
          converted = true;
          break;
        }
        GlobalTrace(kLocation, "ProcessPCMForPenwright returned error code: " + std::to_string(code));
        const std::string text = AudioErrorText(&ProcessPCMError);
        dictation->SetErrorString(text);
        if (text.find(kClosedWindowStatus) == std::string::npos || attempt == 3) break;
        dictation->SetErrorString("");
        MsgBox("Someone appears to have closed the DOS Window before it finished processing the literal file.\r\n"
               "Penwright will now attempt to process it again.",
               vbOKOnly, "Penwright Warning");
      }
      if (!converted) {
        errorsOccurred = true;
        continue;
      }
      GlobalTrace(kLocation, "ProcessPCMForPenwright completed successfully");
      dictation->SetDownloadTime(dictation::FormatWithServerSetting(dictation::LocalNow()));
      GlobalTrace(kLocation, "After normalizing utterance " + id, kTraceDetail);
    }
  }
  GlobalTrace(kLocation, errorsOccurred ? "Normalization completed.  Errors encountered..."
                                         : "Normalization completed successfully...");
  return {};
}

}  // namespace vz
