#include "server/server_object.hpp"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "diagnostics/error_log.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/message_box.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "model/connect_info.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"
#include "model/process_settings.hpp"
#include "model/request_spec.hpp"
#include "model/status_string.hpp"
#include "model/work_queue.hpp"
#include "platform/process_monitor.hpp"
#include "server/exit_window.hpp"
#include "server/request_queue.hpp"
#include "server/server_environment.hpp"
#include "server/terminator.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsZERUredoz";

std::string Where(std::string_view operation) { return std::string(kClass).append(".").append(operation); }
std::string BoolText(bool value) { return value ? "True" : "False"; }

// The process-wide reference the server keeps to itself until Cleanup.
std::shared_ptr<clsZERUredoz>& ProcessReference() {
  static std::shared_ptr<clsZERUredoz> server;
  return server;
}

// Process-monitor messages for the client's instances "1", "2" and "3".
int MonitorMessageForInstance(std::string_view instance) {
  while (!instance.empty() && instance.front() == ' ') instance.remove_prefix(1);
  while (!instance.empty() && instance.back() == ' ') instance.remove_suffix(1);
  if (instance == "1") return 1027;
  if (instance == "2") return 1028;
  if (instance == "3") return 1029;
  return 0;
}

}  // namespace

std::shared_ptr<clsZERUredoz> clsZERUredoz::ProcessInstance() {
  auto& server = ProcessReference();
  if (!server) {
    auto created = std::make_shared<clsZERUredoz>();
    // Steps of the creation that need the object to be shared already.
    created->requests_ = std::make_shared<clsDatabaseRequests>(std::weak_ptr<RequestHost>(created),
                                                              CurrentServerEnvironment().catalogue);
    server = created;
    created->EnsurePump();
    created->pump_->SetRequestCollection(created->requests_);
  }
  return server;
}

std::shared_ptr<clsZERUredoz> clsZERUredoz::Current() { return ProcessReference(); }

clsZERUredoz::clsZERUredoz() {
  GlobalTrace("clsZERUredoz.Class_Initialize", "Entering sub");
  SetApplicationNames("", "VizorareZazizuzEravov");
  vz::SetApplicationPath(appPath_);
  formHandler_ = std::make_unique<clsFormHandler>();
  formHandler_->SetUseCustomDateFormat(CurrentProcessSettings().useCustomDateFormat);
  progressObserver_ = CurrentServerEnvironment().progressObserver;
}

clsZERUredoz::~clsZERUredoz() {
  try {
    GlobalTrace("clsZERUredoz.Class_Terminate", "Start Termination of PID: " + std::to_string(::getpid()));
    requests_.reset();
    pump_.reset();
    // The windows still loaded in the process.
    if (frmExitProcess::Loaded()) GlobalTrace("clsZERUredoz.Class_Terminate", "Form open: frmExitProcess");
    GlobalTrace("clsZERUredoz.Class_Terminate", "End Termination.");
  } catch (...) {
    // Nothing may escape a destructor.
  }
}

void clsZERUredoz::EnsurePump() {
  if (pump_) return;
  Clock* clock = CurrentServerEnvironment().clock;
  if (clock == nullptr) RaiseServerError("The server has no event loop to run its timer on.");
  pump_ = std::make_unique<frmTimer>(*clock, *this);
  if (const auto interval = CurrentServerEnvironment().pumpInterval) pump_->tmrRequest().SetInterval(*interval);
}

// Events.

void clsZERUredoz::Fire_LoginStatus(const std::string& sStatusMessage) { RaiseEvent(kLoginStatus, sStatusMessage); }

void clsZERUredoz::Fire_NewLogin() { RaiseEvent(kNewLogin); }

void clsZERUredoz::Fire_CommunicationsWarning(const std::string& sWarning, std::int32_t eAction, const Value& AdditionalInfo) {
  ErrorTrap(kClass, "Fire_CommunicationsWarning")([&] {
    GlobalTrace(Where("Fire_CommunicationsWarning"), "Before event");
    RaiseEvent(kCommunicationsWarning, sWarning, eAction, AdditionalInfo);
    GlobalTrace(Where("CommunicationsWarning"), "After event");
  });
}

void clsZERUredoz::Fire_DatabaseRequestComplete(const std::shared_ptr<clsDatabaseRequest>& objRequest) {
  ErrorTrap(kClass, "Fire_DatabaseRequestComplete")([&] {
    const std::string where = Where("Fire_DatabaseRequestComplete");
    // A client acknowledges by setting bReceived; one that does not is asked again, four times more.
    for (int pass = 0;;) {
      bool received = false;
      GlobalTrace(where, "Before event");
      RaiseEvent(kDatabaseRequestComplete, objRequest, received);
      if (TraceWanted()) GlobalTrace(where, "After event.  bReceived = " + BoolText(received));
      if (received) return;
      if (pass >= 4) {
        GlobalErrorsLog(where, "Pass " + std::to_string(pass) + ": Exiting sub");
        return;
      }
      if (const auto generic = objRequest ? objRequest->GenericRequests() : nullptr) {
        for (const auto& entry : *generic) entry->SetRetrieved(false);
      }
      ++pass;
      GlobalErrorsLog(where, "Pass " + std::to_string(pass));
    }
  });
}

// Logging and behaviour.

void clsZERUredoz::SetLogFilePath(const std::string& path) {
  ErrorTrap(kClass, "LogFilePath")([&] {
    logFilePath_ = path;
    vz::SetLogFilePath(path);
    RequireFormHandler("LogFilePath").SetLogFilePath(path);
  });
}

std::string clsZERUredoz::GlobalLogFile() const { return vz::GlobalLogFile(); }

void clsZERUredoz::SetGlobalLogFile(const std::string& path) {
  ErrorTrap(kClass, "GlobalLogFile")([&] {
    vz::SetGlobalLogFile(path);
    logSettings_.SetGlobalLogFile(path);
    RequireFormHandler("GlobalLogFile").SetGlobalLogFile(path);
  });
}

std::string clsZERUredoz::GlobalSummaryLogFile() const { return vz::GlobalSummaryLogFile(); }

void clsZERUredoz::SetGlobalSummaryLogFile(const std::string& path) {
  ErrorTrap(kClass, "GlobalSummaryLogFile")([&] {
    vz::SetGlobalSummaryLogFile(path);
    logSettings_.SetGlobalSummaryLogFile(path);
    RequireFormHandler("GlobalSummaryLogFile").SetGlobalSummaryLogFile(path);
  });
}

std::int32_t clsZERUredoz::TraceLevel() const { return vz::TraceLevel(); }

void clsZERUredoz::SetTraceLevel(std::int32_t level) {
  ErrorTrap(kClass, "TraceLevel")([&] {
    vz::SetTraceLevel(level);
    RequireFormHandler("TraceLevel").SetTraceLevel(level);
  });
}

void clsZERUredoz::SetAppPath(const std::string& path) {
  appPath_ = path;
  vz::SetApplicationPath(path);
}

void clsZERUredoz::SetInstance(const std::string& instance) {
  ErrorTrap(kClass, "Instance")([&] {
    instance_ = instance;
    SetApplicationInstance(instance);
    RequireFormHandler("Instance").SetInstance(instance);
    GlobalTrace(Where("Instance"), ApplicationName() + " PID: " + std::to_string(::getpid()));
    if (const int message = MonitorMessageForInstance(instance)) {
      GlobalTrace("modProcMonMessages.PostMessageToMonitor", "Posting message " + std::to_string(message));
      platform::PostMessageToMonitor(message, static_cast<int>(::getpid()));
    }
  });
}

void clsZERUredoz::SetTimerBlocked(bool blocked) {
  GlobalTrace(Where("TimerBlocked"), "TimerBlocked set to: " + BoolText(blocked));
  timerBlocked_ = blocked;
}

void clsZERUredoz::SetForceError(bool force) {
  GlobalTrace(Where("ForceError"), "Set ForceError = " + BoolText(force));
  forceError_ = force;
}

void clsZERUredoz::SetCancelAllRequests(bool cancel) {
  GlobalTrace(Where("CancelAllRequests"), "Set CancelAllRequests = " + BoolText(cancel));
  cancelAllRequests_ = cancel;
  CurrentProcessSettings().cancelAllRequests = cancel;
}

void clsZERUredoz::SetShutDownInProcess(bool shuttingDown) {
  ErrorTrap(kClass, "ShutDownInProcess")([&] {
    shutDownInProcess_ = shuttingDown;
    if (requests_) requests_->SetShutDownInProcess(shuttingDown);
    if (shuttingDown) {
      // From now on errors are only logged: nobody is left to answer a box.
      SetErrorBoxesEnabled(false);
      if (formHandler_) formHandler_->ShutDown();
    }
  });
}

void clsZERUredoz::SetBinaryRTFUploadsImplemented(bool on) {
  binaryRTFUploads_ = on;
  if (formHandler_) formHandler_->SetBinaryRTFUploadsImplemented(on);
}

void clsZERUredoz::SetCutoffForRTFTextUpload(std::int32_t bytes) {
  cutoffForRTFTextUpload_ = bytes;
  if (formHandler_) formHandler_->SetCutoffForRTFTextUpload(bytes);
}

void clsZERUredoz::SetDBRUseCustomDateFormat(bool use) {
  ErrorTrap(kClass, "DBRUseCustomDateFormat")([&] {
    CurrentProcessSettings().useCustomDateFormat = use;
    RequireFormHandler("DBRUseCustomDateFormat").SetUseCustomDateFormat(use);
  });
}

void clsZERUredoz::SetDBRDateAndTimeFormat(const std::string& format) {
  CurrentProcessSettings().dateAndTimeFormat = format;
  GlobalTrace("modDBRUtils.DateAndTimeFormat", "Setting format to " + format);
}

std::int32_t clsZERUredoz::ProcessHandle() const { return static_cast<std::int32_t>(::getpid()); }

std::int32_t clsZERUredoz::ThreadHandle() const { return static_cast<std::int32_t>(::syscall(SYS_gettid)); }

// Factories.

std::shared_ptr<clsRequestSpec> clsZERUredoz::NewRequestSpec() const { return std::make_shared<clsRequestSpec>(); }
std::shared_ptr<clsConnectInfo> clsZERUredoz::NewConnectInfo() const { return std::make_shared<clsConnectInfo>(); }
std::shared_ptr<clsUtterances> clsZERUredoz::NewUtteranceCollection() const { return std::make_shared<clsUtterances>(); }
std::shared_ptr<clsParameters> clsZERUredoz::NewParametersCollection() const { return std::make_shared<clsParameters>(); }
std::shared_ptr<clsUtteranceObject> clsZERUredoz::NewUtteranceObject() const {
  GlobalTrace(Where("NewUtteranceObject"), "Entering sub");
  auto utterance = std::make_shared<clsUtteranceObject>();
  GlobalTrace(Where("NewUtteranceObject"), "Exiting sub");
  return utterance;
}
std::shared_ptr<clsWorkQueue> clsZERUredoz::NewWorkQueue() const { return std::make_shared<clsWorkQueue>(); }
std::shared_ptr<clsStatusString> clsZERUredoz::NewStatusStringObject() const { return std::make_shared<clsStatusString>(); }

// Control of the requests.

void clsZERUredoz::StopAllRequests() {
  ErrorTrap(kClass, "StopAllRequests")([&] {
    if (pump_) pump_->tmrRequest().SetEnabled(false);
    if (requests_) {
      requests_->SetAcceptingRequests(false);
      requests_->SetRequestActive(false);
    }
  });
}

bool clsZERUredoz::ConnectionActive() const {
  return ErrorTrap(kClass, "ConnectionActive")(
      [&] {
        const auto current = requests_ ? requests_->CurrentRequest() : nullptr;
        return !(current && current->Retries() >= 1);
      },
      true);
}

void clsZERUredoz::TruncateRequest() {
  ErrorTrap(kClass, "TruncateRequest")([&] { RequireFormHandler("TruncateRequest").Truncate(); });
}

void clsZERUredoz::TurnOffTruncateFlag() {
  ErrorTrap(kClass, "TurnOffTruncateFlag")([&] { RequireFormHandler("TurnOffTruncateFlag").ClearTruncateFlag(); });
}

void clsZERUredoz::MakeNewFormHandler() {
  ErrorTrap(kClass, "MakeNewFormHandler")([&] {
    const std::string where = Where("MakeNewFormHandler");
    GlobalTrace(where, "Entering sub.");
    formHandler_ = std::make_unique<clsFormHandler>();
    GlobalTrace(where, "After New clsFormHandler.");
    formHandler_->SetUseCustomDateFormat(CurrentProcessSettings().useCustomDateFormat);
    formHandler_->SetBinaryRTFUploadsImplemented(binaryRTFUploads_);
    formHandler_->SetCutoffForRTFTextUpload(cutoffForRTFTextUpload_);
    formHandler_->SetInstance(instance_);
    // The new handler gets the running monitor; before the client started the mechanism there is
    // none, and none is started here with an interval nobody gave.
    if (timeOutMonitor_) InitializeTimeOutMechanism(Value(timeOutMinutes_));
    GlobalTrace(where, "After m_dInitializeTimeOutMechanism.");
  });
}

void clsZERUredoz::ShutDownPenwrightClientDLL() {
  ErrorTrap(kClass, "ShutDownPenwrightClientDLL")([&] { formHandler_.reset(); });
}

bool clsZERUredoz::ReinitializeFormHandler() const {
  return ErrorTrap(kClass, "ReinitializeFormHandler")([&] { return RequireFormHandler("ReinitializeFormHandler").Reinitialize(); });
}

void clsZERUredoz::InitializeTimeOutMechanism(const std::optional<Value>& dIntervalInMinutes) {
  ErrorTrap(ProjectName{"VizorareZazizuzEravov"}, kClass, "InitializeTimeOutMechanism")([&] {
    const std::string where = Where("InitializeTimeOutMechanism");
    GlobalTrace(where, "Entering sub.");
    double minutes = 1.0;
    if (dIntervalInMinutes && dIntervalInMinutes->IsNumeric()) {
      minutes = dIntervalInMinutes->ToDouble();
    } else if (dIntervalInMinutes && dIntervalInMinutes->GetType() == Value::Type::String) {
      try {
        minutes = dIntervalInMinutes->ToDouble();
      } catch (const AutomationError&) {
        minutes = 1.0;  // not a number: one minute
      }
    }
    // No time-out at all is no usable interval either: the monitor would report a hang at once
    // and probe the loop without pause.
    if (!(minutes > 0)) minutes = 1.0;
    const double rounded = std::nearbyint(minutes * 60.0 * 1000.0);
    const auto milliseconds = static_cast<std::int32_t>(std::clamp(rounded, 0.0, 2147483647.0));
    timeOutMinutes_ = minutes;
    if (!timeOutMonitor_) {
      const auto& make = CurrentServerEnvironment().makeTimeOutMonitor;
      const MonitorLogSettings settings{vz::GlobalLogFile(), vz::GlobalSummaryLogFile(), vz::LogFilePath(),
                                        vz::TraceLevel()};
      timeOutMonitor_ = make ? make() : nullptr;
      if (timeOutMonitor_) timeOutMonitor_->Start(ApplicationName(), milliseconds, settings, false);
    } else {
      timeOutMonitor_->SetInterval(milliseconds);
    }
    if (formHandler_) formHandler_->SetTimeOutMonitor(milliseconds, timeOutMonitor_, timeOutMinutes_);
    GlobalTrace(where, "Exiting sub.");
  });
}

void clsZERUredoz::Cleanup() {
  ErrorTrap(kClass, "Cleanup")([&] {
    const std::string where = Where("Cleanup");
    GlobalTrace(where, "Entering sub.");
    cleanedUp_ = true;
    // No request is left without its completion event: whatever is still queued, retrying or in
    // flight ends now, and a client holding the queue can add nothing more.
    if (requests_) requests_->EndAllRequests(kEndedByCleanup);
    if (pump_) pump_->ReleaseRequestCollection();
    GlobalTrace(where, "After releasing request collection.");
    if (pump_) pump_->Form_Unload();
    pump_.reset();
    formHandler_.reset();
    if (timeOutMonitor_) {
      timeOutMonitor_->Stop();
      timeOutMonitor_.reset();
    }
    requests_.reset();
    // Last: this may release the object itself once the caller lets go.
    if (ProcessReference().get() == this) ProcessReference().reset();
  });
}

std::int32_t clsZERUredoz::ExitProcessWindowHandle() const {
  return ErrorTrap(kClass, "ExitProcessWindowHandle")(
      [&] {
        Clock* clock = CurrentServerEnvironment().clock;
        if (clock == nullptr) RaiseServerError("The server has no event loop to run the exit window's timer on.");
        return frmExitProcess::Load(*clock).hWnd();
      },
      std::int32_t{0});
}

std::shared_ptr<clsDBRTerminator> clsZERUredoz::Terminator() const {
  return ErrorTrap(kClass, "Terminator")([&] { return std::make_shared<clsDBRTerminator>(); },
                                         std::shared_ptr<clsDBRTerminator>());
}

void clsZERUredoz::InitCrashHandlers(bool& bUseVectorHandler) {
  ErrorTrap(kClass, "InitCrashHandlers")([&] {
    GlobalTrace(Where("InitCrashHandlers"), "Entering sub.  bUseVectorHandler = " + BoolText(bUseVectorHandler));
    const auto& make = CurrentServerEnvironment().makeCrashHandler;
    crashHandler_ = make ? make() : nullptr;
    if (crashHandler_) crashHandler_->Initialize(true, ApplicationName(), bUseVectorHandler);
  });
}

bool clsZERUredoz::ForceCrash(std::string& sProcessName) {
  return ErrorTrap(kClass, "ForceCrash")([&] { return crashHandler_ ? crashHandler_->ForceCrash(sProcessName) : false; },
                                         false);
}

clsFormHandler& clsZERUredoz::RequireFormHandler(std::string_view operation) const {
  if (!formHandler_) {
    Raise(kErrObjectNotSet, "Object variable or With block variable not set (form handler released before " +
                                std::string(operation) + ")");
  }
  return *formHandler_;
}

// RequestHost.

void clsZERUredoz::EnablePump() {
  if (cleanedUp_) return;  // nothing is left to pump
  EnsurePump();
  pump_->tmrRequest().SetEnabled(true);
}

void clsZERUredoz::HeartbeatTimeOutMonitor() {
  if (timeOutMonitor_) timeOutMonitor_->Heartbeat();
}

void clsZERUredoz::RaiseDatabaseRequestComplete(const std::shared_ptr<clsDatabaseRequest>& request) {
  Fire_DatabaseRequestComplete(request);
}

std::shared_ptr<clsDatabaseRequest> clsZERUredoz::FindRequest(std::string_view key) {
  return requests_ ? requests_->Find(key) : nullptr;
}

std::int32_t clsZERUredoz::RequestQueueType() const { return requests_ ? requests_->QueueType() : 0; }

void clsZERUredoz::ReportProgress(const RequestProgress& progress) {
  if (!progressObserver_) return;
  try {
    progressObserver_->OnProgress(progress);
  } catch (const std::exception& error) {
    // A report that cannot be shown never stops the request it reports on.
    GlobalTrace("clsZERUredoz.ReportProgress", std::string("Progress not reported: ") + error.what());
  }
}

void clsZERUredoz::ArmPumpForRetry(std::chrono::milliseconds delay) {
  if (cleanedUp_) return;
  EnsurePump();
  pump_->ArmForRetry(delay);
}

void clsZERUredoz::Describe(ClassBuilder<clsZERUredoz>& c) {
  using S = clsZERUredoz;
  c.Creatable([] { return ProcessInstance(); })
      .Operation("Fire_LoginStatus", &S::Fire_LoginStatus, {"sStatusMessage"})
      .Operation("InitCrashHandlers", &S::InitCrashHandlers, {"bUseVectorHandler"})
      .Property("DatabaseRequests", &S::DatabaseRequests)
      .Property("LogFilePath", &S::LogFilePath, &S::SetLogFilePath)
      .Property("GlobalLogFile", &S::GlobalLogFile, &S::SetGlobalLogFile)
      .Property("GlobalSummaryLogFile", &S::GlobalSummaryLogFile, &S::SetGlobalSummaryLogFile)
      .Property("TimeOutMonitor", &S::TimeOutMonitorObject)
      .Operation("Cleanup", &S::Cleanup)
      .Property("DownloadPath", &S::DownloadPath, &S::SetDownloadPath)
      .Property("TimerBlocked", &S::TimerBlocked, &S::SetTimerBlocked)
      .Property("ProcessHandle", &S::ProcessHandle)
      .Property("ThreadHandle", &S::ThreadHandle)
      .Operation("NewRequestSpec", &S::NewRequestSpec)
      .Operation("NewConnectInfo", &S::NewConnectInfo)
      .Operation("NewUtteranceCollection", &S::NewUtteranceCollection)
      .Operation("NewParametersCollection", &S::NewParametersCollection)
      .Operation("NewUtteranceObject", &S::NewUtteranceObject)
      .Operation("NewWorkQueue", &S::NewWorkQueue)
      .Operation("NewStatusStringObject", &S::NewStatusStringObject)
      .Operation("StopAllRequests", &S::StopAllRequests)
      .Property("ConnectionActive", &S::ConnectionActive)
      .Property("ShutDownInProcess", &S::ShutDownInProcess, &S::SetShutDownInProcess)
      .Property("AppPath", &S::AppPath, &S::SetAppPath)
      .Property("Instance", &S::Instance, &S::SetInstance)
      .Property("TraceLevel", &S::TraceLevel, &S::SetTraceLevel)
      .Property("LoggedIn", &S::LoggedIn, &S::SetLoggedIn)
      .Property("PenwrightVersion", &S::PenwrightVersion, &S::SetPenwrightVersion)
      .Property("ExitProcessWindowHandle", &S::ExitProcessWindowHandle)
      .Property("Terminator", &S::Terminator)
      .Property("RetryTimerInterval", &S::RetryTimerInterval, &S::SetRetryTimerInterval)
      .Operation("TruncateRequest", &S::TruncateRequest)
      .Operation("TurnOffTruncateFlag", &S::TurnOffTruncateFlag)
      .Property("CancelAllRequests", &S::CancelAllRequests, &S::SetCancelAllRequests)
      .Property("ForceError", &S::ForceError, &S::SetForceError)
      .Operation("MakeNewFormHandler", &S::MakeNewFormHandler)
      .Operation("ShutDownPenwrightClientDLL", &S::ShutDownPenwrightClientDLL)
      .Property("BinaryRTFUploadsImplemented", &S::BinaryRTFUploadsImplemented, &S::SetBinaryRTFUploadsImplemented)
      .Property("CutoffForRTFTextUpload", &S::CutoffForRTFTextUpload, &S::SetCutoffForRTFTextUpload)
      .Property("ReinitializeFormHandler", &S::ReinitializeFormHandler)
      .Property("AdditionalCommWarning", &S::AdditionalCommWarning, &S::SetAdditionalCommWarning)
      .Operation("InitializeTimeOutMechanism", &S::InitializeTimeOutMechanism, {"dIntervalInMinutes"})
      .Operation("ForceCrash", &S::ForceCrash, {"sProcessName"})
      .WriteOnlyProperty("DBRUseCustomDateFormat", &S::SetDBRUseCustomDateFormat)
      .WriteOnlyProperty("DBRDateAndTimeFormat", &S::SetDBRDateAndTimeFormat)
      .Event(kDatabaseRequestComplete)
      .Event(kDBRError)
      .Event(kNewLogin)
      .Event(kCommunicationsWarning)
      .Event(kLoginStatus);
}

}  // namespace vz
