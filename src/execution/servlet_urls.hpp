#pragma once
// What the client services know about where an institution's servlets are: a cache of the servlet
// addresses and identifiers of institutions already visited, keyed by realm and location name, and
// the ordered list of information servlets of each realm, through which a request finds an
// institution it has not visited yet. A request reaches both through ServletUrlServices and never
// names an implementation.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vz {

// One cached institution, with the values as the connection holds them (the location ID as text).
struct CachedInstitution {
  std::string databaseURL;
  std::string realTimeTemplateChooser;
  std::string realTimePath;
  std::string institutionID;
  std::string institutionDirectory;
  std::string locationID;
  std::string urlStem;
};

class ServletUrlCache {
 public:
  virtual ~ServletUrlCache() = default;
  virtual std::optional<CachedInstitution> Find(std::string_view realm, std::string_view location) const = 0;
  virtual void Put(std::string_view realm, std::string_view location, const CachedInstitution& entry) = 0;
};

// The information servlets of the realms, one list per realm index (RealmListIndex), with a
// current row per list, and the institution-information answer last handed to it.
class AllServletUrlList {
 public:
  virtual ~AllServletUrlList() = default;
  // Loads the realm's list; true when the realm has no institution information at all.
  virtual bool NoInstitutionInformation(std::string_view realm) = 0;
  // The URL at the current row of list `listIndex`; empty when the list has none there.
  virtual std::string NextURL(int listIndex) = 0;
  // Moves the realm's list to its next row, round to the first after the last; false when there
  // is no further row to try (the list is empty or starts over).
  virtual bool MoveToNextRow(std::string_view realm) = 0;
  // Hands over an institution-information answer; url() is read from it.
  virtual void SetResponse(const std::string& answer) = 0;
  virtual bool ListRefreshed() const = 0;
  // Replaces the list last loaded or used by the information servlets the handed answer names.
  virtual void RefreshList() = 0;
  // The institution's servlet URL of the handed answer.
  virtual std::string url() const = 0;
};

class ServletUrlServices {
 public:
  virtual ~ServletUrlServices() = default;
  virtual std::shared_ptr<ServletUrlCache> NewUrlCache() = 0;
  virtual std::shared_ptr<AllServletUrlList> NewAllServletList() = 0;
};

// The list a realm selects by the words in it, in any letter case: "PLAY" 2, else "DEV" or
// "TEST" 1, else "PROD" 0; -1 for a realm with none of them (it keeps its login URL).
int RealmListIndex(std::string_view realm);

// A location ID as the cache and the institution information hold it, as the connection holds it;
// nothing for a text that is not a 16-bit number (blanks around it are allowed).
std::optional<std::int16_t> LocationIDFromText(std::string_view text);

}  // namespace vz
