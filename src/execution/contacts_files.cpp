#include "execution/contacts_files.hpp"

#include <filesystem>
#include <optional>

#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/date_text.hpp"
#include "platform/files.hpp"

namespace vz {
namespace {

// The realm of the first contact file name made in this process; the loop's thread only.
std::optional<std::string>& KeptRealm() {
  static std::optional<std::string> realm;
  return realm;
}

// A part of a file name: nothing in it may separate folders or end the name.
std::string NamePart(std::string text) {
  for (char& c : text) {
    if (c == '/' || c == '\0') c = '_';
  }
  return text;
}

}  // namespace

std::string sfnContactsFileRoot(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                                const std::string& realm, bool deltas) {
  if (!KeptRealm()) KeptRealm() = realm;
  return appPath + (deltas ? "/ContactDeltas_" : "/ContactList_") + NamePart(institutionID) + "_" + NamePart(locationID) + "_" +
         NamePart(*KeptRealm());
}

void ResetContactsRealm() { KeptRealm().reset(); }

std::string sfnTimeStampFile(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                             const std::string& realm) {
  return sfnContactsFileRoot(appPath, institutionID, locationID, realm, false) + ".ts";
}

void KillContactExistenceFiles(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                               const std::string& realm) {
  const std::string root = sfnContactsFileRoot(appPath, institutionID, locationID, realm, false);
  for (const char* extension : {".suc", ".num", ".ts"}) {
    std::error_code ignored;
    std::filesystem::remove(root + extension, ignored);
  }
}

bool bfnContactsFileExists(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                           const std::string& realm) {
  const std::string root = sfnContactsFileRoot(appPath, institutionID, locationID, realm, false);
  return platform::IsRegularFile(root + ".suc") && platform::IsRegularFile(root + ".num") &&
         platform::IsRegularFile(root + ".ts");
}

std::string sfnContactDeltaTimestamp(const std::string& appPath, const std::string& institutionID,
                                     const std::string& locationID, const std::string& realm) {
  constexpr std::string_view where = "clsDatabaseRequest.sfnContactDeltaTimestamp";
  const std::string file = sfnTimeStampFile(appPath, institutionID, locationID, realm);
  const auto contents = platform::ReadWholeFile(file);
  std::string value;
  if (!contents) {
    GlobalTrace(where, "Can't find " + file);
  } else {
    // The first field: up to the first comma or line end, without surrounding quotes.
    value = contents->substr(0, contents->find_first_of(",\r\n"));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (!dictation::ParseDateText(value)) {
      GlobalErrorsLog(where, "Bad timestamp in " + file + ": " + value);
      value.clear();
    }
  }
  GlobalTrace(where, "Returning " + value);
  return value;
}

std::string sfnSearchListZIP(const std::string& appPath, const std::string& institutionID, const std::string& locationID) {
  return appPath + "/SearchLists_" + NamePart(institutionID) + "_" + NamePart(locationID) + ".zip";
}

std::string sfnSearchListXML(const std::string& appPath, const std::string& institutionID, const std::string& locationID) {
  return sfnFileNameExtensionToXML(sfnSearchListZIP(appPath, institutionID, locationID));
}

std::string sfnFileNameExtensionToXML(const std::string& fileName) {
  return fileName.substr(0, fileName.size() < 4 ? 0 : fileName.size() - 4) + ".xml";
}

std::string Request206TimeStampFile(const std::string& appPath) { return appPath + "/Request206.ts"; }

}  // namespace vz
