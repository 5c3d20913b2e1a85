#pragma once
// The contact list files an institution's contacts are kept in under the application folder: the
// list's root, the markers that say a complete list is there, and the time stamp of the last full
// list, from which only the changes are fetched.
#include <string>

namespace vz {

// AppPath/ContactList_<institution>_<location>_<realm>, or ContactDeltas_... for the changes.
std::string sfnContactsFileRoot(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                                const std::string& realm, bool deltas);

// True when the list's ".suc", ".num" and ".ts" files all exist: the full list need not be fetched.
bool bfnContactsFileExists(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                           const std::string& realm);

// The date in the list's time-stamp file (its first field), or "" when the file is missing or the
// value is no date.
std::string sfnContactDeltaTimestamp(const std::string& appPath, const std::string& institutionID,
                                     const std::string& locationID, const std::string& realm);

}  // namespace vz
