#pragma once
// Decoding of a downloaded ".pcm" NIST SPHERE file, as the download handling calls it.
//
// SphereDecode(path) reads the header, refuses a file shorter than the samples it declares, checks
// the samples against the header's sample_checksum (a file without one is not checked) and leaves
// the decoded samples in the same file: a file that already holds 16-bit little-endian linear
// samples stays as it is; mu-law, A-law, 8-bit or big-endian samples are decoded (libsndfile) into
// a canonical 16-bit little-endian SPHERE file with a correct checksum, which replaces the original
// atomically. Calling it again on its own result verifies and changes nothing. Memory stays flat:
// the file is read in blocks.
//
// Returns 0 or an AudioResult code; SphereError copies the text of the last failure on this thread
// into `buffer` (at most size - 1 characters and a terminating NUL) and returns its length. A
// checksum failure's text starts with kChecksumFailureText.
#include <string>

#include "audio/audio_codes.hpp"

namespace vz {

int SphereDecode(const char* path);
int SphereError(char* buffer, int size);

namespace audio {
// The text SphereError gives, whole.
const std::string& LastSphereError();
// Copies `text` into `buffer` as SphereError and ProcessPCMError do.
int CopyErrorText(const std::string& text, char* buffer, int size);
}  // namespace audio

}  // namespace vz
