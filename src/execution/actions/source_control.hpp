#pragma once
// What the source-control family computes from a request, for the family and its tests.
#include <cstdint>
#include <string>
#include <string_view>

namespace vz {

class clsDatabaseRequest;

// The work-queue mode the operations are chosen by: the request's WorkQueueMode, 0 without a work
// queue.
std::int16_t SourceControlMode(const clsDatabaseRequest& request);

// The utterance ID a configuration file name stands for: the name without its four-character
// extension, after its last "_" ("Local_1001.cfg" gives "1001"; a name without "_" is kept whole).
std::string sfnUtteranceFromFileName(std::string_view name);

// The document a check-in sends for a pending note: the note's items inside "pendingNote".
std::string PendingNoteDocument(std::string_view notes);

}  // namespace vz
