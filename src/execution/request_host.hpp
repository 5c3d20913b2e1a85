#pragma once
// What a request needs from the server frame around it: the pump to hand control back to, the
// time-out monitor's heartbeat, the client's completion event, the form handler, and the queue to
// look other requests up in. The server object provides it; tests provide their own.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "model/request_progress.hpp"
#include "object/value.hpp"

namespace vz {

class clsDatabaseRequest;

class RequestHost {
 public:
  virtual ~RequestHost() = default;

  // Re-enables the pump's timer (creating the pump when it is not there), so that the next tick
  // continues the current request.
  virtual void EnablePump() = 0;
  // The heartbeat the pump also gives at every tick.
  virtual void HeartbeatTimeOutMonitor() = 0;
  // Raises DatabaseRequestComplete to the client for `request`.
  virtual void RaiseDatabaseRequestComplete(const std::shared_ptr<clsDatabaseRequest>& request) = 0;
  // Replaces the form handler (after a truncation, for example).
  virtual void MakeNewFormHandler() = 0;
  // The queued request under `key`, or null.
  virtual std::shared_ptr<clsDatabaseRequest> FindRequest(std::string_view key) = 0;

  // What the retry logic asks of the server.
  virtual bool ReinitializeFormHandler() const = 0;
  virtual bool ShutDownInProcess() const = 0;
  virtual bool LoggedIn() const = 0;
  virtual void SetLoggedIn(bool loggedIn) = 0;
  virtual const std::string& Instance() const = 0;
  virtual const std::string& AdditionalCommWarning() const = 0;
  virtual std::int32_t RequestQueueType() const = 0;
  virtual void SetCancelAllRequests(bool cancel) = 0;
  // Tells the client what a long-running action is doing (contacts, speakers and worktypes).
  virtual void Fire_LoginStatus(const std::string& sStatusMessage) = 0;
  // Tells the client that a login is under way whose contact list is being fetched anew.
  virtual void Fire_NewLogin() = 0;
  virtual void Fire_CommunicationsWarning(const std::string& sWarning, std::int32_t eAction, const Value& AdditionalInfo) = 0;
  // Runs the pump's next tick after `delay` (a retry's pause).
  virtual void ArmPumpForRetry(std::chrono::milliseconds delay) = 0;
  // How far a request has come; nobody is told unless the host passes it on.
  virtual void ReportProgress(const RequestProgress&) {}
};

}  // namespace vz
