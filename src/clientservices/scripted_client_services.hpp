#pragma once
// Client services that answer from a script, for tests and for running the server without an
// institution. A test says what the next call of an action answers; the answer's completion comes
// on the next turn of the loop (an alarm of zero delay on the given clock). Calls that nothing was
// scripted for succeed with an empty answer.
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "execution/client_service.hpp"
#include "platform/clock.hpp"

namespace vz {

struct ScriptedAnswer {
  bool accepted = true;               // false: the library refuses to start the call
  bool errors = false;                // what the completion reports
  std::string xml;                    // getXMLResponse
  std::string errorMessage;           // getErrorMessage
  std::vector<std::string> errorArray;           // per failed dictation
  std::vector<std::string> utterancesCompleted;  // finished before a time-out
  std::vector<std::string> dictationResponses;   // per dictation answers
  std::vector<std::string> listNames;            // names a list call returns
  bool neverCompletes = false;        // the call stays in flight
  bool failsWhenRead = false;         // reading the answer raises, as a failing library would

  static ScriptedAnswer Success(std::string xml = {});
  static ScriptedAnswer Refused();
  static ScriptedAnswer Error(std::string message);
  static ScriptedAnswer Errors(std::vector<std::string> perDictation);
  // A file-list call that times out after `completed` dictations.
  static ScriptedAnswer TimeOutAfter(std::vector<std::string> completed, std::string message);
};

// One call as the script saw it.
struct ScriptedCall {
  Action action;
  ServiceInit init;
  CallArguments arguments;
};

class ScriptedClientServices : public ClientServicesFactory {
 public:
  explicit ScriptedClientServices(Clock& clock) : clock_(clock) {}

  std::shared_ptr<ClientServiceObject> Create(Action action) override;

  // The answers for the next calls of `action`, in order.
  void Script(Action action, ScriptedAnswer answer) { script_[action].push_back(std::move(answer)); }
  const std::vector<ScriptedCall>& Calls() const { return calls_; }
  // Calls started whose completion has not been delivered yet.
  int InFlight() const { return inFlight_; }

 private:
  class ScriptedObject;
  ScriptedAnswer NextAnswer(Action action);

  Clock& clock_;
  std::map<Action, std::deque<ScriptedAnswer>> script_;
  std::vector<ScriptedCall> calls_;
  int inFlight_ = 0;
};

}  // namespace vz
