#include "model/work_queue.hpp"

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"

namespace vz {
namespace {

WorkQueueExtractor& Extractor() {
  static WorkQueueExtractor extractor;
  return extractor;
}

std::int16_t IntegerOr(const std::optional<Value>& argument, std::int16_t missing) {
  return argument ? argument->ToInteger() : missing;
}

}  // namespace

std::string clsWorkQueue::DownloadPath() const {
  if (!downloadPath_.empty()) return downloadPath_;
  const std::string& application = ApplicationPath();
  return (application.empty() ? std::string(".") : application) + "/Downloads";
}

void clsWorkQueue::ReInitialize(std::optional<Value> nNumToRetrieve, std::optional<Value> bLocked,
                                std::optional<Value> nRetrieveLocation) {
  ErrorTrap(kClassName, "ReInitialize")([&] {
    // Every argument is converted before anything changes, so a bad one leaves the queue as it was.
    const std::int16_t numToRetrieve = IntegerOr(nNumToRetrieve, -1);
    const std::int16_t retrieveLocked = IntegerOr(bLocked, 0);  // True converts to -1
    const std::int16_t retrieveLocation = IntegerOr(nRetrieveLocation, -1);
    xmlResponse_.clear();
    numToRetrieve_ = numToRetrieve;
    retrieveLocked_ = retrieveLocked;
    retrieveLocation_ = retrieveLocation;
  });
}

void SetWorkQueueExtractor(WorkQueueExtractor extractor) { Extractor() = std::move(extractor); }

void clsWorkQueue::ExtractXML(ObjectRef& colUtteranceObjects) {
  ErrorTrap(kClassName, "ExtractXML")([&] {
    if (!Extractor()) RaiseServerError("ExtractXML needs the dictation classes, which this program has not registered.");
    Extractor()(*this, colUtteranceObjects);
  });
}

void clsWorkQueue::Describe(ClassBuilder<clsWorkQueue>& c) {
  using C = clsWorkQueue;
  c.Creatable()
      .Property("RetrieveLocked", &C::RetrieveLocked, &C::SetRetrieveLocked)
      .Property("RetrieveLocation", &C::RetrieveLocation, &C::SetRetrieveLocation)
      .Property("NumToRetrieve", &C::NumToRetrieve, &C::SetNumToRetrieve)
      .Property("XMLResponse", &C::XMLResponse, &C::SetXMLResponse)
      .Property("DownloadPath", &C::DownloadPath, &C::SetDownloadPath)
      .Property("DatabaseURL", &C::DatabaseURL, &C::SetDatabaseURL)
      .Property("Transcriptionist", &C::Transcriptionist, &C::SetTranscriptionist)
      .Property("MachineID", &C::MachineID, &C::SetMachineID)
      .Property("WorkQueueMode", &C::WorkQueueMode, &C::SetWorkQueueMode)
      .Property("HighPriorityLevelRequired", &C::HighPriorityLevelRequired, &C::SetHighPriorityLevelRequired)
      .Property("GridDownload", &C::GridDownload, &C::SetGridDownload)
      .Property("MaxRows", &C::MaxRows, &C::SetMaxRows)
      .Operation("ReInitialize", &C::ReInitialize, {"nNumToRetrieve", "bLocked", "nRetrieveLocation"})
      .Operation("ExtractXML", &C::ExtractXML, {"colUtteranceObjects"});
}

}  // namespace vz
