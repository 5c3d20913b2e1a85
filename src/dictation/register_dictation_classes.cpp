#include "dictation/register_dictation_classes.hpp"

#include "dictation/radiology_orders.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "dictation/work_queue_extraction.hpp"
#include "model/register_model_classes.hpp"

namespace vz {

void RegisterDictationClasses(ClassRegistry& registry) {
  RegisterModelClasses(registry);
  registry.Add<clsUtterances>();
  registry.Add<clsUtteranceObject>();
  registry.Add<clsRadiologyOrders>();
  registry.Add<clsRadiologyOrder>();
  SetWorkQueueExtractor(dictation::ExtractWorkQueueAnswer);
}

}  // namespace vz
