#pragma once
// Whole requests through the pump with the standard action catalogue and scripted client
// services, on the manual clock: the server object, a client recording its events, and requests
// with dictations whose audio the test writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "audio/sphere_writer.hpp"
#include "clientservices/scripted_client_services.hpp"
#include "execution/contacts_files.hpp"
#include "execution/standard_action_catalogue.hpp"
#include "dictation/utterance_object.hpp"
#include "dictation/utterances.hpp"
#include "model/connect_info.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"
#include "model/work_queue.hpp"
#include "server_fixture.hpp"

namespace vz::testing {

using namespace std::chrono_literals;

inline constexpr const char* kTimeOut = "(12002) The operation timed out";

class EngineTest : public DiagnosticsTest {
 protected:
  void SetUp() override {
    DiagnosticsTest::SetUp();
    ResetContactsRealm();  // each test is a fresh server process
    services = std::make_shared<ScriptedClientServices>(clock);
    InstallServerEnvironment({&clock, std::make_shared<StandardActionCatalogue>(services), nullptr});
    server = clsZERUredoz::ProcessInstance();
    server->SetAppPath(folder / "App");
    client = std::make_shared<RecordingClient>();
    client->onComplete = [this](clsDatabaseRequest& request) {
      errorAtCompletion.push_back(request.GlobalErrorMessage());
    };
    server->Advise(client);
    auto info = server->DatabaseRequests()->ConnectionInfo();
    info->SetCurrentDatabaseURL("https://institution.example/servlet");
    info->SetTranscriptionist("jsmith");
    info->SetPassword("s3cret!");
  }
  void TearDown() override {
    server->Cleanup();
    server.reset();
    CurrentProcessSettings() = {};
    InstallServerEnvironment({});
    DiagnosticsTest::TearDown();
  }

  std::shared_ptr<clsRequestSpec> Spec(std::vector<std::int32_t> actions, std::int32_t completionAction) {
    auto spec = server->NewRequestSpec();
    spec->SetActionList(std::move(actions));
    spec->SetCompletionAction(completionAction);
    auto queue = server->NewWorkQueue();
    queue->SetRetrieveLocation(3);
    spec->SetWorkQueue(queue);
    return spec;
  }
  std::shared_ptr<clsDatabaseRequest> Add(std::vector<std::int32_t> actions, std::int32_t completionAction = 1) {
    return server->DatabaseRequests()->Add(Spec(std::move(actions), completionAction));
  }
  Timer& PumpTimer() { return server->Pump()->tmrRequest(); }
  // One pump tick, then the loop turn on which a started call completes.
  void Step() {
    clock.AdvanceBy(PumpTimer().Interval());
    clock.Turn();
  }
  void RunToCompletion(int maxSteps = 20) {
    for (int i = 0; i < maxSteps && client->completed.empty(); ++i) Step();
  }

  ManualClock clock;
  std::shared_ptr<ScriptedClientServices> services;
  std::shared_ptr<clsZERUredoz> server;
  std::shared_ptr<RecordingClient> client;
  std::vector<std::string> errorAtCompletion;
};

class DictationEngineTest : public EngineTest {
 protected:
  // Each dictation's downloaded audio: a second of a tone as a SPHERE file, its checksum right
  // unless `corrupt` names the dictation.
  void WriteDownloads(std::int32_t corrupt = 0) {
    std::filesystem::create_directories(downloads);
    for (const std::int32_t id : {7, 9, 12, 15, 20}) {
      audio::SphereWriter writer(downloads / ("Local_" + std::to_string(id) + ".pcm"), 8000, 1);
      std::vector<std::int16_t> samples(8000);
      for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i % 40) * 200 - 4000);
      ASSERT_TRUE(writer.Write(samples));
      ASSERT_TRUE(id == corrupt ? writer.Finish(static_cast<std::uint16_t>(writer.Checksum() + 1)) : writer.Finish());
    }
  }
  std::shared_ptr<clsRequestSpec> SpecWithDictations(std::vector<std::int32_t> actions, std::int32_t completionAction) {
    server->DatabaseRequests()->ConnectionInfo()->SetDownloadPath(downloads.string());
    auto spec = Spec(std::move(actions), completionAction);
    dictations = std::make_shared<clsUtterances>();
    for (const std::int32_t id : {7, 9, 12, 15, 20}) {
      dictations->Add(id, 1, "Ready for Transcription", (downloads / ("Local_" + std::to_string(id) + ".cfg")).string(), "0");
    }
    spec->SetUtterances(dictations);
    return spec;
  }
  static std::vector<std::int32_t> ListedIDs(const ScriptedCall& call) {
    std::vector<std::int32_t> ids;
    for (const DictationListEntry& entry : call.arguments.dictations) ids.push_back(entry.utteranceID);
    return ids;
  }
  // The connection as the family tests share it: realm Dev, North Clinic (location 3) of
  // institution 12 in its folder "north", workstation WS-1, and the download folder made.
  void ConnectAtNorthClinic() {
    info = server->DatabaseRequests()->ConnectionInfo();
    info->SetRealm("Dev");
    info->SetCurrentLocation("North Clinic");
    info->SetCurrentLocationID(3);
    info->SetInstitutionID("12");
    info->SetInstitutionDirectory("north");
    info->SetMachineID("WS-1");
    std::filesystem::create_directories(downloads);
  }
  std::shared_ptr<clsUtterances> dictations;
  std::shared_ptr<clsConnectInfo> info;
  std::filesystem::path downloads = folder.Path() / "Downloads";
};

}  // namespace vz::testing
