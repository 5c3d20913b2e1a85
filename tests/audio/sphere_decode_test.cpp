// SphereDecode: verification of the header's checksum, refusal of damaged files with their texts,
// and decoding of files that do not hold 16-bit little-endian samples.
#include "audio/sphere_decode.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/sphere_header.hpp"
#include "audio_samples.hpp"
#include "temp_folder.hpp"

namespace vz {
namespace {

using testing::HoldsTemporaryFiles;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

std::uint16_t SumOf(const std::vector<std::int16_t>& samples) {
  audio::SphereChecksum checksum(2, false);
  checksum.AddSamples(samples);
  return checksum.Value();
}

TEST(SphereDecode, AcceptsACanonicalFileWithItsChecksumAndLeavesItUnchanged) {
  TempFolder folder;
  const auto path = folder / "Local_7.pcm";
  testing::WriteSphere(path, testing::Ramp(8000, 30000));
  const std::string before = ReadFile(path);
  EXPECT_NE(before.find("sample_checksum -i " + std::to_string(SumOf(testing::Ramp(8000, 30000))) + "\n"), std::string::npos);

  EXPECT_EQ(SphereDecode(path.c_str()), 0);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(audio::LastSphereError(), "");
}

TEST(SphereDecode, ChecksumMismatchGivesTheVerificationFailureText) {
  TempFolder folder;
  const auto path = folder / "Local_7.pcm";
  const auto samples = testing::Ramp(4000, 12000);
  const std::uint16_t sum = SumOf(samples);
  testing::WriteSphere(path, samples, 8000, static_cast<std::uint16_t>(sum + 1));

  EXPECT_EQ(SphereDecode(path.c_str()), audio::kAudioChecksumFailed);
  const std::string expected = "WRITE VERIFICATION OF CHECKSUM FAILED: Local_7.pcm declares " +
                               std::to_string(static_cast<std::uint16_t>(sum + 1)) + ", its samples sum to " + std::to_string(sum);
  char buffer[200];
  EXPECT_EQ(SphereError(buffer, 200), static_cast<int>(expected.size()));
  EXPECT_EQ(std::string(buffer), expected);
  // A short buffer gets the start of the text, terminated.
  char shortBuffer[6];
  EXPECT_EQ(SphereError(shortBuffer, 6), 5);
  EXPECT_STREQ(shortBuffer, "WRITE");
}

TEST(SphereDecode, ChecksumIsTheSixteenBitSumOfTheSamples) {
  // 3 x 30000 = 90000 = 24464 modulo 65536; negative samples count as their 16-bit pattern.
  audio::SphereChecksum checksum(2, false);
  const std::vector<std::int16_t> samples{30000, 30000, 30000, -1, 1};
  checksum.AddSamples(samples);
  EXPECT_EQ(checksum.Value(), 24464);
  const unsigned char bigEndian[] = {0x75, 0x30, 0xFF, 0xFF};  // 30000, -1
  audio::SphereChecksum fromBytes(2, true);
  fromBytes.AddBytes(bigEndian);
  EXPECT_EQ(fromBytes.Value(), static_cast<std::uint16_t>(30000 + 65535));
}

TEST(SphereDecode, RefusesDamagedFilesWithAClearText) {
  TempFolder folder;
  const auto truncated = folder / "Local_8.pcm";
  testing::WriteSphere(truncated, testing::Ramp(1000, 1000));
  std::string bytes = ReadFile(truncated);
  bytes.resize(1024 + 1200);
  WriteFile(truncated, bytes);
  EXPECT_EQ(SphereDecode(truncated.c_str()), audio::kAudioTruncated);
  EXPECT_EQ(audio::LastSphereError(), "Truncated audio file Local_8.pcm: 1200 of 2000 sample bytes present");
  EXPECT_EQ(ReadFile(truncated), bytes);

  const auto text = folder / "Local_9.pcm";
  WriteFile(text, "RIFF this is not a sphere file");
  EXPECT_EQ(SphereDecode(text.c_str()), audio::kAudioNotSphere);
  EXPECT_EQ(audio::LastSphereError(), "Cannot decode Local_9.pcm: not a NIST SPHERE file");

  const auto headerOnly = folder / "Local_10.pcm";
  WriteFile(headerOnly, "NIST_1A\n   1024\nsample_count -i 5\n");
  EXPECT_EQ(SphereDecode(headerOnly.c_str()), audio::kAudioNotSphere);
  EXPECT_EQ(audio::LastSphereError(), "Cannot decode Local_10.pcm: SPHERE header is cut short");

  EXPECT_EQ(SphereDecode((folder / "Local_11.pcm").c_str()), audio::kAudioCannotOpen);
  EXPECT_THAT(audio::LastSphereError(), ::testing::StartsWith("Cannot open Local_11.pcm: "));

  const auto shorten = folder / "Local_12.pcm";
  std::string header = "NIST_1A\n   1024\nsample_count -i 0\nsample_n_bytes -i 2\nsample_coding -s26 pcm,embedded-shorten-v2.00\nend_head\n";
  header.resize(1024, '\0');
  WriteFile(shorten, header);
  EXPECT_EQ(SphereDecode(shorten.c_str()), audio::kAudioUnsupported);
  EXPECT_EQ(audio::LastSphereError(), "Cannot decode Local_12.pcm: unsupported sample coding pcm,embedded-shorten-v2.00");
}

TEST(SphereDecode, DecodesBigEndianSamplesIntoACanonicalVerifiedFile) {
  TempFolder folder;
  const auto path = folder / "Local_13.pcm";
  const std::vector<std::int16_t> samples{1, -2, 300, -32768, 32767, 4660};
  std::string data;
  audio::SphereChecksum checksum(2, true);
  for (std::int16_t sample : samples) {
    data += static_cast<char>((static_cast<std::uint16_t>(sample) >> 8) & 0xFF);
    data += static_cast<char>(static_cast<std::uint16_t>(sample) & 0xFF);
  }
  checksum.AddBytes({reinterpret_cast<const unsigned char*>(data.data()), data.size()});
  std::string header = "NIST_1A\n   1024\nsample_count -i 6\nsample_n_bytes -i 2\nchannel_count -i 1\n"
                       "sample_byte_format -s2 10\nsample_rate -i 11025\nsample_coding -s3 pcm\nsample_checksum -i " +
                       std::to_string(checksum.Value()) + "\nend_head\n";
  header.resize(1024, '\0');
  WriteFile(path, header + data);

  ASSERT_EQ(SphereDecode(path.c_str()), 0) << audio::LastSphereError();
  const auto decoded = testing::ReadAudio(path);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->rate, 11025);
  EXPECT_EQ(decoded->samples, samples);
  EXPECT_NE(ReadFile(path).find("sample_byte_format -s2 01\n"), std::string::npos);
  // Its own result verifies again and stays as it is.
  const std::string canonical = ReadFile(path);
  EXPECT_EQ(SphereDecode(path.c_str()), 0);
  EXPECT_EQ(ReadFile(path), canonical);
  EXPECT_FALSE(HoldsTemporaryFiles(std::filesystem::path(path).parent_path()));
}

TEST(SphereDecode, DecodesAMuLawFileWrittenBySox) {
  if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
  TempFolder folder;
  const auto path = folder / "Local_14.pcm";
  const std::string command = "sox -n -r 8000 -c 1 -e u-law -t nist " + path + " synth 0.5 sine 440 vol 0.5 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);

  ASSERT_EQ(SphereDecode(path.c_str()), 0) << audio::LastSphereError();
  const std::string header = ReadFile(path).substr(0, 1024);
  EXPECT_NE(header.find("sample_n_bytes -i 2\n"), std::string::npos);
  EXPECT_NE(header.find("sample_checksum -i "), std::string::npos);
  const auto decoded = testing::ReadAudio(path);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->samples.size(), 4000u);
  EXPECT_EQ(decoded->format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
}

}  // namespace
}  // namespace vz
