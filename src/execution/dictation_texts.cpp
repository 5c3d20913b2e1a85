#include "execution/dictation_texts.hpp"

#include "object/dispatch.hpp"

namespace vz {

std::vector<DictationText> ReadDictationTexts(const ObjectRef& utterances) {
  std::vector<DictationText> texts;
  if (!utterances) return texts;
  for (const Value& item : dispatch::Enumerate(*utterances)) {
    const ObjectRef dictation = item.ToObject();
    if (!dictation) continue;
    texts.push_back({dispatch::Get(*dictation, "UtteranceID").ToString(), dispatch::Get(*dictation, "ErrorString").ToString()});
  }
  return texts;
}

void ClearDictationErrors(const ObjectRef& utterances) {
  if (!utterances) return;
  for (const Value& item : dispatch::Enumerate(*utterances)) {
    if (const ObjectRef dictation = item.ToObject()) dispatch::Set(*dictation, "ErrorString", Value(""));
  }
}

}  // namespace vz
