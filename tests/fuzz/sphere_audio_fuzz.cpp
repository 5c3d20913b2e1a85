// A downloaded ".pcm" (NIST SPHERE) through SphereDecode and ProcessPCMforPenwright, as the
// download handling runs them; the first byte chooses literal or normalised output.
//
// Properties: a decoded file is canonical (16-bit little-endian PCM), holds exactly the samples,
// channels and rate its original header declared, carries a checksum that matches its samples,
// and decoding it again changes nothing; a refused file is left as it was, with a reason. A WAV
// is written only on success and then has the same number of frames, channels and rate as the
// SPHERE file; literal output has its very samples, normalised output peaks at the target level
// (or is silent). No temporary file is left, whatever happens.
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/process_pcm.hpp"
#include "audio/sphere_decode.hpp"
#include "audio/sphere_header.hpp"
#include "fuzz_support.hpp"

namespace {

using vz::audio::SphereHeader;

std::optional<SphereHeader> HeaderOf(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path, error));
  if (error) return std::nullopt;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  const auto result = vz::audio::ReadSphereHeader(file, size);
  std::fclose(file);
  return result.header;
}

// The 16-bit little-endian samples after the header.
std::vector<std::int16_t> CanonicalSamples(const std::string& bytes, const SphereHeader& header) {
  std::vector<std::int16_t> samples;
  for (std::size_t at = header.headerBytes; at + 1 < bytes.size(); at += 2) {
    samples.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at])) |
                                                static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at + 1])) << 8));
  }
  return samples;
}

struct Wav {
  int rate = 0;
  int channels = 0;
  std::vector<std::int16_t> samples;
};

std::optional<Wav> ReadWav(const std::filesystem::path& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return std::nullopt;
  Wav wav{info.samplerate, info.channels, std::vector<std::int16_t>(static_cast<std::size_t>(info.frames * info.channels))};
  const sf_count_t read = sf_readf_short(file, wav.samples.data(), info.frames);
  sf_close(file);
  if (read != info.frames) return std::nullopt;
  return wav;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::filesystem::path work = vz::fuzz::BeginInput(0);
  const std::filesystem::path pcm = work / "Local_7.pcm";
  const std::filesystem::path wav = work / "Local_7.wav";
  const bool literal = data[0] & 1;
  const std::string original(reinterpret_cast<const char*>(data) + 1, size - 1);
  vz::fuzz::WriteWholeFile(pcm, original);
  const auto declared = HeaderOf(pcm);

  const int decoded = vz::SphereDecode(pcm.c_str());
  const std::string after = vz::fuzz::ReadWholeFile(pcm);
  if (decoded != 0) {
    VZ_REQUIRE(after == original, "a refused file was changed");
    VZ_REQUIRE(!vz::audio::LastSphereError().empty(), "refused without a reason");
  } else if (original.empty()) {
    VZ_REQUIRE(after.empty(), "an empty file (a dictation without audio) was changed");
  } else {
    VZ_REQUIRE(declared.has_value(), "decoded a file whose header does not read");
    const auto header = HeaderOf(pcm);
    VZ_REQUIRE(header && header->IsCanonical(), "the decoded file is not canonical");
    VZ_REQUIRE(header->sampleCount == declared->sampleCount && header->channels == declared->channels &&
                   header->sampleRate == declared->sampleRate,
               "decoded " + std::to_string(header->sampleCount) + " x " + std::to_string(header->channels) + " at " +
                   std::to_string(header->sampleRate) + " from a header declaring " + std::to_string(declared->sampleCount) +
                   " x " + std::to_string(declared->channels) + " at " + std::to_string(declared->sampleRate));
    VZ_REQUIRE(static_cast<std::int64_t>(after.size()) == static_cast<std::int64_t>(header->headerBytes) + header->DataBytes(),
               "the decoded file's size is not its header's and samples'");
    vz::audio::SphereChecksum sum(2, false);
    const auto samples = CanonicalSamples(after, *header);
    sum.AddSamples(samples);
    VZ_REQUIRE(header->checksum && *header->checksum == sum.Value(), "the decoded file's checksum does not match its samples");
    VZ_REQUIRE(vz::SphereDecode(pcm.c_str()) == 0 && vz::fuzz::ReadWholeFile(pcm) == after, "decoding again changed the file");
  }

  const int processed = vz::ProcessPCMforPenwright(pcm.c_str(), literal);
  if (processed != 0) {
    VZ_REQUIRE(!std::filesystem::exists(wav), "a WAV was left after a failure");
    VZ_REQUIRE(!vz::audio::LastProcessPCMError().empty(), "failed without a reason");
  } else if (decoded == 0 && original.empty()) {
    const auto written = ReadWav(wav);
    VZ_REQUIRE(written && written->samples.empty(), "an empty file gave a WAV with samples");
  } else if (decoded == 0) {
    const auto header = HeaderOf(pcm);
    const auto written = ReadWav(wav);
    VZ_REQUIRE(written.has_value(), "the WAV does not read");
    VZ_REQUIRE(written->channels == header->channels && written->rate == header->sampleRate &&
                   static_cast<std::int64_t>(written->samples.size()) == header->sampleCount * header->channels,
               "the WAV has " + std::to_string(written->samples.size()) + " samples, " + std::to_string(written->channels) +
                   " channels at " + std::to_string(written->rate));
    const auto samples = CanonicalSamples(vz::fuzz::ReadWholeFile(pcm), *header);
    if (literal) {
      VZ_REQUIRE(written->samples == samples, "literal output changed the samples");
    } else {
      int peak = 0;
      for (const std::int16_t sample : written->samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
      const bool silent = std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; });
      VZ_REQUIRE(silent ? peak == 0 : std::abs(peak - vz::audio::kTargetPeak) <= 1,
                 "normalised output peaks at " + std::to_string(peak));
    }
  }
  VZ_REQUIRE(!vz::fuzz::HasTemporaryFile(vz::fuzz::FilesUnder(work)), "a temporary file was left");
  return 0;
}
