#pragma once
// The public enumerations and record of the generic-request interface. Their numeric values are
// part of the automation interface: clients pass and read them as 32-bit numbers.
#include <cstdint>
#include <string>

namespace vz {

// Which progress flag clsGenericRequests::NextAction walks by.
enum class REQUEST_STATE : std::int32_t {
  NotTransmitted = 0,
  NotCompleted = 1,
  NotRetrieved = 2,
};

// How clsParameters::Add treats a name that is already present.
enum class INDEX_INCREMENT_TYPE : std::int32_t {
  iitNone = 0,  // the new value is dropped
  iitInc = 1,   // the new parameter is keyed name2, name3, ...
};

enum class GenericRequestFileType : std::int32_t {
  grftTemplate = 0,
};

enum class eXMLResponseType : std::int32_t {
  ContactListChanges = 0,
};

// One name/value pair of a servlet request, as the action catalogue builds them.
struct udtRequest404Parm {
  std::string sParmName;
  std::string sParmValue;
};

}  // namespace vz
