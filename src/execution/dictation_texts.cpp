#include "execution/dictation_texts.hpp"

#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"

namespace vz {

std::vector<DictationText> ReadDictationTexts(const ObjectRef& utterances) {
  std::vector<DictationText> texts;
  const auto dictations = std::dynamic_pointer_cast<clsUtterances>(utterances);
  if (!dictations) return texts;
  for (const auto& dictation : dictations->Items()) {
    texts.push_back({std::to_string(dictation->UtteranceID()), dictation->ErrorString()});
  }
  return texts;
}

void ClearDictationErrors(const ObjectRef& utterances) {
  const auto dictations = std::dynamic_pointer_cast<clsUtterances>(utterances);
  if (!dictations) return;
  for (const auto& dictation : dictations->Items()) dictation->SetErrorString("");
}

}  // namespace vz
