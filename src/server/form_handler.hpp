#pragma once
// The form handler receives the server's configuration and owns the truncate flag that the pump
// clears when it starts a request that may not be discarded. It also reports whether it needs to be
// replaced; the retry logic asks, and the server then makes a new one.
#include <cstdint>
#include <memory>
#include <string>

namespace vz {

class TimeOutMonitor;

class clsFormHandler {
 public:
  // Configuration handed over by the server object.
  void SetLogFilePath(std::string path) { logFilePath_ = std::move(path); }
  void SetGlobalLogFile(std::string path) { globalLogFile_ = std::move(path); }
  void SetGlobalSummaryLogFile(std::string path) { globalSummaryLogFile_ = std::move(path); }
  void SetTraceLevel(std::int32_t level) { traceLevel_ = level; }
  void SetUseCustomDateFormat(bool use) { useCustomDateFormat_ = use; }
  void SetBinaryRTFUploadsImplemented(bool on) { binaryRTFUploads_ = on; }
  void SetCutoffForRTFTextUpload(std::int32_t bytes) { cutoffForRTFTextUpload_ = bytes; }
  void SetInstance(std::string instance) { instance_ = std::move(instance); }
  void SetTimeOutMonitor(std::int32_t milliseconds, std::shared_ptr<TimeOutMonitor> monitor, double minutes) {
    timeOutMilliseconds_ = milliseconds;
    timeOutMonitor_ = std::move(monitor);
    timeOutMinutes_ = minutes;
  }

  // Asks the handler to abandon what it is doing.
  void Truncate() { truncate_ = true; }
  void ClearTruncateFlag() { truncate_ = false; }
  bool TruncateFlag() const { return truncate_; }
  // The server is shutting down: the handler stops and asks to be replaced should work go on.
  void ShutDown() {
    shutDown_ = true;
    reinitialize_ = true;
  }
  bool IsShutDown() const { return shutDown_; }
  // Whether the handler wants to be replaced by a new one.
  bool Reinitialize() const { return reinitialize_; }
  void RequestReinitialize() { reinitialize_ = true; }

  const std::string& LogFilePath() const { return logFilePath_; }
  const std::string& GlobalLogFile() const { return globalLogFile_; }
  const std::string& GlobalSummaryLogFile() const { return globalSummaryLogFile_; }
  std::int32_t TraceLevel() const { return traceLevel_; }
  bool UseCustomDateFormat() const { return useCustomDateFormat_; }
  bool BinaryRTFUploadsImplemented() const { return binaryRTFUploads_; }
  std::int32_t CutoffForRTFTextUpload() const { return cutoffForRTFTextUpload_; }
  const std::string& Instance() const { return instance_; }
  std::int32_t TimeOutMilliseconds() const { return timeOutMilliseconds_; }
  double TimeOutMinutes() const { return timeOutMinutes_; }
  const std::shared_ptr<TimeOutMonitor>& Monitor() const { return timeOutMonitor_; }

 private:
  std::string logFilePath_;
  std::string globalLogFile_;
  std::string globalSummaryLogFile_;
  std::int32_t traceLevel_ = 0;
  bool useCustomDateFormat_ = false;
  bool binaryRTFUploads_ = false;
  std::int32_t cutoffForRTFTextUpload_ = 0;
  std::string instance_;
  std::int32_t timeOutMilliseconds_ = 0;
  double timeOutMinutes_ = 0;
  std::shared_ptr<TimeOutMonitor> timeOutMonitor_;
  bool truncate_ = false;
  bool shutDown_ = false;
  bool reinitialize_ = false;
};

// Receives the global and summary log paths for components that log beside the server.
class clsLogSettings {
 public:
  void SetGlobalLogFile(std::string path) { globalLogFile_ = std::move(path); }
  void SetGlobalSummaryLogFile(std::string path) { globalSummaryLogFile_ = std::move(path); }
  const std::string& GlobalLogFile() const { return globalLogFile_; }
  const std::string& GlobalSummaryLogFile() const { return globalSummaryLogFile_; }

 private:
  std::string globalLogFile_;
  std::string globalSummaryLogFile_;
};

}  // namespace vz
