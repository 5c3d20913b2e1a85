#include "clientservices/http_client_services.hpp"

#include <utility>

#include "clientservices/call_plans.hpp"
#include "clientservices/calls/call_building.hpp"
#include "execution/action_table.hpp"

namespace vz {

using namespace http_client;

class HttpClientServices::HttpObject : public ClientServiceObject, public std::enable_shared_from_this<HttpObject> {
 public:
  HttpObject(HttpClientServices& owner, Action action) : owner_(owner), action_(action) {}
  ~HttpObject() override {
    if (call_) call_->Cancel();  // a released object never completes
  }

  void Init(ServiceInit init) override { init_ = std::move(init); }

  bool Start(CallArguments arguments) override {
    const bool failureFlag = FlagReportsFailure(action_);
    if (call_) return failureFlag;  // one call at a time per object
    result_ = HttpCallResult{};
    std::string problem;
    auto plan = BuildCallPlan(action_, init_, arguments, problem, CallKey());
    if (!plan) {
      result_.errors = true;
      result_.errorMessage = problem;
      return failureFlag;
    }
    namesAt_ = plan->namesAt;
    ReportStatus(std::string(ActionEntryFor(action_).call) + " " + plan->url.host + ":" + plan->url.port + plan->url.path + " as " +
                 LoginOf(init_) + " password " + std::string(PasswordOf(init_).size(), '*'));
    call_ = StartHttpCall(
        owner_.context_, owner_.options_, std::move(*plan),
        [weak = weak_from_this()](HttpCallResult result) {
          if (const auto self = weak.lock()) self->Finish(std::move(result));
        },
        owner_.pool_,
        [weak = weak_from_this()](const TransferProgress& progress) {
          if (const auto self = weak.lock()) self->ReportProgress(progress);
        });
    return !failureFlag;
  }

  std::string getErrorMessage() const override { return result_.errorMessage; }
  std::string getXMLResponse() const override { return result_.xml; }
  std::vector<std::string> ErrorMessages() const override { return result_.errorArray; }
  std::vector<std::string> UtterancesCompleted() const override { return result_.completed; }
  std::vector<std::string> DictationResponses() const override { return result_.responses; }
  std::vector<std::string> ListNames() const override { return names_; }

 private:
  void Finish(HttpCallResult result) {
    result_ = std::move(result);
    names_.clear();
    if (!result_.errors && !namesAt_.empty()) names_ = ListedNames(result_.xml, namesAt_);
    call_.reset();
    Complete(result_.errors);
  }

  HttpClientServices& owner_;
  Action action_;
  ServiceInit init_;
  HttpCallResult result_;
  std::string namesAt_;
  std::vector<std::string> names_;
  std::shared_ptr<HttpCall> call_;
};

std::shared_ptr<ClientServiceObject> HttpClientServices::Create(Action action) { return std::make_shared<HttpObject>(*this, action); }

}  // namespace vz
