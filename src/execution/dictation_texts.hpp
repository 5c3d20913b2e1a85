#pragma once
// What a request reads and clears on the dictations of its collection: their identifiers and their
// error texts, in collection order.
#include <string>
#include <vector>

#include "object/object.hpp"

namespace vz {

struct DictationText {
  std::string utteranceID;
  std::string errorString;
};

// The dictations of `utterances` (a clsUtterances) in collection order; nothing for a null or
// foreign collection.
std::vector<DictationText> ReadDictationTexts(const ObjectRef& utterances);

// Sets every dictation's error text to "".
void ClearDictationErrors(const ObjectRef& utterances);

}  // namespace vz
