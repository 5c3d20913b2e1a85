#pragma once
// clsDatabaseRequests: the server's one queue of requests. It turns a client's request
// specification into a request under a new key, keeps requests in arrival order, starts the pump
// when it goes from idle to busy, and tells the pump which request runs next.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "execution/action_catalogue.hpp"
#include "execution/database_request.hpp"
#include "execution/request_host.hpp"
#include "object/automation_object.hpp"
#include "object/collection.hpp"

namespace vz {

class clsRequestSpec;
class clsConnectInfo;

class clsDatabaseRequests : public AutomationObject<clsDatabaseRequests> {
 public:
  static constexpr std::string_view kClassName = "clsDatabaseRequests";
  static void Describe(ClassBuilder<clsDatabaseRequests>& c);

  clsDatabaseRequests(std::weak_ptr<RequestHost> host, std::shared_ptr<ActionCatalogue> catalogue);
  ~clsDatabaseRequests() override;

  // The next request to run after the one keyed `sKey`; nothing when none follows it.
  std::shared_ptr<clsDatabaseRequest> GetNextPending(std::string& sKey);
  // A new request for the specification, or nothing when the queue does not accept requests.
  std::shared_ptr<clsDatabaseRequest> Add(const std::shared_ptr<clsRequestSpec>& objRequestSpec);
  std::int32_t Count() const { return requests_.Count(); }
  void Remove(const Value& Index);
  void SetShutDownInProcess(bool shuttingDown) { shutDownInProcess_ = shuttingDown; }
  bool ShutDownInProcess() const { return shutDownInProcess_; }
  std::shared_ptr<clsDatabaseRequest> Item(const Value& Index);
  std::vector<std::shared_ptr<clsDatabaseRequest>> Requests() const { return {requests_.begin(), requests_.end()}; }

  Value CurrentRequestKey() const { return Value(currentRequestKey_); }
  void SetCurrentRequestKey(const Value& key) { currentRequestKey_ = key.ToString(); }
  const std::string& CurrentKey() const { return currentRequestKey_; }
  std::shared_ptr<clsDatabaseRequest> CurrentRequest() const { return currentRequest_; }
  bool RequestActive() const { return requestActive_; }
  void SetRequestActive(bool active) { requestActive_ = active; }
  std::shared_ptr<clsConnectInfo> ConnectionInfo() const { return connectionInfo_; }
  bool AcceptingRequests() const { return acceptingRequests_; }
  void SetAcceptingRequests(bool accepting) { acceptingRequests_ = accepting; }
  std::int32_t QueueType() const { return queueType_; }
  void SetQueueType(std::int32_t type);

  // The request under `key`, or null; never raises.
  std::shared_ptr<clsDatabaseRequest> Find(std::string_view key) const;
  // Removes the request under `key`; raises when there is none (the pump logs that itself).
  void RemoveRequest(std::string_view key);
  // Stops accepting requests and ends every request still in the queue: each one not yet run to
  // its end is abandoned with `why`, each one gets its completion event and leaves the queue.
  void EndAllRequests(const std::string& why);

 private:
  std::string NewKey();

  std::weak_ptr<RequestHost> host_;
  std::shared_ptr<ActionCatalogue> catalogue_;
  Collection<std::shared_ptr<clsDatabaseRequest>> requests_;
  bool acceptingRequests_ = true;
  std::int32_t queueType_ = 0;
  bool requestActive_ = false;
  std::string currentRequestKey_;
  std::shared_ptr<clsDatabaseRequest> currentRequest_;
  std::shared_ptr<clsConnectInfo> connectionInfo_;
  bool shutDownInProcess_ = false;
  std::int16_t keyCounter_ = 0;
};

// The diagnostic switch of the queue: "LabTest.ini" in the application folder, entry "20654" of
// section "BugRepro" reading True. Read each time it is needed; off without the file.
bool LabTestDelaySwitch();

}  // namespace vz
