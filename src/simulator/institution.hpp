#pragma once
// One institution the simulator plays: its identity, the user it accepts, and its work queue of
// dictations with their audio (NIST SPHERE) and document text on disk under its own folder:
//   <folder>/queue/Local_<id>.pcm, Local_<id>.rtf   what it serves (loaded when present, else generated)
//   <folder>/incoming/<id>/                         uploaded files waiting for their commit
//   <folder>/uploads/<id>/                          committed uploads, byte for byte
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "simulator/dictation_operations_state.hpp"

namespace vz::simulator {

// A file of an institution's template or dictionary catalogue, served from memory: its name is
// only what clients are told, never a file name of the simulator's own.
struct CatalogueFile {
  std::string id;        // templates: the TemplateID
  std::string name;
  std::string path;      // templates: the folder the institution files it under
  std::string modified;  // "MM/DD/YYYY hh:mm:ss"
  std::string content;
};

struct InstitutionConfig {
  std::string name = "North Clinic";
  std::string directory = "north";  // its URL stem and folder name: letters, digits, '-' and '_'
  int locationID = 3;
  int institutionID = 12;
  std::string login = "jdoe";
  std::string password = "secret";
  int dictations = 5;  // generated when the queue folder holds no audio
  int secondsOfAudio = 10;
  int sampleRate = 8000;
  long firstUtteranceID = 1001;
  // The template and dictionary catalogues; empty: catalogues of the simulator's own making.
  std::vector<CatalogueFile> templates;
  std::vector<CatalogueFile> dictionaries;
  // Dictations the user may not review: no MT review permission, QA grading neither viewable nor
  // accepted.
  std::vector<long> restrictedDictations;
};

struct Dictation {
  long utteranceID = 0;
  std::string documentVersion = "0";
  std::string queueStatus = "Ready for Transcription";
  int priority = 2;
  int durationSeconds = 0;
  std::string speakerCode;
  std::string speakerName;
  std::string workType;
  std::string patientName;
  std::string medicalRecordNumber;
  std::filesystem::path audio;
  std::filesystem::path text;
  std::string audioDigest;
  std::string textDigest;
  std::string lockedBy;
  bool literalProcessed = false;
  bool completed = false;  // checked in: no longer in the queue
  // Source control: the workstation holding the lock (with `lockedBy`), the document version when
  // it was checked out (a check-in needs an upload since), and the document of its last pending
  // check-in as sent (the work queue shows its text as "problemNote", below).
  std::string lockMachineID;
  std::string checkedOutVersion;
  std::string pendingNoteDocument;
  // Further elements of its work-queue row, in the order first set: fields the editor updated,
  // the pending note ("problemNote"), where a split dictation came from.
  std::vector<std::pair<std::string, std::string>> moreFields;
  std::string qaGrading;  // the QA grading document last uploaded; empty: one made from its reviews
};

// Writes `seconds` of speech-like audio (a voiced tone in syllables and pauses, peaking near a
// quarter of full scale) as a canonical SPHERE file with its checksum; block by block.
// `seed` varies pitch and rhythm. Returns false with `problem` on failure.
bool GenerateDictationAudio(const std::filesystem::path& path, int seconds, int sampleRate, std::uint32_t seed,
                            std::string& problem);

class Institution {
 public:
  // Prepares the folder: loads the queue folder's audio when it has some, else generates the
  // configured number of dictations. Throws std::runtime_error when the folder cannot be prepared.
  Institution(InstitutionConfig config, std::filesystem::path folder);

  const InstitutionConfig& Config() const { return config_; }
  const std::filesystem::path& Folder() const { return folder_; }
  std::vector<Dictation>& Dictations() { return dictations_; }
  const std::vector<Dictation>& Dictations() const { return dictations_; }
  Dictation* Find(std::string_view utteranceID);

  std::filesystem::path IncomingFolder(long utteranceID) const;
  std::filesystem::path UploadFolder(long utteranceID) const;

  // QA reviews and options (servlets/dictation_operations_servlets.cpp,
  // servlets/dictation_operations_qa_servlets.cpp).
  DictationOperationsState& Operations() { return operations_; }
  const DictationOperationsState& Operations() const { return operations_; }
  // The review arguments of the latest work-queue calls, oldest first. Noted by the work-queue
  // servlet, which otherwise only reads the institution.
  const std::vector<WorkQueueReviewArguments>& WorkQueueCalls() const { return workQueueCalls_; }
  void NoteWorkQueueCall(WorkQueueReviewArguments arguments) const {
    if (workQueueCalls_.size() >= DictationOperationsState::kMaxWorkQueueCalls) workQueueCalls_.erase(workQueueCalls_.begin());
    workQueueCalls_.push_back(std::move(arguments));
  }

 private:
  void Load(const std::filesystem::path& queue);
  void Generate(const std::filesystem::path& queue);

  InstitutionConfig config_;
  std::filesystem::path folder_;
  std::vector<Dictation> dictations_;
  DictationOperationsState operations_;
  mutable std::vector<WorkQueueReviewArguments> workQueueCalls_;
};

}  // namespace vz::simulator
