#pragma once
// The contract with the client services: every servlet call of a request goes through one object
// of this kind, created fresh for its action and stored in the request's field for that action.
// The action says what the object talks to and which call it makes; Init gives it the connection
// values of its kind, Start the call's dictations, files and named values.
//
// A call returns its flag at once. Exactly one completion follows later, on the loop thread,
// unless the object has been released first: a released object never completes, which is how a
// truncated request stops hearing from the call it had in flight.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "execution/action.hpp"
#include "execution/call_arguments.hpp"
#include "execution/service_init.hpp"
#include "model/request_progress.hpp"

namespace vz {

class ServletUrlServices;

class ClientServiceObject {
 public:
  // `errorsOccurred` is true when the call reported errors.
  using CompletionHandler = std::function<void(bool errorsOccurred)>;
  using StatusHandler = std::function<void(const std::string& status)>;
  // Told, on the loop thread, while the call moves bytes and as each entry is done.
  using ProgressHandler = std::function<void(const TransferProgress& progress)>;

  virtual ~ClientServiceObject() = default;

  // The connection values of the object's kind.
  virtual void Init(ServiceInit init) = 0;
  // Starts the action's call and returns the library's flag at once: for most calls true when the
  // call was accepted, for the single "request" calls (FlagReportsFailure, action_table.hpp) true
  // when it failed.
  virtual bool Start(CallArguments arguments) = 0;

  // Single-answer objects.
  virtual std::string getErrorMessage() const = 0;
  virtual std::string getXMLResponse() const = 0;
  // File-list objects: one error text per failed dictation, the dictations finished before a
  // time-out, and (header and QA objects) one XML answer per dictation.
  virtual std::vector<std::string> ErrorMessages() const = 0;
  virtual std::vector<std::string> UtterancesCompleted() const = 0;
  virtual std::vector<std::string> DictationResponses() const = 0;
  // List objects (the dictionary list): the names the answer lists, in its order.
  virtual std::vector<std::string> ListNames() const { return {}; }

  // The request's name for this call, the same each time the action is tried again: calls that
  // change the institution's state are sent with keys made from it, so that the servlet answers a
  // repeat with its first answer instead of doing the call twice.
  void SetCallKey(std::string key) { callKey_ = std::move(key); }
  const std::string& CallKey() const { return callKey_; }

  void OnCompletion(CompletionHandler handler) { completion_ = std::move(handler); }
  void OnStatus(StatusHandler handler) { status_ = std::move(handler); }
  void OnProgress(ProgressHandler handler) { progress_ = std::move(handler); }

 protected:
  // For implementations: deliver the one completion, on the loop thread.
  void Complete(bool errorsOccurred) {
    if (auto handler = std::move(completion_)) handler(errorsOccurred);
  }
  void ReportStatus(const std::string& status) {
    if (status_) status_(status);
  }
  void ReportProgress(const TransferProgress& progress) {
    if (progress_) progress_(progress);
  }

 private:
  CompletionHandler completion_;
  StatusHandler status_;
  ProgressHandler progress_;
  std::string callKey_;
};

// Makes the object for an action. A request never names an implementation.
class ClientServicesFactory {
 public:
  virtual ~ClientServicesFactory() = default;
  virtual std::shared_ptr<ClientServiceObject> Create(Action action) = 0;

  // The servlet-URL cache and the information-servlet lists, kept as long as the factory so that
  // all requests share them. Unless set, an in-memory store configured from the environment
  // (in_memory_servlet_urls.hpp), made on first use.
  virtual std::shared_ptr<ServletUrlServices> ServletUrls();
  void SetServletUrls(std::shared_ptr<ServletUrlServices> urls) { servletUrls_ = std::move(urls); }

 private:
  std::shared_ptr<ServletUrlServices> servletUrls_;
};

}  // namespace vz
