#include "audio/sphere_decode.hpp"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "audio/sphere_header.hpp"
#include "audio/sphere_writer.hpp"

namespace vz {
namespace {

thread_local std::string lastError;

constexpr std::size_t kBlockBytes = 1 << 16;

int Fail(int code, std::string text) {
  lastError = std::move(text);
  return code;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
struct SndCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};

// Sums the declared sample bytes in blocks.
bool SumSamples(std::FILE* file, const audio::SphereHeader& header, std::uint16_t& sum) {
  audio::SphereChecksum checksum(header.sampleBytes, header.bigEndian);
  std::vector<unsigned char> block(kBlockBytes);
  std::int64_t left = header.DataBytes();
  while (left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kBlockBytes));
    if (std::fread(block.data(), 1, want, file) != want) return false;
    checksum.AddBytes({block.data(), want});
    left -= static_cast<std::int64_t>(want);
  }
  sum = checksum.Value();
  return true;
}

// Rewrites the file as 16-bit little-endian linear samples through libsndfile.
int Canonicalise(const std::filesystem::path& path, const audio::SphereHeader& header, const std::string& name) {
  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndCloser> input(sf_open(path.c_str(), SFM_READ, &info));
  if (!input) return Fail(audio::kAudioDecodeFailed, "Cannot decode " + name + ": " + sf_strerror(nullptr));
  audio::SphereWriter writer(path, header.sampleRate, header.channels);
  if (!writer.IsOpen()) return Fail(audio::kAudioWriteFailed, "Cannot write " + name + ": " + writer.Problem());
  constexpr sf_count_t kFrames = 8192;
  std::vector<std::int16_t> block(static_cast<std::size_t>(kFrames * header.channels));
  std::int64_t left = header.sampleCount;
  while (left > 0) {
    const sf_count_t want = std::min<sf_count_t>(kFrames, left);
    const sf_count_t got = sf_readf_short(input.get(), block.data(), want);
    if (got != want) return Fail(audio::kAudioDecodeFailed, "Cannot decode " + name + ": the decoder stopped early");
    if (!writer.Write({block.data(), static_cast<std::size_t>(got * header.channels)}))
      return Fail(audio::kAudioWriteFailed, "Cannot write " + name + ": " + writer.Problem());
    left -= got;
  }
  input.reset();
  if (!writer.Finish()) return Fail(audio::kAudioWriteFailed, "Cannot write " + name + ": " + writer.Problem());
  return audio::kAudioOk;
}

// What libsndfile, which reads the samples from here on (the rewrite, the WAV), sees otherwise
// than `header`; empty when it agrees. A header it reads another way (a damaged field it fills
// in differently) would make the editor play other samples than those counted and checked.
std::string DecoderDisagreement(const std::filesystem::path& path, const audio::SphereHeader& header) {
  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndCloser> input(sf_open(path.c_str(), SFM_READ, &info));
  if (!input) return std::string("the decoder cannot read it: ") + sf_strerror(nullptr);
  if (info.frames == header.sampleCount && info.channels == header.channels && info.samplerate == header.sampleRate) return {};
  return "the decoder reads its header as " + std::to_string(info.frames) + " samples x " + std::to_string(info.channels) +
         " at " + std::to_string(info.samplerate) + " Hz, the header says " + std::to_string(header.sampleCount) + " x " +
         std::to_string(header.channels) + " at " + std::to_string(header.sampleRate) + " Hz";
}

}  // namespace

int SphereDecode(const char* path) {
  lastError.clear();
  const std::filesystem::path file(path == nullptr ? "" : path);
  const std::string name = file.filename().string();
  std::unique_ptr<std::FILE, FileCloser> input(std::fopen(file.c_str(), "rb"));
  if (!input) return Fail(audio::kAudioCannotOpen, "Cannot open " + name + ": " + std::strerror(errno));
  std::error_code error;
  const auto fileBytes = static_cast<std::int64_t>(std::filesystem::file_size(file, error));
  if (error) return Fail(audio::kAudioCannotOpen, "Cannot read " + name + ": " + error.message());

  const audio::HeaderResult parsed = audio::ReadSphereHeader(input.get(), fileBytes);
  if (!parsed.header) {
    return Fail(parsed.unsupported ? audio::kAudioUnsupported : audio::kAudioNotSphere,
                "Cannot decode " + name + ": " + parsed.problem);
  }
  const audio::SphereHeader& header = *parsed.header;
  const std::int64_t present = fileBytes - static_cast<std::int64_t>(header.headerBytes);
  if (present < header.DataBytes()) {
    return Fail(audio::kAudioTruncated, "Truncated audio file " + name + ": " + std::to_string(present) + " of " +
                                            std::to_string(header.DataBytes()) + " sample bytes present");
  }
  if (header.checksum) {
    std::uint16_t sum = 0;
    if (!SumSamples(input.get(), header, sum)) return Fail(audio::kAudioCannotOpen, "Cannot read the samples of " + name);
    if (sum != *header.checksum) {
      return Fail(audio::kAudioChecksumFailed, std::string(audio::kChecksumFailureText) + ": " + name + " declares " +
                                                   std::to_string(*header.checksum) + ", its samples sum to " +
                                                   std::to_string(sum));
    }
  }
  input.reset();
  if (const std::string disagreement = DecoderDisagreement(file, header); !disagreement.empty())
    return Fail(audio::kAudioDecodeFailed, "Cannot decode " + name + ": " + disagreement);
  // Left as it is only when it already holds exactly its samples, with their checksum; anything
  // else (bytes after the samples, no checksum) is written afresh, so that what the editor plays
  // is what the header counts.
  if (header.IsCanonical() && header.checksum && present == header.DataBytes()) return audio::kAudioOk;
  return Canonicalise(file, header, name);
}

int SphereError(char* buffer, int size) { return audio::CopyErrorText(lastError, buffer, size); }

namespace audio {

const std::string& LastSphereError() { return lastError; }

int CopyErrorText(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

}  // namespace audio
}  // namespace vz
