// The editor's main job at scale: a request for the work queue and the download of its 200
// dictations of 60 s audio, from the institution simulator on loopback, through the server's pump,
// the HTTP client services and the audio normalisation, against curl fetching the same files over
// one kept-alive connection and "sox --norm" converting each, measured in the same run.
// First it measures the process's peak resident memory after a queue of 20 and after one of 200:
// downloads stream to disk and normalisation works in blocks, so only the records may add to it.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "clientservices/http_client_services.hpp"
#include "diagnostics/trace.hpp"
#include "execution/database_request.hpp"
#include "execution/standard_action_catalogue.hpp"
#include "model/connect_info.hpp"
#include "model/request_spec.hpp"
#include "model/work_queue.hpp"
#include "object/dispatch.hpp"
#include "platform/event_loop.hpp"
#include "process_memory.hpp"
#include "ratio_reporter.hpp"
#include "object/class_registry.hpp"
#include "server/register_server_classes.hpp"
#include "server/request_pump.hpp"
#include "server/request_queue.hpp"
#include "server/server_environment.hpp"
#include "server/server_object.hpp"
#include "simulator/simulator_server.hpp"

extern char** environ;

namespace {

constexpr int kDictations = 200;
constexpr int kSmallQueue = 20;
constexpr int kSeconds = 60;
constexpr long kFirstID = 1001;

std::filesystem::path MakeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vz-bench-download-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = MakeFolder();
  return folder;
}

// The simulator with two institutions: "north" with the full queue, "south" with a small one.
vz::simulator::InstitutionSimulator& Institution() {
  static vz::simulator::InstitutionSimulator* simulator = [] {
    vz::simulator::SimulatorConfig config;
    config.dataFolder = Folder() / "institution";
    config.institutions[0].dictations = kDictations;
    config.institutions[0].secondsOfAudio = kSeconds;
    vz::simulator::InstitutionConfig south;
    south.name = "South Clinic";
    south.directory = "south";
    south.locationID = 4;
    south.dictations = kSmallQueue;
    south.secondsOfAudio = kSeconds;
    config.institutions.push_back(south);
    auto* started = new vz::simulator::InstitutionSimulator(config);
    started->Start();
    return started;
  }();
  return *simulator;
}

class CompletionCounter : public vz::EventSink {
 public:
  void OnEvent(vz::Object&, const vz::MemberInfo& event, std::span<vz::Value> arguments) override {
    if (event.name != "DatabaseRequestComplete") return;
    const auto request = std::dynamic_pointer_cast<vz::clsDatabaseRequest>(arguments[0].ToObject());
    lastError = request ? request->GlobalErrorMessage() : "no request";
    ++completed;
    arguments[1] = vz::Value(true);
  }
  long completed = 0;
  std::string lastError;
};

// The server as vzed runs it: the loop's clock, the standard catalogue over HTTP, a pump that
// ticks on every turn.
struct Server {
  Server() {
    vz::ResetTraceModule();
    vz::SetLogFilePath(Folder() / "Server.log");
    vz::SetTraceLevel(1);
    catalogue = std::make_shared<vz::StandardActionCatalogue>(std::make_shared<vz::HttpClientServices>(loop.Context()));
    vz::ServerEnvironment environment{&loop.LoopClock(), catalogue, nullptr};
    environment.pumpInterval = std::chrono::milliseconds(0);
    vz::InstallServerEnvironment(environment);
    server = vz::clsZERUredoz::ProcessInstance();
    client = std::make_shared<CompletionCounter>();
    server->Advise(client);
  }
  ~Server() {
    server->Cleanup();
    vz::InstallServerEnvironment({});
  }

  // Work queue and download of `directory`'s queue into `downloads`; false when it failed.
  bool DownloadQueue(const std::string& directory, std::int16_t locationID, const std::filesystem::path& downloads,
                     long expected) {
    const std::string url = Institution().ServletURL(directory);
    const auto connection = server->DatabaseRequests()->ConnectionInfo();
    vz::dispatch::Set(*connection, "CurrentDatabaseURL", vz::Value(url));
    vz::dispatch::Set(*connection, "Transcriptionist", vz::Value("jdoe"));
    vz::dispatch::Set(*connection, "Password", vz::Value("secret"));
    vz::dispatch::Set(*connection, "DownloadPath", vz::Value(downloads.string()));
    vz::dispatch::Set(*connection, "CurrentLocationID", vz::Value(locationID));
    auto workQueue = server->NewWorkQueue();
    vz::dispatch::Set(*workQueue, "RetrieveLocation", vz::Value(locationID));
    vz::dispatch::Set(*workQueue, "DownloadPath", vz::Value(downloads.string()));
    vz::dispatch::Set(*workQueue, "DatabaseURL", vz::Value(url));
    vz::dispatch::Set(*workQueue, "Transcriptionist", vz::Value("jdoe"));
    auto spec = server->NewRequestSpec();
    vz::dispatch::Set(*spec, "WorkQueue", vz::Value(vz::ObjectRef(workQueue)));
    spec->SetActionList({2, 1});
    const long target = client->completed + 1;
    server->DatabaseRequests()->Add(spec);
    if (!loop.RunUntil([&] { return client->completed >= target; }, std::chrono::minutes(10))) return false;
    if (!client->lastError.empty()) return false;
    // Every dictation of the queue must have arrived and been normalised.
    long normalised = 0;
    for (const auto& file : std::filesystem::directory_iterator(downloads)) normalised += file.path().extension() == ".wav";
    if (normalised != expected) client->lastError = std::to_string(normalised) + " of " + std::to_string(expected) + " dictations normalised";
    return normalised == expected;
  }

  vz::EventLoop loop;
  std::shared_ptr<vz::StandardActionCatalogue> catalogue;
  std::shared_ptr<vz::clsZERUredoz> server;
  std::shared_ptr<CompletionCounter> client;
};

std::filesystem::path FreshFolder(const std::string& name) {
  const auto folder = Folder() / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

bool Run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_ServerDownloadsAndNormalises(benchmark::State& state) {
  Server server;
  for (auto _ : state) {
    state.PauseTiming();
    const auto downloads = FreshFolder("ours");
    state.ResumeTiming();
    if (!server.DownloadQueue("north", 3, downloads, kDictations)) {
      state.SkipWithError(("the download failed: " + server.client->lastError).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kDictations);
}
BENCHMARK(BM_ServerDownloadsAndNormalises)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The same transfers with curl, one process and one connection for all files, then sox per file.
void BM_CurlAndSoxNorm(benchmark::State& state) {
  const std::string url = Institution().ServletURL("north") + "?request=0101";
  for (auto _ : state) {
    state.PauseTiming();
    const auto downloads = FreshFolder("peer");
    std::vector<std::string> curl = {"curl", "--silent", "--fail"};
    for (long id = kFirstID; id < kFirstID + kDictations; ++id) {
      if (id != kFirstID) curl.push_back("--next");
      const std::string form = "locationID=3&utteranceID=" + std::to_string(id) +
                               "&linkedDocumentID=0&isAddendum=False&documentVersion=0&workQueueMode=0&useMTReview=False";
      curl.insert(curl.end(), {"--user", "jdoe:secret", "--data", form, "--output",
                               (downloads / ("Local_" + std::to_string(id) + ".pcm")).string(), url});
    }
    state.ResumeTiming();
    bool ok = Run(curl);
    for (long id = kFirstID; ok && id < kFirstID + kDictations; ++id) {
      const std::string root = (downloads / ("Local_" + std::to_string(id))).string();
      ok = Run({"sox", "-V1", "-D", "--norm", "-t", "nist", root + ".pcm", root + ".wav"});
    }
    if (!ok) {
      state.SkipWithError("curl or sox failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kDictations);
}
BENCHMARK(BM_CurlAndSoxNorm)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  vz::RegisterServerClasses(vz::ClassRegistry::Global());  // the work queue's extraction needs the dictation classes
  Institution();  // generates the audio before anything is measured
  long afterSmall = 0;
  long afterFull = 0;
  {
    Server server;
    if (!server.DownloadQueue("south", 4, FreshFolder("memory-small"), kSmallQueue)) std::fprintf(stderr, "small download failed: %s\n", server.client->lastError.c_str());
    afterSmall = vz::bench::PeakResidentKilobytes();
    if (!server.DownloadQueue("north", 3, FreshFolder("memory-full"), kDictations)) std::fprintf(stderr, "full download failed: %s\n", server.client->lastError.c_str());
    afterFull = vz::bench::PeakResidentKilobytes();
  }
  const int status = vz::bench::RunAndCompare(
      argc, argv,
      {{"download", "work queue + download + normalise vs curl + sox --norm (200 x 60 s dictations)",
        "BM_ServerDownloadsAndNormalises/iterations:1/real_time", "BM_CurlAndSoxNorm/iterations:1/real_time",
        vz::bench::Comparison::By::Time, 0.7}});
  // The dictation records themselves grow with the queue (at most 16 KiB each); the transfers and
  // the normalisation must add nothing on top.
  const long recordsShare = (kDictations - kSmallQueue) * 16L;
  std::printf("peak resident memory: %ld kB after a queue of %d, %ld kB after a queue of %d (growth %ld kB, "
              "records allow %ld kB: flat %s)\n",
              afterSmall, kSmallQueue, afterFull, kDictations, afterFull - afterSmall, recordsShare,
              afterFull - afterSmall <= recordsShare ? "yes" : "no");
  char measured[96];
  std::snprintf(measured, sizeof measured, "%+ld kB from a queue of %d to %d", afterFull - afterSmall, kSmallQueue, kDictations);
  char target[64];
  std::snprintf(target, sizeof target, "<= %ld kB (16 KiB per record)", recordsShare);
  vz::bench::ReportTarget("download-memory", "peak memory of download + normalise", measured, target,
                          afterFull - afterSmall <= recordsShare);
  std::filesystem::remove_all(Folder());
  return status;
}
