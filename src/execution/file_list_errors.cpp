// The parameter set of the action being completed, and the errors of calls that name files rather
// than dictations (template and dictionary downloads): their texts go to the action's parameter set
// for the editor, and a communication failure among them retries the action.
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
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

}  // namespace vz
