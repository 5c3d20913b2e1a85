// Institution information, the servlet ping, the secure login and the certificate request, from
// the checks before their calls to their completions, and the workstation certificate they send.
// The institution information brings the connection to the request's location; a successful login
// is remembered in the servlet-URL cache (request_location.cpp), so that coming back to this
// location later needs no institution information; a failed one leaves the connection without a
// location, so that the next attempt fetches the institution's information first. The certificate
// request hands its answer to the editor like any single-answer action.
//
// The workstation certificate is a file per realm, login and location under the application
// folder whose first line, the moment it was made, identifies this workstation to the secure
// login, the certificate request and the compressed lists.
#include <chrono>
#include <cstdio>
#include <system_error>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/action_table.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/actions/branch_support.hpp"
#include "execution/actions/generic_answers.hpp"
#include "execution/actions/login_and_institution.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/retry_classification.hpp"
#include "execution/servlet_urls.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"
#include "model/work_queue.hpp"
#include "platform/files.hpp"
#include "platform/local_time.hpp"
#include "xml/xml_document.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";
constexpr std::int32_t DBR_SECURELOGIN = 41;
constexpr std::int32_t kLoginRequestKind = 8;
constexpr const char* kDefaultTemplateChooser = "QuorvaneRealTime/PWNormals.jsp";

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// A realm or login becomes a folder name: it must name one folder inside its parent.
void RequireFolderName(const std::string& name, std::string_view what) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    RaiseServerError("Invalid " + std::string(what) + " for the certificate folder: " + name);
  }
}

// "MMDDYYhhnnss" in local time.
std::string sfnShortMachineID() {
  const auto now = platform::ToLocalDateTime(std::chrono::system_clock::now());
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d%02d%02d", now.month, now.day, now.year % 100, now.hour, now.minute,
                now.second);
  return text;
}

// The certificate file's path; raises when the realm or login could not name a folder.
std::string CertificatePath(const clsDatabaseRequest& request) {
  const auto connectionInfo = request.ConnectionInfo();
  const std::string realm = connectionInfo ? connectionInfo->Realm() : std::string();
  const std::string login = connectionInfo ? connectionInfo->Transcriptionist() : std::string();
  RequireFolderName(realm, "realm");
  RequireFolderName(login, "login");
  const std::string locationID = std::to_string(connectionInfo ? connectionInfo->CurrentLocationID() : 0);
  return ApplicationPath() + "/Logins/" + realm + "/" + login + "/" + locationID + ".cfg";
}

std::string GetCertificate(const std::string& sFile) {
  return ErrorTrap(kClass, "GetCertificate")([&]() -> std::string {
    const auto contents = platform::ReadWholeFile(sFile);
    if (!contents) Raise(53, "File not found");
    const std::string firstLine = contents->substr(0, contents->find_first_of("\r\n"));
    return firstLine;
  });
}

void CreateCertificate(clsDatabaseRequest& request) {
  ErrorTrap(kClass, "CreateCertificate")([&] {
    const std::string file = CertificatePath(request);
    const auto connectionInfo = request.ConnectionInfo();
    std::string folder = ApplicationPath() + "/Logins";
    request.SafeMakeDir(folder);
    folder += "/" + connectionInfo->Realm();
    request.SafeMakeDir(folder);
    folder += "/" + connectionInfo->Transcriptionist();
    request.SafeMakeDir(folder);
    const std::string certificate = sfnShortMachineID();
    GlobalTrace("clsDatabaseRequest.CreateCertificate", "Writing certificate " + certificate + " to " + file);
    request.SetCertificateProblem("");
    try {
      platform::WriteFileAtomically(file, certificate + "\r\n");
    } catch (const std::system_error& failure) {
      request.SetCertificateProblem("The workstation certificate " + file + " could not be written: " + failure.code().message());
      throw;
    }
  });
}


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
                     {"certificate", Certificate(request)},
                     {"machineID", info ? info->MachineID() : std::string()},
                     {"clientVersion", info ? info->PenwrightVersion() : std::string()}};
  return arguments;
}

CallArguments CertificateRequestArguments(clsDatabaseRequest& request, const ActionEntry& entry,
                                          const std::shared_ptr<clsGenericRequest>& generic) {
  CallArguments arguments = TableArguments(entry, generic);
  arguments.named.emplace("certificate", Certificate(request));
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

// Removes every "/servlet/ScribeServlet", in any letter case.
std::string WithoutServletPath(std::string url) {
  static constexpr std::string_view kServletPath = "/servlet/scribeservlet";
  std::string lower = url;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (size_t at = lower.find(kServletPath); at != std::string::npos; at = lower.find(kServletPath, at)) {
    url.erase(at, kServletPath.size());
    lower.erase(at, kServletPath.size());
  }
  return url;
}


void m_Ir_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_Ir_RetrievalComplete";
  const auto connectionInfo = request.ConnectionInfo();
  const std::string realm = connectionInfo ? connectionInfo->Realm() : std::string();
  AllServletUrlList* list = request.AllServletURL();
  if (bErrors) {
    GlobalTrace(where, "Realm: " + realm);
    const bool row = list && list->MoveToNextRow(realm);
    GlobalTrace(where, std::string("current row: ") + (row ? "True" : "False"));
    // A retry asks the realm's next information servlet, the row moved to above.
    request.RetryOrCloseWith(service.getErrorMessage());
    return;
  }
  GlobalTrace(where, "before getting m_Ir.getXMLResponsee");
  const std::string answer = service.getXMLResponse();
  GlobalTrace(where, "responseString =  " + answer);
  std::string url;
  if (list) {
    list->SetResponse(answer);
    if (!list->ListRefreshed()) {
      GlobalTrace(where, " m_AllServletURL.ListRefreshed = False - Refreshing URL List");
      list->RefreshList();
    } else {
      GlobalTrace(where, " m_AllServletURL.ListRefreshed = True - NOT Refreshing URL List");
    }
    url = list->url();
  }
  // An answer that is no XML names no institution.
  clsXMLDocument document;
  pugi::xml_node institution;
  try {
    document.LoadXMLFromMemory(answer);
    institution = document.RetrieveNode("InfoResponse/Institution");
  } catch (const AutomationError& error) {
    GlobalTrace(where, "Unreadable institution information: " + error.Description());
  }
  const auto value = [&](std::string_view name) {
    return institution ? document.ChildNodeValue(institution, name) : std::string();
  };
  // Without client services keeping a servlet list the answer's own url is taken.
  if (!list) url = value("url");
  GlobalTrace(where, "m_AllServletURL.url " + url);
  if (!url.empty() && connectionInfo) {
    clsConnectInfo& info = *connectionInfo;
    const std::string locationID = value("locationID");
    const std::string webPath = value("webPath");
    const std::string chooser = value("realTimeTemplateChooser");
    info.SetCurrentDatabaseURL(url);
    info.SetCurrentLocationID(LocationIDFromText(locationID).value_or(0));
    info.SetCurrentLocation(value("name"));
    info.SetCurrentUrlStem(value("urlStem"));
    info.SetInstitutionID(value("institutionID"));
    info.SetInstitutionDirectory(value("directoryName"));
    info.SetRealTimePath(webPath.empty() ? WithoutServletPath(url) : webPath);
    info.SetRealTimeTemplateChooser(chooser.empty() ? kDefaultTemplateChooser : chooser);
    GlobalTrace(where, "InstitutionDirectory = " + info.InstitutionDirectory() + ".  URL = " + url + ".  " +
                           "TemplateChooser = " + info.RealTimeTemplateChooser());
    // The work queue is read from the location just found.
    if (const auto workQueue = request.WorkQueue()) workQueue->SetRetrieveLocation(info.CurrentLocationID());
  }
  // The next Run compares the locations again; an answer that did not bring the connection to
  // the request's location would have it ask for the same information again and again.
  if (!connectionInfo || connectionInfo->CurrentLocation() != request.Location()) {
    GlobalTrace(where, "The answer did not name the location " + request.Location() + ".");
    request.SetGlobalErrorMessage("Information for the current institution was not found.");
    request.CloseRequest();
    return;
  }
  GlobalTrace(where, "Enabling timer for next action.");
  request.ResumePump();
}

void m_Sp_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_Sp_RetrievalComplete";
  if (EndedOnCallError(request, service, bErrors, where)) return;
  if (request.CompletionAction() == kLoginRequestKind) {
    if (const auto host = request.Host()) host->SetLoggedIn(true);
  }
  request.ResumePump();
}

void m_objSecureLogin_RetrievalComplete(clsDatabaseRequest& request, ClientServiceObject& service, bool bErrors) {
  const std::string where = "clsDatabaseRequest.m_objSecureLogin_RetrievalComplete";
  GlobalTrace(where, "Entering the sub");
  const auto connectionInfo = request.ConnectionInfo();
  const auto genericRequests = request.GenericRequests();
  const auto generic = genericRequests ? genericRequests->NextAction(DBR_SECURELOGIN, REQUEST_STATE::NotCompleted) : nullptr;
  if (!generic) {
    request.SetGlobalErrorMessage("No free GenericRequest objects on return from SecureLogin request.");
    if (connectionInfo) connectionInfo->SetCurrentLocation("");
    request.CloseRequest();
    return;
  }
  genericRequests->LogErrors("SecureLogin_RetrievalComplete");
  if (bErrors) {
    if (connectionInfo) connectionInfo->SetCurrentLocation("");
    const std::string message = service.getErrorMessage();
    GlobalTrace(where, "clsDatabaseRequest.m_objSecureLogin_RetrievalComplete errorEncountered");
    if (Contains(message, "Class Request0012 not found")) {
      // The servlet has no secure login: the editor learns it from the parameter set.
      generic->ErrorMessages()->Add(Value(message));
    } else if (Contains(message, "not found") || bfnRequestTimeOutMessage(message)) {
      if (Contains(message, "not found")) GlobalTrace(where, " Not found ");
      generic->Clear();
      GlobalTrace(where, " before setupforRetry ");
      request.SetupRequestForRetry(message, generic);
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
    request.PutURLInCache();
    GlobalTrace(where, "Setting CurrentLocation to " + request.Location());
    if (connectionInfo) connectionInfo->SetCurrentLocation(request.Location());
  }
  GlobalTrace(where, "frmTimer.tmrRequest.Enabled and Exiting Sub");
  request.ResumePump();
}

constexpr ActionBranch kBranches[] = {
    {.action = Action::DBR_GETLOCATIONINFO, .complete = m_Ir_RetrievalComplete},
    {.action = Action::DBR_PINGSERVLET,
     .prepare = PreparePing,
     .complete = m_Sp_RetrievalComplete},
    {.action = Action::DBR_SECURELOGIN,
     .takesParameterSet = true,
     .prepare = PrepareSecureLogin,
     .arguments = SecureLoginArguments,
     .complete = m_objSecureLogin_RetrievalComplete},
    {.action = Action::DBR_REQUESTCERT, .arguments = CertificateRequestArguments, .complete = m_objRequestCert_RetrievalComplete},
};

}  // namespace


std::string CertificateFile(const clsDatabaseRequest& request) {
  return ErrorTrap(kClass, "CertificateFile")([&] { return CertificatePath(request); });
}

std::string Certificate(clsDatabaseRequest& request) {
  return ErrorTrap(kClass, "Certificate")([&]() -> std::string {
    const std::string file = CertificatePath(request);
    if (!platform::IsRegularFile(file)) CreateCertificate(request);
    return GetCertificate(file);
  });
}

std::span<const ActionBranch> LoginAndInstitutionBranches() { return kBranches; }

}  // namespace vz
