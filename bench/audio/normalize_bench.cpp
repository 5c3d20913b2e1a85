// Normalising downloaded dictations: SphereDecode (checksum verification) and
// ProcessPCMforPenwright (peak normalisation to a WAV) against "sox --norm" converting the same
// NIST SPHERE files to WAV, both over 200 dictations of 60 s at 8 kHz, measured in the same run.
// Afterwards it prints the process's peak resident memory after 10 files and after all 200:
// normalisation works in blocks, so the peak must not grow with the number or length of files.
#include <spawn.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/process_pcm.hpp"
#include "audio/sphere_decode.hpp"
#include "audio/sphere_writer.hpp"
#include "process_memory.hpp"
#include "ratio_reporter.hpp"

extern char** environ;

namespace {

constexpr int kFiles = 200;
constexpr int kSeconds = 60;
constexpr int kRate = 8000;

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vz-bench-audio-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  return folder;
}

std::string PcmPath(int index) { return (Folder() / ("Local_" + std::to_string(1000 + index) + ".pcm")).string(); }

// Speech-like test audio: a voiced tone in syllables, peaking near a quarter of full scale.
void Generate(int index) {
  vz::audio::SphereWriter writer(PcmPath(index), kRate, 1);
  std::vector<std::int16_t> block(4096);
  const double pitch = 110.0 + index % 90;
  const double step = 2.0 * std::numbers::pi / kRate;
  std::int64_t t = 0;
  for (std::int64_t left = std::int64_t(kSeconds) * kRate; left > 0;) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(4096, left));
    for (std::size_t i = 0; i < count; ++i, ++t) {
      const double envelope = std::max(0.0, std::sin(t * step * 3.5));
      block[i] = static_cast<std::int16_t>(envelope * (std::sin(t * step * pitch) + 0.5 * std::sin(2 * t * step * pitch)) * 5400.0);
    }
    writer.Write({block.data(), count});
    left -= static_cast<std::int64_t>(count);
  }
  if (!writer.Finish()) std::abort();
}

void NormaliseOurs(int index) {
  const std::string path = PcmPath(index);
  if (vz::SphereDecode(path.c_str()) != 0 || vz::ProcessPCMforPenwright(path.c_str(), false) != 0) {
    std::fprintf(stderr, "normalising %s failed: %s%s\n", path.c_str(), vz::audio::LastSphereError().c_str(),
                 vz::audio::LastProcessPCMError().c_str());
    std::abort();
  }
}

void NormaliseWithSox(int index) {
  const std::string input = PcmPath(index);
  const std::string output = (Folder() / "sox.wav").string();
  const char* arguments[] = {"sox", "-V1", "-D", "--norm", "-t", "nist", input.c_str(), output.c_str(), nullptr};
  pid_t child = 0;
  if (::posix_spawnp(&child, "sox", nullptr, nullptr, const_cast<char* const*>(arguments), environ) != 0) std::abort();
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
}

void BM_SphereDecodeAndProcessPCM(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < kFiles; ++i) NormaliseOurs(i);
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_SphereDecodeAndProcessPCM)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_SoxNorm(benchmark::State& state) {
  for (auto _ : state)
    for (int i = 0; i < kFiles; ++i) NormaliseWithSox(i);
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_SoxNorm)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  for (int i = 0; i < kFiles; ++i) Generate(i);
  // Memory: peak after 10 dictations, then after all of them.
  const long before = vz::bench::PeakResidentKilobytes();
  for (int i = 0; i < 10; ++i) NormaliseOurs(i);
  const long afterTen = vz::bench::PeakResidentKilobytes();
  for (int i = 10; i < kFiles; ++i) NormaliseOurs(i);
  const long afterAll = vz::bench::PeakResidentKilobytes();

  const int status = vz::bench::RunAndCompare(
      argc, argv,
      {{"normalise", "SphereDecode + ProcessPCMforPenwright vs sox --norm (200 x 60 s dictations)",
        "BM_SphereDecodeAndProcessPCM/iterations:1/real_time", "BM_SoxNorm/iterations:1/real_time",
        vz::bench::Comparison::By::Time, 1.0}});
  std::printf("peak resident memory: %ld kB before normalising, %ld kB after 10 dictations, %ld kB after %d (flat: %s)\n", before,
              afterTen, afterAll, kFiles, afterAll - afterTen < 1024 ? "yes" : "no");
  char measured[96];
  std::snprintf(measured, sizeof measured, "%+ld kB from 10 to %d dictations", afterAll - afterTen, kFiles);
  vz::bench::ReportTarget("normalise-memory", "peak memory while normalising", measured, "< 1024 kB growth",
                          afterAll - afterTen < 1024);
  std::filesystem::remove_all(Folder());
  return status;
}
