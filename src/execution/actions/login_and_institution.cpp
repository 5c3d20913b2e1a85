// Institution information, the servlet ping, the secure login and the certificate request. The
// completions that change the connection live with the request (institution_information.cpp,
// login_handlers.cpp); the certificate request hands its answer to the editor like any
// single-answer action.
#include "diagnostics/trace.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/database_request.hpp"
#include "model/connect_info.hpp"
#include "model/generic_requests.hpp"

namespace vz {
namespace {

constexpr std::int32_t kLoginRequestKind = 8;

bool PreparePing(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  const auto host = request.Host();
  if (host && host->LoggedIn() && request.CompletionAction() == kLoginRequestKind) {
    GlobalTrace(kRunLocation, "Discarding redundant login.");
    request.CloseRequest();
    return false;
  }
  return true;
}

bool PrepareSecureLogin(clsDatabaseRequest& request, const std::shared_ptr<clsGenericRequest>&) {
  GlobalTrace(kRunLocation, "Running DBR_SECURELOGIN");
  if (request.GenericRequests()) request.GenericRequests()->LogErrors("DBR_SECURELOGIN");
  return true;
}

CallArguments SecureLoginArguments(clsDatabaseRequest& request, const ActionEntry&, const std::shared_ptr<clsGenericRequest>&) {
  const auto info = request.ConnectionInfo();
  CallArguments arguments;
  arguments.named = {{"location", request.Location()},
                     {"certificate", request.Certificate()},
                     {"machineID", info ? info->MachineID() : std::string()},
                     {"clientVersion", info ? info->PenwrightVersion() : std::string()}};
  return arguments;
}

CallArguments CertificateRequestArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                          const std::shared_ptr<clsGenericRequest>& generic) {
  CallArguments arguments = TableArguments(entry, generic);
  arguments.named.emplace("certificate", request.Certificate());
  return arguments;
}

constexpr GenericAnswer kRequestCert{.action = 43,
                                     .handler = "m_objRequestCert_RetrievalComplete",
                                     .lookup = GenericLookup::Own,
                                     .name = "RequestCert",
                                     .entering = "Entering RequestCert_RetrievalComplete",
                                     .leaving = "Leaving RequestCert_RetrievalComplete"};

void m_objRequestCert_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  CompleteGenericAnswer(request, service, bErrors, kRequestCert);
}

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_GETLOCATIONINFO, .complete = [](clsDatabaseRequest& r, ClientServiceObject& s, bool e) { r.m_Ir_RetrievalComplete(s, e); }},
    {.action = Action::DBR_PINGSERVLET,
     .prepare = PreparePing,
     .complete = [](clsDatabaseRequest& r, ClientServiceObject& s, bool e) { r.m_Sp_RetrievalComplete(s, e); }},
    {.action = Action::DBR_SECURELOGIN,
     .takesParameterSet = true,
     .prepare = PrepareSecureLogin,
     .arguments = SecureLoginArguments,
     .complete = [](clsDatabaseRequest& r, ClientServiceObject& s, bool e) { r.m_objSecureLogin_RetrievalComplete(s, e); }},
    {.action = Action::DBR_REQUESTCERT, .arguments = CertificateRequestArguments, .complete = m_objRequestCert_RetrievalComplete},
};

}  // namespace

std::span<const ActionBranch> LoginAndInstitutionBranches() { return kBranches; }

}  // namespace vz
