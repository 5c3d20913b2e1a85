#pragma once
// Writes a canonical NIST SPHERE file (16-bit little-endian PCM) block by block: the samples go to
// a temporary file beside the target (named as platform/temporary_files.hpp says, so that one left
// by a killed process is recognised and removed later) while their checksum accumulates; Finish
// writes the header and renames the file into place. A writer dropped without Finish removes its
// temporary file.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "audio/sphere_header.hpp"
#include "platform/temporary_files.hpp"

namespace vz::audio {

class SphereWriter {
 public:
  SphereWriter(std::filesystem::path target, int sampleRate, int channels);
  ~SphereWriter();
  SphereWriter(const SphereWriter&) = delete;
  SphereWriter& operator=(const SphereWriter&) = delete;

  // False (with Problem()) when the temporary file could not be created.
  bool IsOpen() const { return file_ != nullptr; }
  // Interleaved samples, a whole number of frames. False on a write failure.
  bool Write(std::span<const std::int16_t> samples);
  // Writes the header, declaring `declaredChecksum` instead of the true sum when given (for tests
  // and fault injection), and moves the file to the target. False on failure.
  bool Finish(std::optional<std::uint16_t> declaredChecksum = std::nullopt);

  std::uint16_t Checksum() const { return checksum_.Value(); }
  const std::string& Problem() const { return problem_; }

 private:
  void Fail(const std::string& what);

  std::filesystem::path target_;
  platform::TemporaryFile temporary_;
  int sampleRate_;
  int channels_;
  std::int64_t samplesWritten_ = 0;
  SphereChecksum checksum_{2, false};
  std::FILE* file_ = nullptr;
  std::string problem_;
};

}  // namespace vz::audio
