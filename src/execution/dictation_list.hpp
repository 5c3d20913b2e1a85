#pragma once
// One entry of a request's dictation list: what a client-services call is told about each
// dictation it works on.
#include <cstdint>
#include <string>

#include "dictation/dictation_ids.hpp"
#include "object/value.hpp"

namespace vz {

struct DictationListEntry {
  std::int32_t locationID = 0;
  std::int32_t utteranceID = 0;
  std::string linkedDocumentID;
  bool isAddendum = false;
  std::string documentVersion;
  // For a check-in or unlock: the name of the check-out it ends, kept in the dictation's record.
  std::string checkOutID;
};

// Dictation identifiers from outside follow the one rule of dictation_ids.hpp.
using dictation::IsPlainDictationID;
using dictation::PlainDictationNumber;

// The namespace of the server's billing-group data model, which QA-grading answers carry.
inline constexpr const char* kBillingGroupNamespace = "http://www.quorvane.com/datamodel/billinggroup";

// The status change an action applies to the dictations it finished, or -1 for none.
std::int32_t StatusChangeOfAction(std::int32_t action);

}  // namespace vz
