#pragma once
// The action identifiers the editor lists in a request specification, with the numbers it uses.
// From the request to the servlet call an action is known by this type alone: the catalogue row,
// the family's branch, the client-services object and its call plan all key on it.
#include <cstdint>
#include <optional>

namespace vz {

enum class Action : std::int32_t {
  DBR_UPLOAD = 0,
  DBR_DOWNLOAD = 1,
  DBR_GETWORKQUEUE = 2,
  DBR_CHECKOUT = 3,
  DBR_CHECKIN = 4,
  DBR_CHECKINPENDING = 5,
  DBR_UNLOCK = 6,
  DBR_SOFTCHECKOUT = 7,
  DBR_GETLOCATIONINFO = 8,
  DBR_GETTEMPLATES = 9,
  DBR_PINGSERVLET = 10,
  DBR_GETCONTACTSFILE = 11,
  DBR_GETCONTACTCHANGES = 12,
  DBR_GETLOCKEDLIST = 13,
  DBR_SEARCHPATIENTINFO = 14,
  DBR_UPDATEDICTATION = 15,
  DBR_GETSPEAKERS = 16,
  DBR_GETWORKTYPES = 17,
  DBR_UPDATEFIELD = 18,
  DBR_GETMETRICS = 20,
  DBR_GETSEARCHLISTS = 21,
  DBR_HL7SEARCH = 23,
  DBR_GETRELEASEINFO = 24,
  DBR_GATEWAYSEND = 25,
  DBR_SPLITDICTATION = 26,
  DBR_GETOPTIONS = 27,
  DBR_SENDOPTIONS = 28,
  DBR_GETTEMPLATEDOCLIST = 29,
  DBR_GETTEMPLATEDOCS = 30,
  DBR_GETCHANGEDHEADER = 31,
  DBR_SCOPERATION5 = 32,
  DBR_CREATEDICTATION = 33,
  DBR_GETHEADER = 34,
  DBR_ONLINESEARCH = 35,
  DBR_UPDATEDICTFIELDS = 36,
  DBR_DICTATIONSEARCH = 37,
  DBR_DOWNLOADTEXT = 38,
  DBR_LINKDICTATION = 39,
  DBR_GETLISTSCOMPRESSED = 40,
  DBR_SECURELOGIN = 41,
  DBR_QASCORE = 42,
  DBR_REQUESTCERT = 43,
  DBR_REMOVEQAREVIEW = 44,
  DBR_GETTEMPLATEDOWNLOADTIME = 45,
  DBR_GETNUMREVIEWS = 46,
  DBR_GETAPPFEATURES = 47,
  DBR_GETQAGRADECRITERIA = 48,
  DBR_GETRDRTRANSCRIPTIONISTS = 49,
  DBR_UPLOADQAG = 50,
  DBR_DOWNLOADQAG = 51,
  DBR_SCOPERATION7 = 53,
  DBR_GETAVERAGEQAGRADE = 55,
  DBR_GETDICTIONARIESLIST = 56,
  DBR_DOWNLOADDICTIONARY = 57,
  DBR_GETDICTATIONINFO = 58,
  DBR_GETRDRREVIEWERS = 59,
  DBR_GETPRCRITERIA = 60,
  DBR_DOWNLOADPRS = 61,
  DBR_GETDICTPERMISSIONS = 62,
};

// The action of an identifier from the editor; nothing for a number that names none.
std::optional<Action> ActionFromId(std::int32_t id);

constexpr std::int32_t IdOf(Action action) { return static_cast<std::int32_t>(action); }

}  // namespace vz
