#pragma once
// clsWorkQueue.ExtractXML's work: the work-queue answer ("InfoResponse" with one "Row" per
// dictation) becomes dictation records, each tied to its configuration file in the queue's
// download folder, added to a clsUtterances.
#include "model/work_queue.hpp"
#include "object/object.hpp"

namespace vz::dictation {

// Installed as the work queue's extractor by RegisterDictationClasses.
void ExtractWorkQueueAnswer(const clsWorkQueue& queue, const ObjectRef& utterances);

}  // namespace vz::dictation
