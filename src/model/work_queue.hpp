#pragma once
// clsWorkQueue: the parameters of a work-queue retrieval and, afterwards, the server's raw answer.
// A plain value holder; accessors cannot fail, so only ReInitialize, which converts its
// arguments, runs in an error trap.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "object/automation_object.hpp"
#include "object/value.hpp"

namespace vz {

class clsWorkQueue : public AutomationObject<clsWorkQueue> {
 public:
  static constexpr std::string_view kClassName = "clsWorkQueue";
  static void Describe(ClassBuilder<clsWorkQueue>& c);

  clsWorkQueue() = default;

  // Clears XMLResponse and sets the three retrieval values from the arguments, or to their
  // "not given" values (-1, 0, -1) when left out; the other properties stay.
  void ReInitialize(std::optional<Value> nNumToRetrieve, std::optional<Value> bLocked,
                    std::optional<Value> nRetrieveLocation);

  std::int16_t RetrieveLocked() const { return retrieveLocked_; }
  void SetRetrieveLocked(std::int16_t value) { retrieveLocked_ = value; }
  std::int16_t RetrieveLocation() const { return retrieveLocation_; }
  void SetRetrieveLocation(std::int16_t value) { retrieveLocation_ = value; }
  std::int16_t NumToRetrieve() const { return numToRetrieve_; }
  void SetNumToRetrieve(std::int16_t value) { numToRetrieve_ = value; }
  const std::string& XMLResponse() const { return xmlResponse_; }
  void SetXMLResponse(std::string value) { xmlResponse_ = std::move(value); }
  // The folder as set, or else the application folder + "/Downloads" ("./Downloads" while no
  // application folder is set): a queue made before the client sets the application folder still
  // follows it, as a dictation record's folder does.
  std::string DownloadPath() const;
  void SetDownloadPath(std::string value) { downloadPath_ = std::move(value); }
  const std::string& DatabaseURL() const { return databaseURL_; }
  void SetDatabaseURL(std::string value) { databaseURL_ = std::move(value); }
  const std::string& Transcriptionist() const { return transcriptionist_; }
  void SetTranscriptionist(std::string value) { transcriptionist_ = std::move(value); }
  const std::string& MachineID() const { return machineID_; }
  void SetMachineID(std::string value) { machineID_ = std::move(value); }
  std::int16_t WorkQueueMode() const { return workQueueMode_; }
  void SetWorkQueueMode(std::int16_t value) { workQueueMode_ = value; }
  std::int32_t HighPriorityLevelRequired() const { return highPriorityLevelRequired_; }
  void SetHighPriorityLevelRequired(std::int32_t value) { highPriorityLevelRequired_ = value; }
  bool GridDownload() const { return gridDownload_; }
  void SetGridDownload(bool value) { gridDownload_ = value; }
  std::int16_t MaxRows() const { return maxRows_; }
  void SetMaxRows(std::int16_t value) { maxRows_ = value; }

  // Turns XMLResponse into dictations added to colUtteranceObjects (a clsUtterances). The
  // dictation classes live in a layer above this one, which installs the extractor doing the
  // work (SetWorkQueueExtractor); without it the call fails with a clear error.
  void ExtractXML(ObjectRef& colUtteranceObjects);

 private:
  std::int16_t retrieveLocked_ = 0;
  std::int16_t retrieveLocation_ = -1;  // -1: not given
  std::int16_t numToRetrieve_ = -1;     // -1: not given
  std::string xmlResponse_;
  std::string downloadPath_;
  std::string databaseURL_;
  std::string transcriptionist_;
  std::string machineID_;
  std::int16_t workQueueMode_ = 0;
  std::int32_t highPriorityLevelRequired_ = 0;
  bool gridDownload_ = false;
  std::int16_t maxRows_ = 1500;
};

// Fills a dictation collection from a work queue's answer; errors escape to ExtractXML's trap.
using WorkQueueExtractor = std::function<void(const clsWorkQueue& queue, const ObjectRef& utterances)>;
void SetWorkQueueExtractor(WorkQueueExtractor extractor);

}  // namespace vz
