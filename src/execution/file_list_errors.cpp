// Calls whose errors name files rather than dictations (template and dictionary downloads): their
// error texts go to the action's parameter set for the editor, and a communication failure among
// them retries the action.
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/retry_classification.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/variant_collection.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";

}  // namespace

std::shared_ptr<clsGenericRequest> clsDatabaseRequest::objfnHandleVanillaGenericRequest(const std::string& name,
                                                                                      std::int32_t eAction) {
  const std::string where = "clsDatabaseRequest.objfnHandleVanillaGenericRequest";
  GlobalTrace(where, "Entering function( " + name + " )");
  if (!genericRequests_) {
    globalErrorMessage_ = "GenericObjects collection uninitialized on return from " + name + " request.";
    GlobalTrace(where, globalErrorMessage_);
    CloseRequest();
    return nullptr;
  }
  auto generic = genericRequests_->NextAction(eAction, REQUEST_STATE::NotCompleted);
  if (!generic) {
    globalErrorMessage_ = "No free GenericRequest objects on return from " + name + " request.";
    GlobalTrace(where, globalErrorMessage_);
    CloseRequest();
    return nullptr;
  }
  GlobalTrace(where, "Exiting function( " + name + " )");
  return generic;
}

void clsDatabaseRequest::HandleFileListErrors(const std::vector<std::string>& sarrErrorMessages, bool& bTimeoutOccurred,
                                              std::string& sTimeoutMessage,
                                              const std::shared_ptr<clsGenericRequest>& objGenericRequest) {
  ErrorTrap(kClass, "HandleFileListErrors")([&] {
    const std::string where = "clsDatabaseRequest.HandleFileListErrors";
    for (size_t index = 0; index < sarrErrorMessages.size(); ++index) {
      const std::string& text = sarrErrorMessages[index];
      if (text.empty()) continue;
      GlobalTrace(where, std::to_string(index) + "Processing message: " + text);
      if (bfnRequestTimeOutMessage(text)) {
        // The whole call is repeated: what the other files reported no longer matters.
        GlobalTrace(where, "Setting bTimeout to TRUE");
        bTimeoutOccurred = true;
        sTimeoutMessage = text;
        return;
      }
      if (objGenericRequest) objGenericRequest->ErrorMessages()->Add(Value(text));
    }
  });
}

void clsDatabaseRequest::FileDownloadComplete(ClientServiceObject& service, bool bErrors, std::int32_t eAction,
                                              const std::string& name, const std::string& handler) {
  const std::string where = "clsDatabaseRequest." + handler;
  const auto generic = objfnHandleVanillaGenericRequest(name, eAction);
  if (!generic) return;
  if (bErrors) {
    bool timedOut = false;
    std::string timeOutMessage;
    HandleFileListErrors(service.ErrorMessages(), timedOut, timeOutMessage, generic);
    if (timedOut) {
      GlobalTrace(where, "Timeout occurred.");
      SetupRequestForRetry(timeOutMessage, generic);
      return;
    }
    GlobalTrace(where, "Errors returned.");
  }
  ResumePump();
}

void clsDatabaseRequest::m_objGetTemplateDocs_RetrievalComplete(ClientServiceObject& service, bool bErrors) {
  FileDownloadComplete(service, bErrors, 30, "DBR_GETTEMPLATEDOCS", "m_objGetTemplateDocs_RetrievalComplete");
}

void clsDatabaseRequest::m_objDownloadDictionaries_RetrievalComplete(ClientServiceObject& service, bool bErrors) {
  FileDownloadComplete(service, bErrors, 57, "DBR_DOWNLOADDICTIONARY", "m_objDownloadDictionaries_RetrievalComplete");
}

}  // namespace vz
