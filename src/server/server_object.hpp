#pragma once
// clsZERUredoz: the one public object through which a client uses the server process. The client
// configures logging and behaviour through its properties, makes value objects with its
// factories, submits work through DatabaseRequests, and hears results through its events. Requests
// reach it as their host: it re-enables the pump, raises DatabaseRequestComplete and replaces the
// form handler for them.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "execution/request_host.hpp"
#include "server/crash_handler.hpp"
#include "object/automation_object.hpp"
#include "server/form_handler.hpp"
#include "server/request_pump.hpp"
#include "server/time_out_monitor.hpp"

namespace vz {

class clsDatabaseRequests;
class clsDatabaseRequest;
class clsRequestSpec;
class clsConnectInfo;
class clsParameters;
class clsUtterances;
class clsUtteranceObject;
class clsWorkQueue;
class clsStatusString;
class clsDBRTerminator;

// The error text of the requests Cleanup ends before they ran to their end.
inline constexpr const char* kEndedByCleanup = "Request truncated: the server was cleaned up before the request ended.";

class clsZERUredoz : public AutomationObject<clsZERUredoz>, public RequestHost, public PumpOwner {
 public:
  static constexpr std::string_view kClassName = "clsZERUredoz";
  static void Describe(ClassBuilder<clsZERUredoz>& c);

  static constexpr EventDef<std::shared_ptr<clsDatabaseRequest>, bool&> kDatabaseRequestComplete{
      "DatabaseRequestComplete", {"objDatabaseRequest", "bReceived"}};
  static constexpr EventDef<std::string, std::int16_t> kDBRError{"DBRError", {"sErrorMessage", "nSeverity"}};
  static constexpr EventDef<> kNewLogin{"NewLogin", {}};
  static constexpr EventDef<std::string, std::int32_t, Value> kCommunicationsWarning{
      "CommunicationsWarning", {"sWarning", "eAction", "AdditionalInfo"}};
  static constexpr EventDef<std::string> kLoginStatus{"LoginStatus", {"sStatusMessage"}};

  // The process's server object, made on first use (a second `create` gets the same object).
  static std::shared_ptr<clsZERUredoz> ProcessInstance();
  // The living server object, or null.
  static std::shared_ptr<clsZERUredoz> Current();

  clsZERUredoz();
  ~clsZERUredoz() override;

  // Events.
  void Fire_LoginStatus(const std::string& sStatusMessage) override;
  void Fire_DatabaseRequestComplete(const std::shared_ptr<clsDatabaseRequest>& objRequest);
  void Fire_CommunicationsWarning(const std::string& sWarning, std::int32_t eAction, const Value& AdditionalInfo);
  void Fire_NewLogin() override;

  std::shared_ptr<clsDatabaseRequests> DatabaseRequests() const { return requests_; }
  frmTimer* Pump() const { return pump_.get(); }

  const std::string& LogFilePath() const { return logFilePath_; }
  void SetLogFilePath(const std::string& path);
  std::string GlobalLogFile() const;
  void SetGlobalLogFile(const std::string& path);
  std::string GlobalSummaryLogFile() const;
  void SetGlobalSummaryLogFile(const std::string& path);
  std::int32_t TraceLevel() const;
  void SetTraceLevel(std::int32_t level);
  const std::string& DownloadPath() const { return downloadPath_; }
  void SetDownloadPath(std::string path) { downloadPath_ = std::move(path); }
  const std::string& AppPath() const { return appPath_; }
  void SetAppPath(const std::string& path);
  const std::string& Instance() const { return instance_; }
  void SetInstance(const std::string& instance);
  const std::string& PenwrightVersion() const { return penwrightVersion_; }
  void SetPenwrightVersion(std::string version) { penwrightVersion_ = std::move(version); }
  bool LoggedIn() const { return loggedIn_; }
  void SetLoggedIn(bool loggedIn) override { loggedIn_ = loggedIn; }
  bool TimerBlocked() const override { return timerBlocked_; }
  void SetTimerBlocked(bool blocked);
  std::int32_t RetryTimerInterval() const override { return retryTimerInterval_; }
  void SetRetryTimerInterval(std::int32_t milliseconds) { retryTimerInterval_ = milliseconds; }
  bool ForceError() const { return forceError_; }
  void SetForceError(bool force);
  bool CancelAllRequests() const { return cancelAllRequests_; }
  void SetCancelAllRequests(bool cancel);
  bool ShutDownInProcess() const { return shutDownInProcess_; }
  void SetShutDownInProcess(bool shuttingDown);
  bool BinaryRTFUploadsImplemented() const { return binaryRTFUploads_; }
  void SetBinaryRTFUploadsImplemented(bool on);
  std::int32_t CutoffForRTFTextUpload() const { return cutoffForRTFTextUpload_; }
  void SetCutoffForRTFTextUpload(std::int32_t bytes);
  const std::string& AdditionalCommWarning() const { return additionalCommWarning_; }
  void SetAdditionalCommWarning(std::string text) { additionalCommWarning_ = std::move(text); }
  void SetDBRUseCustomDateFormat(bool use);
  void SetDBRDateAndTimeFormat(const std::string& format);
  // The process and the current thread, as identifiers.
  std::int32_t ProcessHandle() const;
  std::int32_t ThreadHandle() const;

  // Factories.
  std::shared_ptr<clsRequestSpec> NewRequestSpec() const;
  std::shared_ptr<clsConnectInfo> NewConnectInfo() const;
  std::shared_ptr<clsUtterances> NewUtteranceCollection() const;
  std::shared_ptr<clsParameters> NewParametersCollection() const;
  std::shared_ptr<clsUtteranceObject> NewUtteranceObject() const;
  std::shared_ptr<clsWorkQueue> NewWorkQueue() const;
  std::shared_ptr<clsStatusString> NewStatusStringObject() const;

  void StopAllRequests();
  bool ConnectionActive() const;
  void TruncateRequest();
  void TurnOffTruncateFlag() override;
  void MakeNewFormHandler();
  void ShutDownPenwrightClientDLL();
  bool ReinitializeFormHandler() const;
  void InitializeTimeOutMechanism(const std::optional<Value>& dIntervalInMinutes);
  std::shared_ptr<TimeOutMonitor> TimeOutMonitorObject() const { return timeOutMonitor_; }
  void Cleanup();
  // Loads the exit window when needed; its handle is the process id (see exit_window.hpp).
  std::int32_t ExitProcessWindowHandle() const;
  // A new terminator object on every read.
  std::shared_ptr<clsDBRTerminator> Terminator() const;
  void InitCrashHandlers(bool& bUseVectorHandler);
  // False when there is no crash handler.
  bool ForceCrash(std::string& sProcessName);
  CrashHandler* CrashHandlerObject() const { return crashHandler_.get(); }

  clsFormHandler* FormHandler() const { return formHandler_.get(); }
  const clsLogSettings& LogSettings() const { return logSettings_; }

  // RequestHost.
  void EnablePump() override;
  void HeartbeatTimeOutMonitor() override;
  void RaiseDatabaseRequestComplete(const std::shared_ptr<clsDatabaseRequest>& request) override;
  std::shared_ptr<clsDatabaseRequest> FindRequest(std::string_view key) override;
  std::int32_t RequestQueueType() const override;
  void ArmPumpForRetry(std::chrono::milliseconds delay) override;
  void ReportProgress(const RequestProgress& progress) override;

  // Who hears of the requests' progress: the environment's observer unless replaced.
  void SetProgressObserver(std::shared_ptr<ProgressObserver> observer) { progressObserver_ = std::move(observer); }

 private:
  clsFormHandler& RequireFormHandler(std::string_view operation) const;
  void EnsurePump();

  std::shared_ptr<clsDatabaseRequests> requests_;
  std::unique_ptr<frmTimer> pump_;
  std::unique_ptr<clsFormHandler> formHandler_;
  clsLogSettings logSettings_;
  std::shared_ptr<TimeOutMonitor> timeOutMonitor_;
  double timeOutMinutes_ = 0;
  std::shared_ptr<CrashHandler> crashHandler_;

  std::string logFilePath_;
  std::string downloadPath_;
  std::string appPath_;
  std::string instance_;
  std::string penwrightVersion_;
  bool loggedIn_ = false;
  bool timerBlocked_ = false;
  std::int32_t retryTimerInterval_ = 0;
  bool forceError_ = false;
  bool cancelAllRequests_ = false;
  bool shutDownInProcess_ = false;
  bool cleanedUp_ = false;
  bool binaryRTFUploads_ = false;
  std::int32_t cutoffForRTFTextUpload_ = 0;
  std::string additionalCommWarning_;
  std::shared_ptr<ProgressObserver> progressObserver_;
};

}  // namespace vz
