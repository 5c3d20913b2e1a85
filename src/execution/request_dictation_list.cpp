// The dictation list of a request: which dictations the current action still has to work on, the
// per-dictation errors a call reports, the dictations finished before a time-out, and the status
// changes applied to all dictations of a request.
#include <algorithm>
#include <filesystem>

#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "execution/retry_classification.hpp"
#include "model/connect_info.hpp"
#include "model/status_string.hpp"
#include "model/work_queue.hpp"
#include "object/dispatch.hpp"
#include "servlet_wire/dictation_file_names.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";

std::string Where(std::string_view operation) { return "clsDatabaseRequest." + std::string(operation); }

bool IsAddendum(clsUtteranceObject& dictation) {
  try {
    return dispatch::Get(dictation, "IsAddendum").ToBoolean();
  } catch (const AutomationError&) {
    return false;
  }
}

}  // namespace

std::shared_ptr<clsUtterances> clsDatabaseRequest::Dictations() const {
  return std::dynamic_pointer_cast<clsUtterances>(utterances_);
}

bool clsDatabaseRequest::IsEligible(const clsUtteranceObject& dictation) const {
  return dictation.ErrorString().empty() && dictation.LastActionCompleted() < currentRequest_;
}

std::int32_t clsDatabaseRequest::lfnEligibleSubmissions() {
  const std::string where = Where("lfnEligibleSubmissions");
  std::int32_t count = 0;
  if (const auto dictations = Dictations()) {
    for (const auto& dictation : dictations->Items()) {
      const std::string id = std::to_string(dictation->UtteranceID());
      if (IsEligible(*dictation)) {
        GlobalTrace(where, "Utterance " + id + " is eligible.", kTraceDetail);
        ++count;
      } else {
        GlobalTrace(where, id + " Error String = " + dictation->ErrorString() + ".  LastActionCompleted = " +
                               std::to_string(dictation->LastActionCompleted()) + ".  CurrentAction = " +
                               std::to_string(currentRequest_), kTraceDetail);
      }
    }
  }
  GlobalTrace(where, std::to_string(count) + " are eligible for further processing.");
  return count;
}

bool clsDatabaseRequest::AddUtteranceToList(clsUtteranceObject& dictation, std::string& textList) {
  if (!IsEligible(dictation)) return false;
  GlobalTrace(Where("AddUtteranceToList"), "Adding utterance:" + std::to_string(dictation.UtteranceID()) +
                                               "With DocumentVersion" + dictation.DocumentVersion(), kTraceDetail);
  DictationListEntry entry;
  entry.locationID = connectionInfo_ ? connectionInfo_->CurrentLocationID() : 0;
  entry.utteranceID = dictation.UtteranceID();
  entry.linkedDocumentID = dictation.LinkedDocumentID();
  entry.isAddendum = IsAddendum(dictation);
  entry.documentVersion = dictation.DocumentVersion();
  dictationList_.push_back(std::move(entry));
  if (!textList.empty()) textList += ", ";
  textList += std::to_string(dictation.UtteranceID()) + "(" + std::to_string(dictation.LocationID()) + ")";
  return true;
}

bool clsDatabaseRequest::InDownloadAction() const {
  return currentAction_ == 1 || currentAction_ == 2 || currentAction_ == 3 || currentAction_ == 9 || currentAction_ == 34;
}

std::int32_t clsDatabaseRequest::lfnSetupUtteranceList() {
  return ErrorTrap(kClass, "lfnSetupUtteranceList")([&]() -> std::int32_t {
    const std::string where = Where("lfnSetupUtteranceList");
    dictationList_.clear();
    const std::int32_t eligible = lfnEligibleSubmissions();
    if (eligible == 0) return 0;
    if (workQueue_ && InDownloadAction() && workQueue_->WorkQueueMode() == 3 && !workQueue_->GridDownload()) {
      GlobalTrace(where, "Calling lfnSetupRDRUttList");
      return lfnSetupRDRUttList(workQueue_->NumToRetrieve());
    }
    std::string textList;
    for (const auto& dictation : Dictations()->Items()) AddUtteranceToList(*dictation, textList);
    GlobalTrace(where, "Utterances: " + textList);
    GlobalTrace(where, "UBound:  " + std::to_string(static_cast<int>(dictationList_.size()) - 1) + ". lbound: 0");
    return static_cast<std::int32_t>(dictationList_.size());
  });
}

std::int32_t clsDatabaseRequest::lfnSetupRDRUttList(std::int16_t requested) {
  const std::string where = Where("lfnSetupRDRUttList");
  const auto dictations = Dictations();
  const std::int32_t count = dictations ? dictations->Count() : 0;
  if (count < requested) {
    GlobalTrace(where, "NumUtterancesRequested (" + std::to_string(requested) + ") less than num utterances available (" +
                           std::to_string(count) + "). Returning 0.");
    ReInitUtteranceCol(0);
    return 0;
  }
  if (count > 1) ReInitUtteranceCol(1);
  const auto first = Dictations()->Items().front();
  const std::string id = std::to_string(first->UtteranceID());
  GlobalTrace(where, "Examining utterance " + id);
  std::string textList;
  if (AddToRDRList(*first) && AddUtteranceToList(*first, textList)) {
    GlobalTrace(where, "Added " + id + " to list.  Returning 1.");
    return 1;
  }
  GlobalTrace(where, "Utterance " + id + " has already been downloaded.  Returning 0.");
  return 0;
}

bool clsDatabaseRequest::AddToRDRList(clsUtteranceObject& dictation) const {
  if (currentAction_ == 6 || currentAction_ == 32 || currentAction_ == 53) return true;
  return !AlreadyDownloadedForRDR(dictation);
}

bool clsDatabaseRequest::AlreadyDownloadedForRDR(clsUtteranceObject& dictation) const {
  const std::string root = sfnFileRootFromUtterance(std::to_string(dictation.UtteranceID()));
  std::error_code ignored;
  const bool downloaded = std::filesystem::exists(root + ".wav", ignored) && std::filesystem::exists(root + ".hd3", ignored);
  if (downloaded) {
    GlobalTrace(Where("AlreadyDownloadedForRDR"), "Utterance " + std::to_string(dictation.UtteranceID()) +
                                                      " already downloaded.  Ignoring.");
  }
  return downloaded;
}

void clsDatabaseRequest::ReInitUtteranceCol(std::int32_t count) {
  const std::string where = Where("ReInitUtteranceCol");
  auto replacement = std::make_shared<clsUtterances>();
  const auto current = Dictations();
  if (count == 1 && current && current->Count() > 0) {
    const auto first = current->Items().front();
    replacement->AddCompleteObject(first, first->ConfigFile());
    if (workQueue_) workQueue_->SetNumToRetrieve(1);
    GlobalTrace(where, "Reinitializing utterance collection to include only: " + std::to_string(first->UtteranceID()));
  } else {
    GlobalTrace(where, "Reinitializing utterance collection to include 0 utterances");
  }
  utterances_ = replacement;
}

std::string clsDatabaseRequest::sfnFileRootFromUtterance(const std::string& utteranceID) const {
  const std::string folder = connectionInfo_ ? connectionInfo_->DownloadPath() : std::string();
  return (std::filesystem::path(folder) / servlet_wire::DictationFileRoot(utteranceID)).string();
}

std::string clsDatabaseRequest::sfnStripUtteranceKeyFromError(const std::string& sMessage) {
  // "...UTTERANCE<one character><blanks><digits><more text>": the digits are the key. A key that
  // runs to the very end of the text is not taken.
  std::string upper = sMessage;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const size_t at = upper.find("UTTERANCE");
  if (at == std::string::npos) return {};
  size_t start = at + 10;
  while (start < sMessage.size() && sMessage[start] == ' ') ++start;
  if (start >= sMessage.size()) return {};
  size_t end = start;
  while (end < sMessage.size() && std::isdigit(static_cast<unsigned char>(sMessage[end]))) ++end;
  if (end >= sMessage.size()) return {};
  return sMessage.substr(start, end - start);
}

void clsDatabaseRequest::HandleDictationListErrors(const std::vector<std::string>& sarrErrorMessages, std::int32_t eAction,
                                                   bool& bTimeoutOccurred, std::string& sTimeoutMessage) {
  RaiseTrap("in ZERUredoz.clsDatabaseRequest.HandleDictationListErrors.")([&] {
    const std::string where = Where("HandleDictationListErrors");
    GlobalTrace(where, "Entering sub.");
    retriedDictations_.clear();
    for (size_t index = 0; index < sarrErrorMessages.size(); ++index) {
      const std::string& text = sarrErrorMessages[index];
      GlobalTrace(where, "Processing message " + std::to_string(index) + ": " + text);
      if (text.empty()) continue;
      if (bfnRequestTimeOutMessage(text)) {
        GlobalTrace(where, "Setting bTimeout to TRUE");
        bTimeoutOccurred = true;
        sTimeoutMessage = text;
        // A failure of one dictation's own transfer (its file failed the checksum) names it:
        // it is done again, whatever the library counts as completed.
        if (std::string key = sfnStripUtteranceKeyFromError(text); !key.empty()) retriedDictations_.push_back(std::move(key));
        continue;
      }
      if (bTimeoutOccurred) {
        GlobalErrorsLog(where, "An error message was found in a dictation which should not have been processed following a timeout.");
      }
      const std::string key = sfnStripUtteranceKeyFromError(text);
      GlobalTrace(where, "Handling dictation: " + key);
      if (key.empty()) {
        GlobalErrorsLog(where, "No utteranceID could be stripped from this error message: \r\n" + text);
        if (eAction == 61) {
          MsgBox("There was an error downloading the pending reasons for one of your dictations. The server did not "
                 "indictate which dictation failed. The error was: " + text);
        }
        continue;
      }
      const auto dictations = Dictations();
      const auto dictation = dictations ? dictations->Item("U" + key, GetDocVersionFromError(text)) : nullptr;
      if (!dictation) {
        GlobalErrorsLog(where, "During action type " + std::to_string(eAction) + ": " + key + " is an invalid UtteranceKey");
        continue;
      }
      const bool checkingIn = eAction == 0 || eAction == 4;
      if (checkingIn && dictation->InitialStatusCode() == 4 && bfnAlreadyCheckedIn(text)) continue;
      GlobalTrace(where, "Setting errormsg in utterance obj: " + text);
      dictation->SetErrorString(text);
      dictation->SetErrorAction(Value(eAction));
      if (checkingIn) dictation->UpdateStatusCode(6);
    }
  });
}

bool clsDatabaseRequest::bfnAlreadyCheckedIn(const std::string& sMessage) {
  return ContainsIgnoringCase(sMessage, "is not checked out");
}

std::int32_t clsDatabaseRequest::CompletedBeforeTimeOut(std::int32_t reported) const {
  const auto entries = static_cast<std::int32_t>(dictationList_.size());
  for (std::int32_t i = 0; i < reported && i < entries; ++i) {
    const std::string id = std::to_string(dictationList_[static_cast<size_t>(i)].utteranceID);
    if (std::find(retriedDictations_.begin(), retriedDictations_.end(), id) != retriedDictations_.end()) {
      GlobalTrace(Where("CompletedBeforeTimeOut"), "Utterance " + id + " failed for a passing reason: it and the " +
                                                       "dictations after it are transferred again.");
      return i;
    }
  }
  return reported;
}

void clsDatabaseRequest::MarkCompletedUtterances(std::int32_t count, std::int16_t index) {
  ErrorTrap(kClass, "MarkCompletedUtterances")([&] {
    const std::string where = Where("MarkCompletedUtterances");
    count = CompletedBeforeTimeOut(count);
    if (count <= 0) return;
    std::int32_t action = currentAction_;
    std::string line = "Request " + id_ + " timed out in the midst of " + ActionDescription(action) + "\r\n" +
                       std::to_string(count) + " were processed before the time out:\r\n";
    const auto dictations = Dictations();
    const std::int32_t change = StatusChangeOfAction(currentAction_);
    for (std::int32_t i = 0; i < count && i < static_cast<std::int32_t>(dictationList_.size()); ++i) {
      const DictationListEntry& entry = dictationList_[static_cast<size_t>(i)];
      const std::string key = "U" + std::to_string(entry.utteranceID);
      const auto dictation = dictations ? dictations->Item(key, entry.documentVersion) : nullptr;
      if (!dictation) continue;
      dictation->SetLastActionCompleted(index);
      if (dictation->ErrorString().empty()) {
        if (change >= 0) dictation->SetStatus(statusString_.NewStatus(change, dictation->Status()));
        line += key + "\t";
      } else {
        line += key + " (" + dictation->ErrorString() + ")\t";
      }
    }
    GlobalSummaryLog(where, line);
  });
}

void clsDatabaseRequest::UpdateStatusCodes(std::int32_t eCode, const std::string& sMsg) {
  ErrorTrap(kClass, "UpdateStatusCodes")([&] {
    const auto dictations = Dictations();
    if (!dictations) return;
    for (const auto& dictation : dictations->Items()) {
      if (dictation->ErrorString().empty()) {
        dictation->UpdateStatusCode(eCode);
        if (!dictation->UnsavedReason().empty()) NoteUnsavedRecord(*dictation, dictation->UnsavedReason());
      }
      if (eCode == 6) dictation->WriteLastError(sMsg);
    }
  });
}

void clsDatabaseRequest::ApplyStatusUpdates(std::int32_t eStatChange) {
  ErrorTrap(kClass, "ApplyStatusUpdates")([&] {
    const auto dictations = Dictations();
    if (!dictations) return;
    for (const auto& dictation : dictations->Items()) {
      if (dictation->ErrorString().empty()) dictation->SetStatus(statusString_.NewStatus(eStatChange, dictation->Status()));
    }
  });
}

void clsDatabaseRequest::NoteUnsavedRecord(const clsUtteranceObject& dictation, const std::string& reason) {
  const std::string text = "The record of dictation " + std::to_string(dictation.UtteranceID()) + " could not be saved: " + reason;
  GlobalErrorsLog(Where("NoteUnsavedRecord"), text);
  if (globalErrorMessage_.find(text) != std::string::npos) return;
  if (globalErrorMessage_.find_first_not_of(' ') == std::string::npos) globalErrorMessage_ = text;
  else globalErrorMessage_ += "\r\n" + text;
}

bool clsDatabaseRequest::bfnInUtteranceList(std::int32_t lUtteranceID) const {
  for (const auto& entry : dictationList_) {
    if (entry.utteranceID == lUtteranceID) return true;
  }
  return false;
}

}  // namespace vz
