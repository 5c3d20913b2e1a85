// Finding an institution's servlets: when the connection points at another location than the one
// a request was made for, the request takes that location's servlet URLs from the cache or, when
// they are not cached, fetches the institution's information (DBR_GETLOCATIONINFO) from the
// information servlets of its realm before the action that was due.
#include <charconv>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/action_catalogue.hpp"
#include "execution/client_service.hpp"
#include "execution/database_request.hpp"
#include "execution/retry_classification.hpp"
#include "execution/servlet_urls.hpp"
#include "model/connect_info.hpp"
#include "model/work_queue.hpp"
#include "xml/xml_document.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";
constexpr std::int32_t DBR_SECURELOGIN = 41;
constexpr const char* kDefaultTemplateChooser = "QuorvaneRealTime/PWNormals.jsp";

std::string Where(std::string_view operation) { return "clsDatabaseRequest." + std::string(operation); }

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A location ID as the connection holds it; nothing for a text that is not a 16-bit number.
std::optional<std::int16_t> LocationIDFromText(const std::string& text) {
  const std::string trimmed = Trimmed(text);
  std::int16_t id = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), id);
  if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size()) return std::nullopt;
  return id;
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

}  // namespace

ServletUrlCache* clsDatabaseRequest::UrlCache() {
  if (!urlCache_) {
    if (const auto urls = catalogue_->ServletUrls()) urlCache_ = urls->NewUrlCache();
  }
  return urlCache_.get();
}

AllServletUrlList* clsDatabaseRequest::AllServletURL() {
  if (!allServletURL_) {
    if (const auto urls = catalogue_->ServletUrls()) allServletURL_ = urls->NewAllServletList();
  }
  return allServletURL_.get();
}

clsDatabaseRequest::LocationCheck clsDatabaseRequest::CheckLocation(const std::string& where) {
  if (!connectionInfo_ || connectionInfo_->CurrentLocation() == location_) return LocationCheck::SameOrCached;
  const std::int32_t due = actions_[static_cast<size_t>(currentRequest_)];
  if (InstitutionURLExistsInCache(due)) {
    GlobalTrace(where, "InstitutionURLExistsInCache  " + connectionInfo_->CurrentDatabaseURL());
    return LocationCheck::SameOrCached;
  }
  GlobalTrace(where, "InstitutionURLExistsInCache   Does NOT exist in Cache");
  const std::string realm = connectionInfo_->Realm();
  // The realm's servlets are chosen again on the first try and once the retries near their limit
  // (with no limit, every time, so each retry takes the list's next servlet); in between the
  // servlet that failed is tried again.
  if (retries_ >= maxRetries_ - 1 || retries_ == 0) {
    AllServletUrlList* list = AllServletURL();
    if (list && list->NoInstitutionInformation(realm)) {
      globalErrorMessage_ = "Information for the current institution was not found.";
      CloseRequest();
      return LocationCheck::Closed;
    }
    SetAllServletURl(realm);
    retries_ = 0;
  }
  GlobalTrace(where, "All Servlet m_objConnectionInfo.CurrentLocation <> m_sLocation.  Setting up DBR_GETLOCATIONINFO request.");
  GlobalTrace(where, "m_objConnectionInfo.InformationURL " + connectionInfo_->InformationURL() + " Realm: " + realm);
  currentAction_ = DBR_GETLOCATIONINFO;
  return LocationCheck::LocationInfoInserted;
}

bool clsDatabaseRequest::InstitutionURLExistsInCache(std::int32_t eAction) {
  return ErrorTrap(kClass, "InstitutionURLExistsInCache")([&]() -> bool {
    const std::string where = Where("InstitutionURLExistsInCache");
    if (eAction == DBR_SECURELOGIN && retries_ >= maxRetries_) {
      GlobalTrace(where, "Me.Retries = Me.MaxRetries");
      return false;
    }
    GlobalTrace(where, "Entered all Servlet for " + location_ + " <<");
    ServletUrlCache* cache = UrlCache();
    if (!cache || !connectionInfo_) return false;
    const auto entry = cache->Find(connectionInfo_->Realm(), location_);
    if (!entry || Trimmed(entry->databaseURL).empty()) return false;
    connectionInfo_->SetCurrentDatabaseURL(entry->databaseURL);
    connectionInfo_->SetRealTimePath(entry->realTimePath);
    connectionInfo_->SetRealTimeTemplateChooser(entry->realTimeTemplateChooser);
    connectionInfo_->SetInstitutionDirectory(entry->institutionDirectory);
    // The cache is keyed by the location name, so the name is what the connection now points at;
    // the next Run then finds the locations agreeing.
    connectionInfo_->SetCurrentLocation(location_);
    const auto locationID = LocationIDFromText(entry->locationID);
    if (!locationID) {
      GlobalTrace(where, " LocationID does not exist in cache returning InstitutionURLExistsInCache = false ");
      return false;
    }
    connectionInfo_->SetCurrentLocationID(*locationID);
    if (Trimmed(entry->urlStem).empty()) {
      GlobalTrace(where, " urlStem does not exist in cache returning InstitutionURLExistsInCache = false ");
      return false;
    }
    connectionInfo_->SetCurrentUrlStem(entry->urlStem);
    connectionInfo_->SetInstitutionID(entry->institutionID);
    GlobalTrace(where, "CurrentDatabaseURL = " + entry->databaseURL);
    GlobalTrace(where, "RealTimePath = " + entry->realTimePath);
    GlobalTrace(where, "RealTimeTemplateChooser = " + entry->realTimeTemplateChooser);
    GlobalTrace(where, "InstitutionDirectory = " + entry->institutionDirectory);
    GlobalTrace(where, "CurrentLocationID = " + entry->locationID);
    GlobalTrace(where, "CurrentUrlStem = " + entry->urlStem);
    GlobalTrace(where, "InstitutionID = " + entry->institutionID);
    return true;
  });
}

void clsDatabaseRequest::PutURLInCache() {
  ErrorTrap(kClass, "PutURLInCache")([&] {
    GlobalTrace(Where("PutURLInCache"), "Updating cached URLS");
    ServletUrlCache* cache = UrlCache();
    if (!cache || !connectionInfo_) return;
    const clsConnectInfo& info = *connectionInfo_;
    cache->Put(info.Realm(), info.CurrentLocation(),
               {info.CurrentDatabaseURL(), info.RealTimeTemplateChooser(), info.RealTimePath(), info.InstitutionID(),
                info.InstitutionDirectory(), std::to_string(info.CurrentLocationID()), info.CurrentUrlStem()});
  });
}

void clsDatabaseRequest::SetAllServletURl(const std::string& realm) {
  ErrorTrap(kClass, "SetAllServletURl")([&] {
    const std::string where = Where("SetAllServletURl");
    const int index = RealmListIndex(realm);
    AllServletUrlList* list = AllServletURL();
    const std::string url = index >= 0 && list ? list->NextURL(index) : std::string();
    if (!url.empty() && connectionInfo_) {
      connectionInfo_->SetInformationURL(url);
      GlobalTrace(where, "Get next URL from list realm " + realm + " << ");
    } else {
      GlobalTrace(where, "Using URL from loginREalm " + realm + " <<");
    }
  });
}

void clsDatabaseRequest::m_Ir_RetrievalComplete(ClientServiceObject& service, bool bErrors) {
  const std::string where = Where("m_Ir_RetrievalComplete");
  const std::string realm = connectionInfo_ ? connectionInfo_->Realm() : std::string();
  AllServletUrlList* list = AllServletURL();
  if (bErrors) {
    GlobalTrace(where, "Realm: " + realm);
    const bool row = list && list->MoveToNextRow(realm);
    GlobalTrace(where, std::string("current row: ") + (row ? "True" : "False"));
    // A retry asks the realm's next information servlet, the row moved to above.
    RetryOrCloseWith(service.getErrorMessage());
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
  if (!url.empty() && connectionInfo_) {
    clsConnectInfo& info = *connectionInfo_;
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
    if (workQueue_) workQueue_->SetRetrieveLocation(info.CurrentLocationID());
  }
  // The next Run compares the locations again; an answer that did not bring the connection to
  // the request's location would have it ask for the same information again and again.
  if (!connectionInfo_ || connectionInfo_->CurrentLocation() != location_) {
    GlobalTrace(where, "The answer did not name the location " + location_ + ".");
    globalErrorMessage_ = "Information for the current institution was not found.";
    CloseRequest();
    return;
  }
  GlobalTrace(where, "Enabling timer for next action.");
  ResumePump();
}

}  // namespace vz
