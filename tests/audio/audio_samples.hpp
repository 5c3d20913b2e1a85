#pragma once
// Test audio: SPHERE files from given samples, and WAV files read back whole (test sizes only).
#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audio/sphere_writer.hpp"
#include "platform/temporary_files.hpp"

namespace vz::testing {

inline std::vector<std::int16_t> Ramp(std::size_t count, int peak) {
  std::vector<std::int16_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) {
    const int phase = static_cast<int>(i % 200);
    samples[i] = static_cast<std::int16_t>((phase < 100 ? phase : 200 - phase) * peak / 100 * (i % 400 < 200 ? 1 : -1));
  }
  return samples;
}

inline void WriteSphere(const std::filesystem::path& path, const std::vector<std::int16_t>& samples, int rate = 8000,
                        std::optional<std::uint16_t> declaredChecksum = std::nullopt) {
  audio::SphereWriter writer(path, rate, 1);
  writer.Write(samples);
  writer.Finish(declaredChecksum);
}

struct WavContent {
  int rate = 0;
  int channels = 0;
  int format = 0;
  std::vector<std::int16_t> samples;
};

inline std::optional<WavContent> ReadAudio(const std::filesystem::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return std::nullopt;
  WavContent content{info.samplerate, info.channels, info.format, std::vector<std::int16_t>(static_cast<std::size_t>(info.frames * info.channels))};
  sf_readf_short(file, content.samples.data(), info.frames);
  sf_close(file);
  return content;
}

// Whether `folder` holds a temporary file of ours (one a writer left behind).
inline bool HoldsTemporaryFiles(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (platform::IsTemporaryFileName(entry.path().filename().string())) return true;
  }
  return false;
}

}  // namespace vz::testing
