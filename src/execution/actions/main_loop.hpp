#pragma once
// What the main-loop family's files share, and what its tests reach.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vz {

class clsDatabaseRequest;

// Audio normalisation after a download (main_loop_normalisation.cpp). Empty when the request may
// go on, otherwise why the download must be repeated. Only the dictations among the first
// `listEntries` entries of the request's dictation list are normalised.
std::string NormalizeDownloads(clsDatabaseRequest& request, std::size_t listEntries = SIZE_MAX);

// Writes the redo file of a dictation whose upload found no host; an identifier that is not a
// plain dictation number is refused (it would become part of a file name).
void WriteRedoUploadFile(clsDatabaseRequest& request, const std::string& sUtteranceID);

}  // namespace vz
