// The editor's main loop against the institution simulator, in one process: the server object's
// pump runs on a manual clock the test advances, the HTTP exchanges run on a real event loop
// against the simulator on loopback. Retries therefore wait 5000 ms of the manual clock, not of
// the wall clock, and the faults of the simulator play the communication failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

#include "clientservices/http_client_services.hpp"
#include "diagnostics_fixture.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "execution/database_request.hpp"
#include "execution/in_memory_servlet_urls.hpp"
#include "execution/standard_action_catalogue.hpp"
#include "model/connect_info.hpp"
#include "model/process_settings.hpp"
#include "model/request_spec.hpp"
#include "model/work_queue.hpp"
#include "object/class_info.hpp"
#include "object/dispatch.hpp"
#include "object/event.hpp"
#include "platform/event_loop.hpp"
#include "platform/manual_clock.hpp"
#include "server/request_pump.hpp"
#include "object/class_registry.hpp"
#include "server/register_server_classes.hpp"
#include "server/request_queue.hpp"
#include "server/server_environment.hpp"
#include "server/server_object.hpp"
#include "simulator/simulator_server.hpp"

namespace vz::testing {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using simulator::Fault;
using simulator::FaultKind;
using namespace std::chrono_literals;

constexpr int kDictations = 5;

// The client's side of the server's events.
class Listener : public EventSink {
 public:
  void OnEvent(Object&, const MemberInfo& event, std::span<Value> arguments) override {
    if (event.name == "CommunicationsWarning") warnings.push_back(arguments[0].ToString());
    if (event.name != "DatabaseRequestComplete") return;
    completed.push_back(std::dynamic_pointer_cast<clsDatabaseRequest>(arguments[0].ToObject()));
    arguments[1] = Value(true);
  }
  std::vector<std::string> warnings;
  std::vector<std::shared_ptr<clsDatabaseRequest>> completed;
};

class MainLoopTest : public DiagnosticsTest {
 protected:
  void SetUp() override {
    DiagnosticsTest::SetUp();
    simulator::SimulatorConfig config;
    config.dataFolder = simulatorData.Path();
    config.institutions[0].dictations = kDictations;
    config.institutions[0].secondsOfAudio = 1;
    institution = std::make_unique<simulator::InstitutionSimulator>(config);
    institution->GetServlets().SetLog([this](const std::string& line) {
      std::lock_guard lock(exchangesMutex);
      exchanges.push_back(line);
    });
    institution->Start();

    auto services = std::make_shared<HttpClientServices>(loop.Context());
    // Production realms ask the simulator's information servlet.
    services->SetServletUrls(std::make_shared<InMemoryServletUrls>(InformationServletLists{{{institution->InformationURL()}}}));
    catalogue = std::make_shared<StandardActionCatalogue>(services);
    InstallServerEnvironment({&clock, catalogue, nullptr});
    RegisterServerClasses(ClassRegistry::Global());
    server = clsZERUredoz::ProcessInstance();
    server->SetAppPath(folder / "App");
    // As the editor does: the pump recognises the retry pause and ticks quickly after it.
    server->SetRetryTimerInterval(5000);
    listener = std::make_shared<Listener>();
    server->Advise(listener);
    downloads = folder.Path() / "Downloads";
    std::filesystem::create_directories(downloads);
    const auto connection = server->DatabaseRequests()->ConnectionInfo();
    dispatch::Set(*connection, "CurrentDatabaseURL", Value(institution->ServletURL("north")));
    dispatch::Set(*connection, "Transcriptionist", Value("jdoe"));
    dispatch::Set(*connection, "Password", Value("secret"));
    dispatch::Set(*connection, "DownloadPath", Value(downloads.string()));
    dispatch::Set(*connection, "CurrentLocationID", Value(std::int16_t{3}));
  }
  void TearDown() override {
    server->Cleanup();
    server.reset();
    CurrentProcessSettings() = {};
    InstallServerEnvironment({});
    institution->Stop();
    DiagnosticsTest::TearDown();
  }

  // Work queue then download, as the editor's main loop submits them.
  std::shared_ptr<clsDatabaseRequest> SubmitWorkQueueAndDownload(std::int16_t maxRetries = -1, const std::string& location = "",
                                                                 Value::Array actions = {Value(2), Value(1)}) {
    auto workQueue = server->NewWorkQueue();
    dispatch::Set(*workQueue, "RetrieveLocation", Value(std::int16_t{3}));
    dispatch::Set(*workQueue, "DownloadPath", Value(downloads.string()));
    dispatch::Set(*workQueue, "DatabaseURL", Value(institution->ServletURL("north")));
    dispatch::Set(*workQueue, "Transcriptionist", Value("jdoe"));
    auto spec = server->NewRequestSpec();
    dispatch::Set(*spec, "WorkQueue", Value(ObjectRef(workQueue)));
    dispatch::Set(*spec, "Actions", Value(std::move(actions)));
    dispatch::Set(*spec, "CompletionAction", Value(2));
    dispatch::Set(*spec, "MaxRetries", Value(maxRetries));
    dispatch::Set(*spec, "Location", Value(location));
    return server->DatabaseRequests()->Add(spec);
  }

  // Runs until the request has completed: a tick of the pump whenever its timer is on (noting the
  // interval), the loop's handlers while a call is in flight.
  void RunUntilComplete(std::size_t completions = 1) {
    for (int step = 0; step < 500 && listener->completed.size() < completions; ++step) {
      Timer& timer = server->Pump()->tmrRequest();
      if (timer.Enabled()) {
        ticks.push_back(timer.Interval());
        clock.AdvanceBy(timer.Interval());
        continue;
      }
      ASSERT_TRUE(loop.RunUntil([&] { return timer.Enabled() || listener->completed.size() >= completions; }, 20s))
          << "no completion of the call in flight";
    }
    ASSERT_EQ(listener->completed.size(), completions);
  }

  // The exchanges of `requestNumber`, those whose log line holds `answer` when given.
  std::size_t Exchanges(std::string_view requestNumber, std::string_view answer = {}) {
    std::lock_guard lock(exchangesMutex);
    const std::string marker = "request=" + std::string(requestNumber);
    return static_cast<std::size_t>(std::count_if(exchanges.begin(), exchanges.end(), [&](const std::string& line) {
      return line.find(marker) != std::string::npos && line.find(answer) != std::string::npos;
    }));
  }
  std::size_t RetryTicks() const { return static_cast<std::size_t>(std::count(ticks.begin(), ticks.end(), 5000ms)); }

  std::vector<std::string> Statuses(const clsDatabaseRequest& request) const {
    std::vector<std::string> statuses;
    for (const auto& dictation : request.Dictations()->Items()) statuses.push_back(dictation->Status());
    return statuses;
  }
  std::filesystem::path Download(long id, const std::string& extension) const {
    return downloads / ("Local_" + std::to_string(id) + extension);
  }

  TempFolder simulatorData;
  std::unique_ptr<simulator::InstitutionSimulator> institution;
  std::mutex exchangesMutex;
  std::vector<std::string> exchanges;
  EventLoop loop;
  ManualClock clock;
  std::shared_ptr<StandardActionCatalogue> catalogue;
  std::shared_ptr<clsZERUredoz> server;
  std::shared_ptr<Listener> listener;
  std::filesystem::path downloads;
  std::vector<std::chrono::milliseconds> ticks;
};

TEST_F(MainLoopTest, ADownloadDroppedAfterTwoOfFiveGoesOnWithTheOtherThreeAfterFiveSeconds) {
  Fault drop = Fault::Of(FaultKind::kDrop);
  drop.utteranceID = "1003";  // the third, however the downloads in flight together arrive
  institution->Faults().Set("download", drop);
  SubmitWorkQueueAndDownload();
  RunUntilComplete();

  const auto& request = *listener->completed.front();
  EXPECT_EQ(request.GlobalErrorMessage(), "");
  EXPECT_EQ(request.Retries(), 1);
  EXPECT_EQ(RetryTicks(), 1u);
  // Two dictations arrived, the third broke off while the last two went on beside it, and the
  // retry asked only for the last three: the two already here were not sent again.
  EXPECT_EQ(Exchanges("0101"), 2u + 1u + 2u + 3u);
  EXPECT_EQ(Exchanges("0101", " -> 304"), 2u);
  EXPECT_THAT(Statuses(request), Each(StartsWith("Downloaded for ")));
  for (long id = 1001; id < 1001 + kDictations; ++id) {
    EXPECT_TRUE(std::filesystem::exists(Download(id, ".wav"))) << id;
    EXPECT_FALSE(std::filesystem::exists(Download(id, ".pcm.part"))) << id;
  }
}

TEST_F(MainLoopTest, TheDocumentsOfTheQueueArriveAsTheInstitutionServesThem) {
  SubmitWorkQueueAndDownload(-1, "", {Value(2), Value(38)});  // DBR_GETWORKQUEUE, DBR_DOWNLOADTEXT
  RunUntilComplete();

  EXPECT_EQ(listener->completed.front()->GlobalErrorMessage(), "");
  for (long id = 1001; id < 1001 + kDictations; ++id) {
    std::filesystem::path served;
    institution->GetServlets().Inspect("north", [&](const simulator::Institution& north) {
      served = north.Folder() / "queue" / ("Local_" + std::to_string(id) + ".rtf");
    });
    ASSERT_FALSE(ReadFile(served).empty()) << served;
    EXPECT_EQ(ReadFile(Download(id, ".rtf")), ReadFile(served)) << id;
  }
  EXPECT_FALSE(std::filesystem::exists(Download(1001, ".pcm")));
}

TEST_F(MainLoopTest, ACorruptChecksumIsDownloadedAgainTwiceAndThenReported) {
  institution->Faults().Set("download", Fault::Of(FaultKind::kCorruptChecksum, /*after=*/0, /*times=*/-1));
  SubmitWorkQueueAndDownload();
  RunUntilComplete();

  const auto& request = *listener->completed.front();
  EXPECT_EQ(request.GlobalErrorMessage(), "Checksum error occurred during download of utterance 1001");
  EXPECT_EQ(RetryTicks(), 2u);
  // Each attempt fetched the whole list again: a checksum failure marks no dictation done.
  EXPECT_EQ(Exchanges("0101"), 3u * kDictations);
  EXPECT_THAT(ReadFile(folder / "Logs/Summary.log"), HasSubstr("Closing request: "));
}

TEST_F(MainLoopTest, ACorruptChecksumOnceCostsOneRetry) {
  institution->Faults().Set("download", Fault::Of(FaultKind::kCorruptChecksum, /*after=*/3, /*times=*/1));
  SubmitWorkQueueAndDownload();
  RunUntilComplete();

  const auto& request = *listener->completed.front();
  EXPECT_EQ(request.GlobalErrorMessage(), "");
  EXPECT_EQ(RetryTicks(), 1u);
  EXPECT_THAT(Statuses(request), Each(StartsWith("Downloaded for ")));
}

TEST_F(MainLoopTest, AnAudioFileFailingItsDigestIsDownloadedAgainLikeABadChecksum) {
  Fault digest = Fault::Of(FaultKind::kCorruptDigest);
  digest.utteranceID = "1001";
  institution->Faults().Set("download", digest);
  SubmitWorkQueueAndDownload();
  RunUntilComplete();

  const auto& request = *listener->completed.front();
  EXPECT_EQ(request.GlobalErrorMessage(), "");
  EXPECT_EQ(RetryTicks(), 1u);
  // The first dictation failed, so it and every one after it were fetched again.
  EXPECT_EQ(Exchanges("0101"), 2u * kDictations);
  EXPECT_THAT(Statuses(request), Each(StartsWith("Downloaded for ")));
  for (long id = 1001; id < 1001 + kDictations; ++id) {
    EXPECT_TRUE(std::filesystem::exists(Download(id, ".wav"))) << id;
    EXPECT_FALSE(std::filesystem::exists(Download(id, ".pcm.part"))) << id;
  }
  for (const auto& dictation : request.Dictations()->Items()) EXPECT_EQ(dictation->ErrorString(), "");
}

TEST_F(MainLoopTest, AnAudioFileThatNeverPassesItsDigestEndsTheRequestWithoutMarkingItDownloaded) {
  Fault digest = Fault::Of(FaultKind::kCorruptDigest, 0, /*times=*/-1);
  digest.utteranceID = "1003";
  institution->Faults().Set("download", digest);
  SubmitWorkQueueAndDownload();
  RunUntilComplete();

  const auto& request = *listener->completed.front();
  EXPECT_THAT(request.GlobalErrorMessage(), HasSubstr(": CHECKSUM mismatch in Local_1003.pcm"));
  EXPECT_EQ(RetryTicks(), 2u);
  // Each attempt fetched it again; only the dictations before it count as downloaded.
  EXPECT_EQ(Exchanges("0101", "utteranceID=1003 "), 3u);
  const auto statuses = Statuses(request);
  for (std::size_t i = 0; i < statuses.size(); ++i) EXPECT_EQ(statuses[i].starts_with("Downloaded"), i < 2) << i;
  EXPECT_FALSE(std::filesystem::exists(Download(1003, ".wav")));
}

TEST_F(MainLoopTest, WrongCredentialsEndTheRequestWithTheServersTextOnceRetriesRunOut) {
  dispatch::Set(*server->DatabaseRequests()->ConnectionInfo(), "Password", Value("not-the-password"));
  SubmitWorkQueueAndDownload(/*maxRetries=*/1);
  RunUntilComplete();

  const auto& request = *listener->completed.front();
  EXPECT_EQ(request.GlobalErrorMessage(), "Error verifying security rights for user jdoe.");
  EXPECT_EQ(RetryTicks(), 1u);
  EXPECT_EQ(Exchanges("0101"), 0u);
  EXPECT_FALSE(std::filesystem::exists(Download(1001, ".pcm")));
  EXPECT_THAT(DetailLog(), ::testing::Not(HasSubstr("not-the-password")));
}

TEST_F(MainLoopTest, AnInstitutionThatIsDownIsRetriedEveryFiveSecondsWithAWarningUntilItIsBack) {
  institution->Stop();
  SubmitWorkQueueAndDownload();
  // Three failed attempts, each followed by a warning and a 5000 ms pause.
  for (int step = 0; step < 100 && listener->warnings.size() < 3; ++step) {
    Timer& timer = server->Pump()->tmrRequest();
    if (timer.Enabled()) {
      ticks.push_back(timer.Interval());
      clock.AdvanceBy(timer.Interval());
    } else {
      ASSERT_TRUE(loop.RunUntil([&] { return timer.Enabled(); }, 20s));
    }
  }
  ASSERT_EQ(listener->warnings.size(), 3u);
  EXPECT_THAT(listener->warnings[0], StartsWith("Penwright MT has encountered communications problems while "));
  EXPECT_EQ(server->Pump()->tmrRequest().Interval(), 5000ms);
  EXPECT_TRUE(listener->completed.empty());

  institution->Start();
  RunUntilComplete();
  const auto& request = *listener->completed.front();
  EXPECT_EQ(request.GlobalErrorMessage(), "");
  EXPECT_EQ(request.Retries(), 3);
  EXPECT_EQ(RetryTicks(), 3u);
  EXPECT_EQ(listener->warnings.size(), 3u);
  EXPECT_THAT(Statuses(request), Each(StartsWith("Downloaded for ")));
}

TEST_F(MainLoopTest, ARequestForAnotherInstitutionLearnsItsServletFromTheInformationServletFirst) {
  const auto connection = server->DatabaseRequests()->ConnectionInfo();
  dispatch::Set(*connection, "Realm", Value("PROD"));
  dispatch::Set(*connection, "CurrentLocation", Value("Somewhere Else"));
  dispatch::Set(*connection, "CurrentDatabaseURL", Value("http://127.0.0.1:1/elsewhere/servlet/ScribeServlet"));
  SubmitWorkQueueAndDownload(-1, "North Clinic");
  RunUntilComplete();

  const auto& request = *listener->completed.front();
  EXPECT_EQ(request.GlobalErrorMessage(), "");
  EXPECT_EQ(Exchanges("0011"), 1u);
  EXPECT_EQ(Exchanges("0101"), static_cast<std::size_t>(kDictations));
  EXPECT_EQ(dispatch::Get(*connection, "CurrentLocation").ToString(), "North Clinic");
  EXPECT_EQ(dispatch::Get(*connection, "CurrentDatabaseURL").ToString(), institution->ServletURL("north"));
  EXPECT_THAT(Statuses(request), Each(StartsWith("Downloaded for ")));
}

}  // namespace
}  // namespace vz::testing
