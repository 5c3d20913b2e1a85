// Where a request's location is served: when the connection points at another location than the
// one a request was made for, the request takes that location's servlet URLs from the cache or,
// when they are not cached, fetches the institution's information (DBR_GETLOCATIONINFO) from the
// information servlets of its realm before the action that was due. A successful login puts the
// location into the cache.
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"
#include "execution/action_catalogue.hpp"
#include "execution/database_request.hpp"
#include "execution/servlet_urls.hpp"
#include "model/connect_info.hpp"
#include "object/blank_trim.hpp"

namespace vz {
namespace {

constexpr std::string_view kClass = "clsDatabaseRequest";
constexpr std::int32_t DBR_SECURELOGIN = 41;

std::string Where(std::string_view operation) { return "clsDatabaseRequest." + std::string(operation); }

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
    if (!entry || TrimBlanks(entry->databaseURL).empty()) return false;
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
    if (TrimBlanks(entry->urlStem).empty()) {
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

}  // namespace vz
