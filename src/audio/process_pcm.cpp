#include "audio/process_pcm.hpp"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "audio/sphere_decode.hpp"
#include "audio/sphere_header.hpp"
#include "platform/temporary_files.hpp"

namespace vz {
namespace {

thread_local std::string lastError;

// Samples read, scaled and written at a time (128 KiB): one read and one write call each.
constexpr sf_count_t kBlockSamples = 65536;

int Fail(int code, std::string text) {
  lastError = std::move(text);
  return code;
}

struct SndCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::filesystem::path WavPathFor(const std::filesystem::path& pcm) {
  std::filesystem::path wav = pcm;
  std::string extension = pcm.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
  if (extension == ".pcm") wav.replace_extension(".wav");
  else wav += ".wav";
  return wav;
}

// The samples a SPHERE header declares must all be there; other formats are left to libsndfile.
int CheckNotTruncated(const std::filesystem::path& path, std::int64_t fileBytes, const std::string& name) {
  std::unique_ptr<std::FILE, FileCloser> input(std::fopen(path.c_str(), "rb"));
  if (!input) return Fail(audio::kAudioCannotOpen, "Cannot open " + name + ": " + std::strerror(errno));
  char magic[8] = {};
  if (std::fread(magic, 1, sizeof magic, input.get()) != sizeof magic || std::memcmp(magic, "NIST_1A\n", 8) != 0)
    return audio::kAudioOk;
  std::rewind(input.get());
  const audio::HeaderResult parsed = audio::ReadSphereHeader(input.get(), fileBytes);
  if (!parsed.header) {
    return Fail(parsed.unsupported ? audio::kAudioUnsupported : audio::kAudioNotSphere,
                "Cannot read audio " + name + ": " + parsed.problem);
  }
  const std::int64_t present = fileBytes - static_cast<std::int64_t>(parsed.header->headerBytes);
  if (present < parsed.header->DataBytes()) {
    return Fail(audio::kAudioTruncated, "Truncated audio file " + name + ": " + std::to_string(present) + " of " +
                                            std::to_string(parsed.header->DataBytes()) + " sample bytes present");
  }
  return audio::kAudioOk;
}

class WavOutput {
 public:
  // The WAV is written to a temporary file beside the target (platform/temporary_files.hpp), so
  // that one left by a killed process is recognised and removed later.
  WavOutput(const std::filesystem::path& target, int rate, int channels) : temporary_(target, ".part") {
    if (!temporary_.IsOpen() || !temporary_.Close()) return;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    file_.reset(sf_open(temporary_.Path().c_str(), SFM_WRITE, &info));
  }
  bool IsOpen() const { return file_ != nullptr; }
  bool Write(const std::int16_t* frames, sf_count_t count) { return sf_writef_short(file_.get(), frames, count) == count; }
  bool Commit(std::string& problem) {
    if (sf_close(file_.release()) != 0) {
      problem = "cannot finish " + temporary_.Path().filename().string();
      return false;
    }
    if (const std::error_code error = temporary_.Commit()) {
      problem = "cannot move " + temporary_.Path().filename().string() + " into place: " + error.message();
      return false;
    }
    return true;
  }

 private:
  // Declared first, so that the file is closed before an uncommitted temporary file is removed.
  platform::TemporaryFile temporary_;
  std::unique_ptr<SNDFILE, SndCloser> file_;
};

int WriteEmptyWav(const std::filesystem::path& wav) {
  WavOutput output(wav, 8000, 1);
  if (!output.IsOpen()) return Fail(audio::kAudioWriteFailed, "Cannot write " + wav.filename().string() + ": " + sf_strerror(nullptr));
  std::string problem;
  if (!output.Commit(problem)) return Fail(audio::kAudioWriteFailed, "Cannot write " + wav.filename().string() + ": " + problem);
  return audio::kAudioOk;
}

// Pass over the whole input in blocks of whole frames; `visit` sees each block of interleaved
// samples.
template <class Visit>
bool ForEachBlock(SNDFILE* input, sf_count_t frames, int channels, std::vector<std::int16_t>& block, Visit&& visit) {
  const sf_count_t blockFrames = static_cast<sf_count_t>(block.size()) / channels;
  sf_count_t left = frames;
  while (left > 0) {
    const sf_count_t want = std::min(blockFrames, left);
    if (sf_readf_short(input, block.data(), want) != want) return false;
    if (!visit(block.data(), want * channels, want)) return false;
    left -= want;
  }
  return true;
}

// Eight samples at a time in the compiler's portable vector types: the same single-precision
// steps as one at a time, so the same bytes, without a branch on every sample. On x86-64 the loops
// are built twice, for AVX2 (eight to a register) and for the SSE2 every such processor has; the
// loader picks one.
constexpr int kLanes = 8;
using Shorts = std::int16_t __attribute__((vector_size(kLanes * sizeof(std::int16_t))));
using Ints = std::int32_t __attribute__((vector_size(kLanes * sizeof(std::int32_t))));
using Floats = float __attribute__((vector_size(kLanes * sizeof(float))));
#if defined(__x86_64__)
#define VZ_ALSO_FOR_AVX2 __attribute__((target_clones("avx2", "default")))
#else
#define VZ_ALSO_FOR_AVX2
#endif

std::int16_t ScaleOne(std::int16_t sample, float gain) {
  float value = static_cast<float>(sample) * gain;
  value = std::clamp(value, -32768.0f, 32767.0f);
  return static_cast<std::int16_t>(value + (value >= 0 ? 0.5f : -0.5f));
}

VZ_ALSO_FOR_AVX2 void Scale(std::int16_t* samples, sf_count_t count, float gain) {
  sf_count_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    Shorts block;
    std::memcpy(&block, samples + i, sizeof block);
    Floats value = __builtin_convertvector(__builtin_convertvector(block, Ints), Floats) * gain;
    value = value < -32768.0f ? -32768.0f : value;
    value = value > 32767.0f ? 32767.0f : value;
    // Half away from zero: +0.5 where not negative, -0.5 where negative, then truncation.
    value += value >= 0.0f ? 0.5f : -0.5f;
    block = __builtin_convertvector(__builtin_convertvector(value, Ints), Shorts);
    std::memcpy(samples + i, &block, sizeof block);
  }
  for (; i < count; ++i) samples[i] = ScaleOne(samples[i], gain);
}

VZ_ALSO_FOR_AVX2 int PeakOf(const std::int16_t* samples, sf_count_t count) {
  Ints peaks{};
  sf_count_t i = 0;
  for (; i + kLanes <= count; i += kLanes) {
    Shorts block;
    std::memcpy(&block, samples + i, sizeof block);
    const Ints value = __builtin_convertvector(block, Ints);
    const Ints magnitude = value < 0 ? -value : value;
    peaks = magnitude > peaks ? magnitude : peaks;
  }
  int peak = 0;
  for (int lane = 0; lane < kLanes; ++lane) peak = std::max(peak, static_cast<int>(peaks[lane]));
  for (; i < count; ++i) peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
  return peak;
}

}  // namespace

int ProcessPCMforPenwright(const char* path, bool literal) {
  lastError.clear();
  const std::filesystem::path pcm(path == nullptr ? "" : path);
  const std::string name = pcm.filename().string();
  const std::filesystem::path wav = WavPathFor(pcm);
  std::error_code error;
  const auto fileBytes = static_cast<std::int64_t>(std::filesystem::file_size(pcm, error));
  if (error) return Fail(audio::kAudioCannotOpen, "Cannot open " + name + ": " + error.message());
  if (fileBytes == 0) return WriteEmptyWav(wav);
  if (const int status = CheckNotTruncated(pcm, fileBytes, name); status != audio::kAudioOk) return status;

  SF_INFO info{};
  std::unique_ptr<SNDFILE, SndCloser> input(sf_open(pcm.c_str(), SFM_READ, &info));
  if (!input) return Fail(audio::kAudioNotSphere, "Cannot read audio " + name + ": " + sf_strerror(nullptr));
  std::vector<std::int16_t> block(static_cast<std::size_t>(std::max<sf_count_t>(kBlockSamples / info.channels, 1) * info.channels));
  const std::string stoppedEarly = "Cannot decode " + name + ": the decoder stopped early";

  float gain = 1.0f;
  if (!literal) {
    int peak = 0;
    const bool read = ForEachBlock(input.get(), info.frames, info.channels, block, [&](const std::int16_t* samples, sf_count_t count, sf_count_t) {
      peak = std::max(peak, PeakOf(samples, count));
      return true;
    });
    if (!read) return Fail(audio::kAudioDecodeFailed, stoppedEarly);
    if (peak > 0) gain = static_cast<float>(audio::kTargetPeak) / static_cast<float>(peak);
    if (sf_seek(input.get(), 0, SEEK_SET) != 0) return Fail(audio::kAudioDecodeFailed, "Cannot rewind " + name);
  }

  WavOutput output(wav, info.samplerate, info.channels);
  if (!output.IsOpen()) return Fail(audio::kAudioWriteFailed, "Cannot write " + wav.filename().string() + ": " + sf_strerror(nullptr));
  bool writeFailed = false;
  const bool copied = ForEachBlock(input.get(), info.frames, info.channels, block, [&](std::int16_t* samples, sf_count_t count, sf_count_t frames) {
    if (gain != 1.0f) Scale(samples, count, gain);
    writeFailed = !output.Write(samples, frames);
    return !writeFailed;
  });
  if (writeFailed) return Fail(audio::kAudioWriteFailed, "Cannot write " + wav.filename().string());
  if (!copied) return Fail(audio::kAudioDecodeFailed, stoppedEarly);
  std::string problem;
  if (!output.Commit(problem)) return Fail(audio::kAudioWriteFailed, "Cannot write " + wav.filename().string() + ": " + problem);
  return audio::kAudioOk;
}

int ProcessPCMError(char* buffer, int size) { return audio::CopyErrorText(lastError, buffer, size); }

namespace audio {
const std::string& LastProcessPCMError() { return lastError; }
}  // namespace audio

}  // namespace vz
