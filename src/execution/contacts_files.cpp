#include "execution/contacts_files.hpp"

#include "diagnostics/error_log.hpp"
#include "diagnostics/trace.hpp"
#include "dictation/date_text.hpp"
#include "platform/files.hpp"

namespace vz {

std::string sfnContactsFileRoot(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                                const std::string& realm, bool deltas) {
  return appPath + (deltas ? "/ContactDeltas_" : "/ContactList_") + institutionID + "_" + locationID + "_" + realm;
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
  const std::string file = sfnContactsFileRoot(appPath, institutionID, locationID, realm, false) + ".ts";
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

}  // namespace vz
