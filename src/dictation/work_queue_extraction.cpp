#include "dictation/work_queue_extraction.hpp"

#include <unordered_map>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/dictation_ids.hpp"
#include "dictation/utterances.hpp"
#include "object/standard_errors.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "xml/indented_layout.hpp"
#include "xml/parse_failure.hpp"

namespace vz::dictation {
namespace {

constexpr std::string_view kLocation = "clsWorkQueue.ExtractXML";

// The utterance ID names the configuration file, so only plain decimal IDs are accepted: an
// answer cannot make the server write outside the download folder, nor onto another dictation's
// files.
void RequireFileSafeId(const clsUtteranceObject& utterance) {
  const std::string id = utterance.Store().Read("utteranceID");
  if (!IsPlainDictationID(id)) {
    RaiseServerError("The utteranceID \"" + id +
                     "\" is not a decimal number, so no configuration file can be named for this dictation.");
  }
}

}  // namespace

ExtractionOutcome ExtractWorkQueueAnswer(const clsWorkQueue& queue, const ObjectRef& utterances) {
  ExtractionOutcome outcome;
  if (!utterances) {
    GlobalErrorsLog(kLocation, "extractXML called with no objects to fill up.");
    return outcome;
  }
  const auto collection = std::dynamic_pointer_cast<clsUtterances>(utterances);
  if (!collection) RaiseStandardError(kErrTypeMismatch, "colUtteranceObjects");

  // The records keep their rows in this document, shared (row_store.hpp).
  auto answer = std::make_shared<pugi::xml_document>();
  if (const auto failure = xml::ParseBuffer(*answer, queue.XMLResponse(), pugi::encoding_auto)) {
    Raise(failure->code, "Error loading workqueue XML: \r\n" + failure->reason +
                             "\r\n\r\nPlease contact your Quorvane representative");
  }
  std::vector<pugi::xml_node> rows;
  for (pugi::xml_node row : answer->child("InfoResponse").children("Row")) rows.push_back(row);
  const auto count = static_cast<std::int32_t>(rows.size());
  outcome.rows = count;
  GlobalTrace(kLocation, std::to_string(count) + " utterances to extract.");
  if (count - 1 >= queue.MaxRows() - 1) {
    const std::string maxRows = std::to_string(queue.MaxRows());
    MsgBox("There are more than " + maxRows + " dictations in your workqueue.  Penwright MT will only report on the first " +
               maxRows + ".",
           vbSystemModal);
  }

  const bool tracing = TraceLevel() >= kTraceProgress;
  const std::string folder = queue.DownloadPath() + "/";
  std::unordered_map<std::string, std::int32_t> firstRows;  // collection key -> row
  for (std::int32_t i = 0; i < count; ++i) {
    const pugi::xml_node row = rows[static_cast<std::size_t>(i)];
    auto utterance = std::make_shared<clsUtteranceObject>();
    if (queue.NumToRetrieve() >= 0 && tracing) {
      GlobalTrace(kLocation, "Extracting XML from utterance " + std::to_string(i) + ": \r\n" + xml::NodeMarkup(row));
    }
    std::optional<std::string> rejection;
    try {
      utterance->AdoptRetrievedRow(answer, row);
      RequireFileSafeId(*utterance);
    } catch (...) {
      rejection = CurrentErrorAsAutomationError().Description();
    }
    if (rejection) {
      GlobalErrorsLog(kLocation, "The database returned invalid XML in utterance " + std::to_string(i) + ": " +
                                     xml::NodeMarkup(row) + "\r\nAs a result, Penwright Client raised the following error:\r\n" +
                                     *rejection);
      outcome.rejections.push_back("Row " + std::to_string(i) + ": " + *rejection);
      continue;
    }
    const std::string id = std::to_string(utterance->UtteranceID());
    const std::string version = utterance->DocumentVersion();
    // A dictation listed twice (the same number and version, however the ID is written) keeps its
    // first row: a later one would replace the record the first row made.
    if (const auto first = firstRows.find("U" + id + "." + version); first != firstRows.end()) {
      GlobalErrorsLog(kLocation, "Utterance " + std::to_string(i) + " repeats dictation " + id + " version " + version +
                                     " of utterance " + std::to_string(first->second) + "; the first is kept: " + xml::NodeMarkup(row));
      outcome.duplicates.push_back("Row " + std::to_string(i) + ": dictation " + id + " version " + version + ", as row " +
                                   std::to_string(first->second));
      continue;
    }
    const std::string configFile = folder + servlet_wire::DictationFileName(id, ".cfg");
    if (tracing) {
      GlobalTrace(kLocation, "XML successfully extracted from utterance " + std::to_string(i));
      GlobalTrace(kLocation, "sUtterance: " + id + ".  rloc: " + std::to_string(queue.RetrieveLocation()) +
                                 ". sStatus: " + utterance->Status() + ". CFile: " + configFile);
    }
    utterance->SetDatabaseURL(queue.DatabaseURL());
    utterance->SetLogin(queue.Transcriptionist());
    utterance->SetMachineID(queue.MachineID());
    try {
      collection->AddCompleteObject(utterance, configFile);
    } catch (...) {
      // The caller's collection held this dictation already: its record is kept.
      GlobalErrorsLog(kLocation, "Utterance " + std::to_string(i) + ": " + CurrentErrorAsAutomationError().Description());
      outcome.duplicates.push_back("Row " + std::to_string(i) + ": dictation " + id + " version " + version +
                                   ", already in the collection");
      continue;
    }
    firstRows.emplace("U" + id + "." + version, i);
  }
  return outcome;
}

}  // namespace vz::dictation
