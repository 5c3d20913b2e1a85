#pragma once
// The NIST SPHERE header: a text block ("NIST_1A", its own size, then "name -type value" lines up to
// "end_head") padded to its declared size, followed by the samples. Parsing, formatting and the
// 16-bit sample checksum that the header's "sample_checksum" field carries.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vz::audio {

enum class SampleCoding { kPcm, kULaw, kALaw };

struct SphereHeader {
  std::size_t headerBytes = 1024;
  std::int64_t sampleCount = 0;  // per channel
  int sampleBytes = 2;           // 1 or 2
  int channels = 1;
  int sampleRate = 8000;
  bool bigEndian = false;        // "sample_byte_format -s2 10"
  SampleCoding coding = SampleCoding::kPcm;
  std::optional<std::uint16_t> checksum;  // "sample_checksum", when present

  std::int64_t DataBytes() const { return sampleCount * channels * sampleBytes; }
  // Already plain 16-bit little-endian linear samples: nothing to decode.
  bool IsCanonical() const { return coding == SampleCoding::kPcm && sampleBytes == 2 && !bigEndian; }
};

// Reads and parses the header at the start of `file`, leaving the position after the header.
// Returns a reason when the file is not a SPHERE file or its header cannot be used; `fileBytes`
// (the file's size) fills a missing sample_count.
struct HeaderResult {
  std::optional<SphereHeader> header;
  std::string problem;
  bool unsupported = false;  // a valid header describing samples this code cannot decode
};
HeaderResult ReadSphereHeader(std::FILE* file, std::int64_t fileBytes);

// The 1024-byte header of a canonical file (16-bit little-endian PCM) with its checksum.
std::string FormatSphereHeader(int sampleRate, int channels, std::int64_t sampleCount, std::uint16_t checksum);

// The running sum of the samples modulo 65536: two-byte samples as 16-bit values in the file's
// byte order, one-byte samples as unsigned bytes.
class SphereChecksum {
 public:
  SphereChecksum(int sampleBytes, bool bigEndian) : sampleBytes_(sampleBytes), bigEndian_(bigEndian) {}
  void AddBytes(std::span<const unsigned char> bytes);  // whole samples only
  void AddSamples(std::span<const std::int16_t> samples) {
    for (std::int16_t sample : samples) sum_ = static_cast<std::uint16_t>(sum_ + static_cast<std::uint16_t>(sample));
  }
  std::uint16_t Value() const { return sum_; }

 private:
  int sampleBytes_;
  bool bigEndian_;
  std::uint16_t sum_ = 0;
};

}  // namespace vz::audio
