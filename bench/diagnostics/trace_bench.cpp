// Trace lines per second at level 4 against the bare minimum the same lines cost: open for
// appending, one write, close, with the line already formatted.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "diagnostics/trace.hpp"
#include "ratio_reporter.hpp"

namespace {

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vz-bench-XXXXXX").string();
    return std::filesystem::path(::mkdtemp(pattern.data()));
  }();
  return folder;
}

constexpr const char* kLocation = "clsDatabaseRequest.Run";
constexpr const char* kMessage = "Starting action DBR_DOWNLOAD for request DBR00042 with 17 dictations";

void BM_GlobalTraceLevel4(benchmark::State& state) {
  const auto log = Folder() / "trace.log";
  std::filesystem::remove(log);
  vz::ResetTraceModule();
  vz::SetLogFilePath(log.string());
  vz::SetTraceLevel(4);
  for (auto _ : state) vz::GlobalTrace(kLocation, kMessage, 4);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GlobalTraceLevel4);

void BM_RawOpenAppendWriteClose(benchmark::State& state) {
  const auto log = Folder() / "raw.log";
  std::filesystem::remove(log);
  const std::string line = vz::SystemTimeStamp() + "\t" + vz::ApplicationName() + "\t" + kLocation + ": " + kMessage + "\r\n";
  for (auto _ : state) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
    ::close(fd);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawOpenAppendWriteClose);

}  // namespace

int main(int argc, char** argv) {
  const int status = vz::bench::RunAndCompare(
      argc, argv,
      {{"trace", "trace lines/s at level 4 vs raw open-append-write-close", "BM_GlobalTraceLevel4",
        "BM_RawOpenAppendWriteClose", vz::bench::Comparison::By::Rate, 0.9}});
  std::filesystem::remove_all(Folder());
  return status;
}
