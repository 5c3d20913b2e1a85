#include "execution/actions/generic_answers.hpp"

#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/retry_classification.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"

namespace vz {

std::string HandlerLocation(const GenericAnswer& rule) { return "clsDatabaseRequest." + std::string(rule.handler); }

std::shared_ptr<clsGenericRequest> FindGenericRequest(clsDatabaseRequest& request, const GenericAnswer& rule) {
  const std::string name(rule.name);
  if (rule.lookup == GenericLookup::Vanilla) {
    auto generic = request.objfnHandleVanillaGenericRequest(name, rule.action);
    if (!generic) {
      request.SetGlobalErrorMessage("Unexpected internal error: Could not retrieve GenericRequest object when handling " + name +
                                    " request.");
      GlobalErrorsLog(HandlerLocation(rule), request.GlobalErrorMessage());
    }
    return generic;
  }
  const auto requests = request.GenericRequests();
  if (!requests) {
    request.SetGlobalErrorMessage("GenericObjects collection uninitialized on return from " + name + " request.");
    GlobalTrace(HandlerLocation(rule), request.GlobalErrorMessage());
    request.CloseRequest();
    return nullptr;
  }
  auto generic = requests->NextAction(rule.action, REQUEST_STATE::NotCompleted);
  if (!generic) {
    request.SetGlobalErrorMessage("No free GenericRequest objects on return from " + name + " request.");
    GlobalTrace(HandlerLocation(rule), request.GlobalErrorMessage());
    request.CloseRequest();
  }
  return generic;
}

bool RecordErrorOrRetry(clsDatabaseRequest& request, const GenericAnswer& rule, const std::shared_ptr<clsGenericRequest>& generic,
                        const std::string& message) {
  if (rule.retryOnTimeOut && bfnRequestTimeOutMessage(message)) {
    generic->Clear();
    request.SetupRequestForRetry(message, generic);
    return true;
  }
  GlobalTrace(HandlerLocation(rule), "Error returned: " + message);
  generic->ErrorMessages()->Add(Value(message));
  return false;
}

void StoreAnswer(const GenericAnswer& rule, clsGenericRequest& generic, const std::string& answer) {
  GlobalTrace(HandlerLocation(rule), "Assigning XML response.");
  generic.ResponseStrings()->Add(answer, "1");
}

void CompleteGenericAnswer(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, const GenericAnswer& rule) {
  const std::string where = HandlerLocation(rule);
  if (!rule.entering.empty()) GlobalTrace(where, rule.entering);
  const auto generic = FindGenericRequest(request, rule);
  if (!generic) return;
  if (bErrors) {
    if (RecordErrorOrRetry(request, rule, generic, service.getErrorMessage())) return;
  } else {
    StoreAnswer(rule, *generic, service.getXMLResponse());
    if (!rule.succeeded.empty()) GlobalTrace(where, rule.succeeded);
  }
  request.ResumePump();
  if (!rule.leaving.empty()) GlobalTrace(where, rule.leaving);
}

void CompleteDictationListAnswer(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, std::int32_t action) {
  if (bErrors && request.HandleFileListErrorsOrRetry(service, action, nullptr)) return;
  request.ResumePump();
}

bool EndedOnCallError(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors, const std::string& where) {
  if (!bErrors) {
    GlobalTrace(where, "Success");
    return false;
  }
  const std::string message = service.getErrorMessage();
  GlobalTrace(where, "Error msg: " + message);
  request.RetryOrCloseWith(message);
  return true;
}

}  // namespace vz
