#include "clientservices/scripted_client_services.hpp"

#include "diagnostics/automation_error.hpp"
#include "execution/action_table.hpp"

namespace vz {

ScriptedAnswer ScriptedAnswer::Success(std::string xml) {
  ScriptedAnswer answer;
  answer.xml = std::move(xml);
  return answer;
}

ScriptedAnswer ScriptedAnswer::Refused() {
  ScriptedAnswer answer;
  answer.accepted = false;
  return answer;
}

ScriptedAnswer ScriptedAnswer::Error(std::string message) {
  ScriptedAnswer answer;
  answer.errors = true;
  answer.errorMessage = message;
  answer.errorArray = {std::move(message)};
  return answer;
}

ScriptedAnswer ScriptedAnswer::Errors(std::vector<std::string> perDictation) {
  ScriptedAnswer answer;
  answer.errors = true;
  answer.errorArray = std::move(perDictation);
  return answer;
}

ScriptedAnswer ScriptedAnswer::TimeOutAfter(std::vector<std::string> completed, std::string message) {
  ScriptedAnswer answer = Error(std::move(message));
  answer.utterancesCompleted = std::move(completed);
  return answer;
}

class ScriptedClientServices::ScriptedObject : public ClientServiceObject,
                                               public std::enable_shared_from_this<ScriptedObject> {
 public:
  ScriptedObject(ScriptedClientServices& owner, Action action) : owner_(owner), action_(action) {}
  ~ScriptedObject() override {
    if (pending_) --owner_.inFlight_;
  }

  void Init(ServiceInit init) override { init_ = std::move(init); }

  bool Start(CallArguments arguments) override {
    owner_.calls_.push_back({action_, init_, std::move(arguments)});
    answer_ = owner_.NextAnswer(action_);
    const bool failureFlag = FlagReportsFailure(action_);
    if (!answer_.accepted) return failureFlag;
    if (answer_.neverCompletes) return !failureFlag;
    pending_ = true;
    ++owner_.inFlight_;
    // The completion comes on a later turn of the loop, and only while the object lives.
    alarm_ = owner_.clock_.NewAlarm();
    alarm_->Arm(std::chrono::milliseconds(0), [this] {
      pending_ = false;
      --owner_.inFlight_;
      Complete(answer_.errors);
    });
    return !failureFlag;
  }

  std::string getErrorMessage() const override { return Read(answer_.errorMessage); }
  std::string getXMLResponse() const override { return Read(answer_.xml); }
  std::vector<std::string> ErrorMessages() const override { return answer_.errors ? answer_.errorArray : std::vector<std::string>{}; }
  std::vector<std::string> UtterancesCompleted() const override { return answer_.utterancesCompleted; }
  std::vector<std::string> DictationResponses() const override { return answer_.dictationResponses; }
  std::vector<std::string> ListNames() const override { return answer_.errors ? std::vector<std::string>{} : answer_.listNames; }

 private:
  const std::string& Read(const std::string& text) const {
    if (answer_.failsWhenRead) {
      RaiseServerError("The client services failed to hand over the answer of " + std::string(ActionEntryFor(action_).field));
    }
    return text;
  }

  ScriptedClientServices& owner_;
  Action action_;
  ServiceInit init_;
  ScriptedAnswer answer_;
  std::unique_ptr<Alarm> alarm_;
  bool pending_ = false;
};

std::shared_ptr<ClientServiceObject> ScriptedClientServices::Create(Action action) {
  return std::make_shared<ScriptedObject>(*this, action);
}

ScriptedAnswer ScriptedClientServices::NextAnswer(Action action) {
  auto found = script_.find(action);
  if (found == script_.end() || found->second.empty()) return ScriptedAnswer::Success();
  ScriptedAnswer answer = std::move(found->second.front());
  found->second.pop_front();
  return answer;
}

}  // namespace vz
