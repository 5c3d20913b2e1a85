#pragma once
// Conversion of a downloaded ".pcm" (a NIST SPHERE file, normally already through SphereDecode)
// into the ".wav" the editor plays, as the download handling calls it.
//
// ProcessPCMforPenwright(path, literal) writes the file's samples beside it with the extension
// ".wav" in place of ".pcm" (appended when the name has another one): 16-bit PCM WAV, same rate
// and channels, same number of samples.
// - Normal mode raises or lowers the level so that the loudest sample peaks at kTargetPeak
//   (-1 dBFS); silence stays silence. Two passes over the file in blocks: memory stays flat.
// - Literal mode (literal transcription, where the transcriptionist must hear exactly what was
//   recorded) copies the samples unchanged: no level change, no clipping risk.
// - An empty ".pcm" (a dictation without audio) gives a valid WAV with no samples (8 kHz mono).
// The WAV is written to a temporary file and renamed into place: a failure leaves no ".wav" behind
// and an earlier one untouched. A SPHERE file shorter than its header declares is refused.
//
// Returns 0 or an AudioResult code; ProcessPCMError copies the last failure's text on this thread
// as SphereError does.
#include <cstdint>
#include <string>

#include "audio/audio_codes.hpp"

namespace vz {

int ProcessPCMforPenwright(const char* path, bool literal);
int ProcessPCMError(char* buffer, int size);

namespace audio {
inline constexpr std::int16_t kTargetPeak = 29204;  // 32767 at -1 dBFS
const std::string& LastProcessPCMError();
}  // namespace audio

}  // namespace vz
