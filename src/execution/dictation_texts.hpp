#pragma once
// What a request reads and clears on the dictations of its collection: their identifiers and their
// error texts. The collection is reached through its automation members (items in order, each with
// "UtteranceID" and "ErrorString"), so any dictation collection the client hands over serves.
#include <string>
#include <vector>

#include "object/object.hpp"

namespace vz {

struct DictationText {
  std::string utteranceID;
  std::string errorString;
};

// The dictations of `utterances` in collection order; nothing for a null collection.
std::vector<DictationText> ReadDictationTexts(const ObjectRef& utterances);

// Sets every dictation's error text to "".
void ClearDictationErrors(const ObjectRef& utterances);

}  // namespace vz
