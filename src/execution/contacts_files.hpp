#pragma once
// The files an institution's reference data is kept in under the application folder: the contact
// list and its changes (each a root to which ".zip", ".xml" and the markers are added), the
// markers that say a complete contact list is there, the time stamp of the last full list from
// which only the changes are fetched, and the search lists.
//
// The institution ID comes from the institution's servlet and the realm from the user: a "/" or
// NUL in either becomes "_", so that every name stays a plain file of the application folder.
#include <string>

namespace vz {

// AppPath/ContactList_<institution>_<location>_<realm>, or ContactDeltas_... for the changes. The
// realm is the one of the first call in this process, whatever realm later calls pass: the
// editor finds its lists under one name for as long as the server runs.
std::string sfnContactsFileRoot(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                                const std::string& realm, bool deltas);
// Forgets the realm kept by sfnContactsFileRoot, as a new process would (tests).
void ResetContactsRealm();

// The contact list root + ".ts": the time stamp of the last full list.
std::string sfnTimeStampFile(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                             const std::string& realm);

// Deletes the list's ".suc", ".num" and ".ts" files (those that exist).
void KillContactExistenceFiles(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                               const std::string& realm);

// True when the list's ".suc", ".num" and ".ts" files all exist: the full list need not be fetched.
bool bfnContactsFileExists(const std::string& appPath, const std::string& institutionID, const std::string& locationID,
                           const std::string& realm);

// The date in the list's time-stamp file (its first field), or "" when the file is missing or the
// value is no date.
std::string sfnContactDeltaTimestamp(const std::string& appPath, const std::string& institutionID,
                                     const std::string& locationID, const std::string& realm);

// AppPath/SearchLists_<institution>_<location>.zip and .xml.
std::string sfnSearchListZIP(const std::string& appPath, const std::string& institutionID, const std::string& locationID);
std::string sfnSearchListXML(const std::string& appPath, const std::string& institutionID, const std::string& locationID);

// The file name without its last four characters (".zip"), plus ".xml".
std::string sfnFileNameExtensionToXML(const std::string& fileName);

// The server's time-stamp file of the last contact list, written by the client services:
// AppPath/Request206.ts.
std::string Request206TimeStampFile(const std::string& appPath);

}  // namespace vz
