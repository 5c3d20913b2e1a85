#pragma once
// Result codes of the audio calls the download handling makes: 0 is success; the text of the last
// failure on the calling thread is fetched with SphereError or ProcessPCMError.
namespace vz::audio {

enum AudioResult : int {
  kAudioOk = 0,
  kAudioCannotOpen = 1,     // the file cannot be opened or read
  kAudioNotSphere = 2,      // no usable NIST SPHERE header
  kAudioUnsupported = 3,    // a valid header describing samples that cannot be decoded
  kAudioTruncated = 4,      // fewer sample bytes than the header declares
  kAudioChecksumFailed = 5, // the samples do not sum to the header's sample_checksum
  kAudioWriteFailed = 6,    // the output file cannot be written
  kAudioDecodeFailed = 7,   // the decoder failed while reading the samples
};

// Every checksum failure text starts with this; the download handling looks for it.
inline constexpr const char* kChecksumFailureText = "WRITE VERIFICATION OF CHECKSUM FAILED";

// The longest error text the callers ask for.
inline constexpr int kAudioErrorTextLimit = 200;

}  // namespace vz::audio
