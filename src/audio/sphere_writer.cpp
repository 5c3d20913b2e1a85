#include "audio/sphere_writer.hpp"

#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace vz::audio {

static_assert(std::endian::native == std::endian::little, "samples are written in the host's byte order");

SphereWriter::SphereWriter(std::filesystem::path target, int sampleRate, int channels)
    : target_(std::move(target)), temporary_(target_, ".part"), sampleRate_(sampleRate), channels_(channels) {
  if (!temporary_.IsOpen() || !temporary_.Close()) {
    problem_ = "cannot create a temporary file for " + target_.string() + ": " + std::strerror(temporary_.Error());
    return;
  }
  file_ = std::fopen(temporary_.Path().c_str(), "wb");
  if (file_ == nullptr) {
    problem_ = "cannot create " + temporary_.Path().string() + ": " + std::strerror(errno);
    return;
  }
  const std::string placeholder(1024, '\0');
  if (std::fwrite(placeholder.data(), 1, placeholder.size(), file_) != placeholder.size()) Fail("cannot write");
}

SphereWriter::~SphereWriter() {
  // The temporary file goes with `temporary_` unless it was moved into place.
  if (file_ != nullptr) std::fclose(file_);
}

void SphereWriter::Fail(const std::string& what) {
  if (problem_.empty()) problem_ = what + " " + temporary_.Path().string() + ": " + std::strerror(errno);
}

bool SphereWriter::Write(std::span<const std::int16_t> samples) {
  if (file_ == nullptr || !problem_.empty()) return false;
  checksum_.AddSamples(samples);
  samplesWritten_ += static_cast<std::int64_t>(samples.size());
  if (std::fwrite(samples.data(), sizeof(std::int16_t), samples.size(), file_) != samples.size()) {
    Fail("cannot write");
    return false;
  }
  return true;
}

bool SphereWriter::Finish(std::optional<std::uint16_t> declaredChecksum) {
  if (file_ == nullptr || !problem_.empty()) return false;
  const std::string header =
      FormatSphereHeader(sampleRate_, channels_, samplesWritten_ / channels_, declaredChecksum.value_or(checksum_.Value()));
  if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
    Fail("cannot write the header of");
    return false;
  }
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed) {
    Fail("cannot finish");
    return false;
  }
  const std::error_code error = temporary_.Commit();
  if (!error) return true;
  problem_ = "cannot move " + temporary_.Path().string() + " into place: " + error.message();
  return false;
}

}  // namespace vz::audio
