#pragma once
// What a request needs from the server frame around it: the pump to hand control back to, the
// time-out monitor's heartbeat, the client's completion event, the form handler, and the queue to
// look other requests up in. The server object provides it; tests provide their own.
#include <memory>
#include <string_view>

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
};

}  // namespace vz
