// ProcessPCMforPenwright: the ".wav" beside the ".pcm" at the target level (or untouched in literal
// mode), with every sample kept, and nothing written when the input is damaged.
#include "audio/process_pcm.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "audio/sphere_decode.hpp"
#include "audio_samples.hpp"
#include "temp_folder.hpp"

namespace vz {
namespace {

using testing::HoldsTemporaryFiles;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

int PeakOf(const std::vector<std::int16_t>& samples) {
  int peak = 0;
  for (std::int16_t sample : samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
  return peak;
}

TEST(ProcessPCM, NormalisesAQuietDictationToTheTargetPeakKeepingEverySample) {
  TempFolder folder;
  const auto pcm = folder / "Local_21.pcm";
  const auto samples = testing::Ramp(2 * 65536 + 77, 4000);  // several blocks and a partial one
  testing::WriteSphere(pcm, samples, 11025);
  ASSERT_EQ(SphereDecode(pcm.c_str()), 0);

  ASSERT_EQ(ProcessPCMforPenwright(pcm.c_str(), false), 0) << audio::LastProcessPCMError();
  const auto wav = testing::ReadAudio(folder / "Local_21.wav");
  ASSERT_TRUE(wav);
  EXPECT_EQ(wav->format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(wav->rate, 11025);
  ASSERT_EQ(wav->samples.size(), samples.size());
  EXPECT_EQ(PeakOf(wav->samples), audio::kTargetPeak);
  // Every sample scaled by the same single-precision gain and rounded half away from zero.
  const float gain = static_cast<float>(audio::kTargetPeak) / 4000.0f;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    const float scaled = static_cast<float>(samples[i]) * gain;
    ASSERT_EQ(wav->samples[i], static_cast<std::int16_t>(scaled + (scaled >= 0 ? 0.5f : -0.5f))) << i;
  }
  EXPECT_FALSE(HoldsTemporaryFiles(folder.Path()));
}

TEST(ProcessPCM, LoudAudioIsLoweredAndSilenceStaysSilent) {
  TempFolder folder;
  const auto loud = folder / "Local_22.pcm";
  std::vector<std::int16_t> samples = testing::Ramp(1000, 100);
  samples[500] = -32768;
  testing::WriteSphere(loud, samples);
  ASSERT_EQ(ProcessPCMforPenwright(loud.c_str(), false), 0);
  EXPECT_EQ(PeakOf(testing::ReadAudio(folder / "Local_22.wav")->samples), audio::kTargetPeak);

  const auto silent = folder / "Local_23.pcm";
  testing::WriteSphere(silent, std::vector<std::int16_t>(500, 0));
  ASSERT_EQ(ProcessPCMforPenwright(silent.c_str(), false), 0);
  EXPECT_EQ(testing::ReadAudio(folder / "Local_23.wav")->samples, std::vector<std::int16_t>(500, 0));
}

TEST(ProcessPCM, LiteralModeCopiesTheSamplesUnchanged) {
  TempFolder folder;
  const auto pcm = folder / "Local_24.pcm";
  const auto samples = testing::Ramp(9000, 1234);
  testing::WriteSphere(pcm, samples);
  ASSERT_EQ(ProcessPCMforPenwright(pcm.c_str(), true), 0);
  EXPECT_EQ(testing::ReadAudio(folder / "Local_24.wav")->samples, samples);
}

TEST(ProcessPCM, AnEmptyFileGivesAWavWithoutSamples) {
  TempFolder folder;
  const auto pcm = folder / "Local_25.pcm";
  WriteFile(pcm, "");
  ASSERT_EQ(ProcessPCMforPenwright(pcm.c_str(), false), 0);
  const auto wav = testing::ReadAudio(folder / "Local_25.wav");
  ASSERT_TRUE(wav);
  EXPECT_TRUE(wav->samples.empty());
}

TEST(ProcessPCM, DamagedInputWritesNoWavAndKeepsAnEarlierOne) {
  TempFolder folder;
  const auto pcm = folder / "Local_26.pcm";
  testing::WriteSphere(pcm, testing::Ramp(2000, 1000));
  std::string bytes = ReadFile(pcm);
  bytes.resize(bytes.size() - 10);
  WriteFile(pcm, bytes);
  EXPECT_EQ(ProcessPCMforPenwright(pcm.c_str(), false), audio::kAudioTruncated);
  EXPECT_EQ(audio::LastProcessPCMError(), "Truncated audio file Local_26.pcm: 3990 of 4000 sample bytes present");
  char buffer[200];
  ProcessPCMError(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), audio::LastProcessPCMError());
  EXPECT_FALSE(std::filesystem::exists(folder / "Local_26.wav"));

  WriteFile(folder / "Local_26.wav", "earlier");
  EXPECT_EQ(ProcessPCMforPenwright(pcm.c_str(), true), audio::kAudioTruncated);
  EXPECT_EQ(ReadFile(folder / "Local_26.wav"), "earlier");

  const auto garbage = folder / "Local_27.pcm";
  WriteFile(garbage, std::string(3000, 'x'));
  EXPECT_NE(ProcessPCMforPenwright(garbage.c_str(), false), 0);
  EXPECT_THAT(audio::LastProcessPCMError(), ::testing::StartsWith("Cannot read audio Local_27.pcm: "));
  EXPECT_FALSE(std::filesystem::exists(folder / "Local_27.wav"));
  EXPECT_FALSE(HoldsTemporaryFiles(folder.Path()));

  EXPECT_EQ(ProcessPCMforPenwright((folder / "Local_28.pcm").c_str(), false), audio::kAudioCannotOpen);
}

}  // namespace
}  // namespace vz
