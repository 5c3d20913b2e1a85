// Retrying an action whose call failed for a passing reason: the request steps back to the failed
// action and the pump runs it again after five seconds, the client is warned, and the request
// gives up when its retries run out, the user declines, or the server is shutting down.
#include <chrono>
#include <filesystem>

#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/dictation_texts.hpp"
#include "execution/retry_classification.hpp"
#include "model/generic_request.hpp"
#include "platform/process_launch.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";
constexpr auto kRetryInterval = std::chrono::milliseconds(5000);

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string BoolText(bool value) { return value ? "True" : "False"; }

}  // namespace

bool clsDatabaseRequest::bfnRaiseCommunicationsWarning(std::int32_t completionAction) const {
  const auto host = host_.lock();
  if (host && !host->AdditionalCommWarning().empty()) {
    GlobalTrace("clsDatabaseRequest.bfnRaiseCommunicationsWarning", "AdditionalCommWarning: " + host->AdditionalCommWarning());
    return true;
  }
  if (bfnIsDiscardable(completionAction)) return completionAction == 2 || completionAction == 4 || completionAction == 6;
  return true;
}

bool clsDatabaseRequest::bfnRetrievingChangedHeader() const {
  const auto host = host_.lock();
  return host && host->RequestQueueType() == 2;
}

void clsDatabaseRequest::RunTraceRouteLogger(const std::string& sMessage) {
  ErrorTrap(kClass, "RunTraceRouteLogger")([&] {
    const std::string where = "clsDatabaseRequest.RunTraceRouteLogger";
    if (traceRouteLaunched_) {
      GlobalSummaryLog(where, "Still encountering communications problems but have already sent a tracert for this "
                              "request.  Error message: \r\n\r\n" + sMessage);
    } else {
      GlobalSummaryLog(where, "Running a tracert.  Error message: \r\n\r\n" + sMessage);
      GlobalTrace(where, "AppPath: " + ApplicationPath());
      const auto program = std::filesystem::path(ApplicationPath().empty() ? "." : ApplicationPath()) / "TraceRouteLogger.exe";
      const std::string logRoot = std::filesystem::path(GlobalLogFile().empty() ? LogFilePath() : GlobalLogFile()).parent_path().string();
      // The tool is optional: where it is not installed nothing is started.
      platform::LaunchProcess(program, {"LOGROOT=" + logRoot, "ERRORMESSAGE=" + sMessage});
      GlobalTrace(where, "After launching TraceRouteLogger");
      traceRouteLaunched_ = true;
    }
    GlobalTrace(where, "Exiting sub.");
  });
}

int clsDatabaseRequest::CommMessage(const std::string& sText) const {
  // The communications-problem question is a yes/no box. A box nobody could answer (no client
  // takes prompts, boxes are off) reads OK, which is neither: the caller then decides alone.
  const int answer = MsgBox(sText, vbYesNo, "Penwright MT");
  return answer == vbYes || answer == vbNo ? answer : vbOK;
}

void clsDatabaseRequest::SetupRequestForRetry(const std::string& sMessage,
                                             const std::shared_ptr<clsGenericRequest>& objGenericRequest) {
  ErrorTrap(kClass, "SetupRequestForRetry")([&] {
    const std::string where = "clsDatabaseRequest.SetupRequestForRetry";
    const auto host = host_.lock();
    GlobalTrace(where, "Entering sub. Message: " + sMessage);
    if (host && host->ReinitializeFormHandler()) {
      GlobalTrace(where, "Calling gobjZERUredoz.MakeNewFormHandler");
      host->MakeNewFormHandler();
    }
    GlobalTrace(where, sMessage + "Before  cRequestTruncatedMessage ");

    if (sMessage.find(kTruncatedDuringShutdown) != std::string::npos) {
      ignore_ = true;
      GlobalTrace(where, "Received truncate message. Enabling timer.");
      ResumePump();
      return;
    }
    if (host && host->ShutDownInProcess()) {
      globalErrorMessage_ = std::string(kGaveUpDuringShutdown);
      host->SetCancelAllRequests(true);
      CloseRequest();
      return;
    }

    bool interactive = host && host->Instance() == "2" && maxRetries_ >= 0;
    if (interactive) {
      if (completionAction_ == 29 || completionAction_ == 37) {
        globalErrorMessage_ = sMessage;
        CloseRequest();
        return;
      }
      std::string question = retries_ > 0 ? "Penwright is continuing to encounter communications problems while "
                                          : "Penwright has encountered communications problems while ";
      question += Lower(Description(kPlainDescription)) + ".  ";
      if (completionAction_ == 26) {
        question += "\r\n\r\nYou may retry this search.\r\n\r\nOr you may pend the dictation and upload it after "
                    "completing the transcription.\r\n\r\nDo you want to retry this search?";
      } else {
        question += "Do you want to retry this action?";
      }
      const int answer = CommMessage(question);
      if (answer == vbNo) {
        RunTraceRouteLogger(sMessage);
        GlobalTrace(where, "User declined to retry request.  Error was: " + sMessage);
        globalErrorMessage_ = "  ";
        CloseRequest();
        return;
      }
      if (answer == vbYes) {
        ++retries_;
      } else {
        // Nobody to ask: retry as a request nobody is asked about does, up to its limit.
        GlobalTrace(where, "Nobody answered the question.  Retrying without asking.");
        interactive = false;
      }
    }
    if (!interactive) {
      const bool checksum = IsChecksumFailure(sMessage);
      if (!continueRetries_ || (maxRetries_ >= 0 && retries_ >= maxRetries_) || (checksum && retries_ >= 2)) {
        GlobalSummaryLog("clsdatabaserequest.SetupRequestForRetry", "Closing request: " + Description(kTimedOut));
        GlobalTrace(where, "Closing request. m_bContinueRetries = " + BoolText(continueRetries_) + " m_nMaxRetries = " +
                               std::to_string(maxRetries_) + ".  m_nRetries = " + std::to_string(retries_));
        active_ = true;
        if (!checksum) {
          GlobalTrace(where, sMessage + " Before  RunTraceRouteLogger sMessage ");
          RunTraceRouteLogger(sMessage);
        }
        globalErrorMessage_ = sMessage;
        CloseRequest();
        return;
      }
    }

    // Retry the same action after a pause.
    active_ = false;
    RunTraceRouteLogger(sMessage);
    GlobalTrace(where, "Returned from RunTraceRouteLogger.");
    if (currentRequest_ > 0) {
      --currentRequest_;
      GlobalTrace(where, "Decremented m_nCurrentRequest to " + std::to_string(currentRequest_) +
                             ". ActionsRemaining = " + std::to_string(numRequests_ - currentRequest_));
    } else {
      GlobalTrace(where, "Didn't increment m_nCurrentRequest.  It is: " + std::to_string(currentRequest_));
    }
    if (objGenericRequest) {
      GlobalTrace(where, "Clearing generic request object");
      objGenericRequest->Clear();
      // The repeated action must find the same parameter set again, not the next one (or none).
      objGenericRequest->SetTransmitted(false);
      objGenericRequest->SetCompleted(false);
    }
    ++retries_;
    GlobalTrace(where, "before If bfnRaiseCommunicationsWarning(CompletionAction");
    if (host && bfnRaiseCommunicationsWarning(completionAction_)) {
      if (!bfnRetrievingChangedHeader()) {
        host->Fire_CommunicationsWarning(
            "Penwright MT has encountered communications problems while " + Lower(Description(kPlainDescription)) +
                ".  \r\nYou may continue to work while Penwright attempts to reestablish the communications with the "
                "database.\r\nThank you.",
            completionAction_, Value::Nothing());
      } else if (retries_ >= 5) {
        const auto dictations = ReadDictationTexts(utterances_);
        const std::string first = dictations.empty() ? std::string() : dictations.front().utteranceID;
        GlobalTrace(where, "Raising RETRIEVE_NEW_HEADER communications failure for uttid: " + first);
        host->Fire_CommunicationsWarning(
            "Penwright MT encountered communications problems while attempting to retrieve the new header for this "
            "dictation.",
            completionAction_, Value(first));
      } else {
        GlobalTrace(where, "Going to retry retrieving new header");
      }
    }
    GlobalTrace(where, "before Description(TimedOut)");
    GlobalSummaryLog(where, Description(kTimedOut));
    awaitingCompletion_ = false;
    if (host) host->ArmPumpForRetry(kRetryInterval);
    GlobalSummaryLog(where, "FrmTimer.tmrRequest.Enabled=True");
  });
}

void clsDatabaseRequest::RetryOrCloseWith(const std::string& message, std::string_view traceAt) {
  if (bfnRequestTimeOutMessage(message)) {
    SetupRequestForRetry(message, nullptr);
    return;
  }
  if (!traceAt.empty()) GlobalTrace(traceAt, message);
  globalErrorMessage_ = message;
  CloseRequest();
}

bool clsDatabaseRequest::HandleFileListErrorsOrRetry(ClientServiceObject& service, std::int32_t action,
                                                     const std::shared_ptr<clsGenericRequest>& generic,
                                                     const std::function<void(std::size_t)>& beforeRetry) {
  bool timedOut = false;
  std::string timeOutMessage;
  HandleDictationListErrors(service.ErrorMessages(), action, timedOut, timeOutMessage);
  if (!timedOut) return false;
  if (generic) generic->Clear();
  const auto completed = static_cast<std::size_t>(
      CompletedBeforeTimeOut(static_cast<std::int32_t>(service.UtterancesCompleted().size())));
  MarkCompletedUtterances(static_cast<std::int32_t>(completed), currentRequest_);
  if (beforeRetry) beforeRetry(completed);
  SetupRequestForRetry(timeOutMessage, generic);
  return true;
}

}  // namespace vz
