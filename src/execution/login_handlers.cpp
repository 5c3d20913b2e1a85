// The completions of the servlet ping and the secure login. A successful login is remembered in
// the servlet-URL cache, so that coming back to this location later needs no institution
// information; a failed one leaves the connection without a location, so that the next attempt
// fetches the institution's information first.
#include "diagnostics/trace.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/retry_classification.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"

namespace vz {
namespace {

constexpr std::int32_t DBR_SECURELOGIN = 41;
constexpr std::int32_t kLoginRequestKind = 8;

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

}  // namespace

void clsDatabaseRequest::m_Sp_RetrievalComplete(ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_Sp_RetrievalComplete";
  if (bErrors) {
    const std::string message = service.getErrorMessage();
    GlobalTrace(where, "Error msg: " + message);
    RetryOrCloseWith(message);
    return;
  }
  GlobalTrace(where, "Success");
  if (completionAction_ == kLoginRequestKind) {
    if (const auto host = host_.lock()) host->SetLoggedIn(true);
  }
  ResumePump();
}

void clsDatabaseRequest::m_objSecureLogin_RetrievalComplete(ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objSecureLogin_RetrievalComplete";
  GlobalTrace(where, "Entering the sub");
  const auto generic = genericRequests_ ? genericRequests_->NextAction(DBR_SECURELOGIN, REQUEST_STATE::NotCompleted) : nullptr;
  if (!generic) {
    globalErrorMessage_ = "No free GenericRequest objects on return from SecureLogin request.";
    if (connectionInfo_) connectionInfo_->SetCurrentLocation("");
    CloseRequest();
    return;
  }
  genericRequests_->LogErrors("SecureLogin_RetrievalComplete");
  if (bErrors) {
    if (connectionInfo_) connectionInfo_->SetCurrentLocation("");
    const std::string message = service.getErrorMessage();
    GlobalTrace(where, "clsDatabaseRequest.m_objSecureLogin_RetrievalComplete errorEncountered");
    if (Contains(message, "Class Request0012 not found")) {
      // The servlet has no secure login: the editor learns it from the parameter set.
      generic->ErrorMessages()->Add(Value(message));
    } else if (Contains(message, "not found") || bfnRequestTimeOutMessage(message)) {
      if (Contains(message, "not found")) GlobalTrace(where, " Not found ");
      generic->Clear();
      GlobalTrace(where, " before setupforRetry ");
      SetupRequestForRetry(message, generic);
      GlobalTrace(where, " AFTER setupforRetry ");
      return;
    } else {
      generic->ErrorMessages()->Add(Value(message));
      GlobalTrace(where, "Non Request0012 error found: " + message);
    }
  } else {
    const std::string answer = service.getXMLResponse();
    GlobalTrace(where, "Passing XML response: " + answer);
    generic->ResponseStrings()->Add(answer, "1");
    GlobalTrace(where, "Calling PutURLInCache");
    PutURLInCache();
    GlobalTrace(where, "Setting CurrentLocation to " + location_);
    if (connectionInfo_) connectionInfo_->SetCurrentLocation(location_);
  }
  GlobalTrace(where, "frmTimer.tmrRequest.Enabled and Exiting Sub");
  ResumePump();
}

}  // namespace vz
