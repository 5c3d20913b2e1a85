#pragma once
// clsWorkQueue.ExtractXML's work: the work-queue answer ("InfoResponse" with one "Row" per
// dictation) becomes dictation records, each tied to its configuration file in the queue's
// download folder, added to a clsUtterances.
#include <cstdint>
#include <string>
#include <vector>

#include "model/work_queue.hpp"
#include "object/object.hpp"

namespace vz::dictation {

// What an extraction could not take: why each rejected row was left out, and the rows that
// listed a dictation (ID and version) again, which keeps its first row.
struct ExtractionOutcome {
  std::int32_t rows = 0;
  std::vector<std::string> rejections;
  std::vector<std::string> duplicates;
};

// Installed as the work queue's extractor by RegisterDictationClasses. An answer that does not
// parse raises ("Error loading workqueue XML: ..."); a row the record rejects, and a row repeating
// a dictation already extracted, is logged, skipped and reported in the outcome.
ExtractionOutcome ExtractWorkQueueAnswer(const clsWorkQueue& queue, const ObjectRef& utterances);

}  // namespace vz::dictation
