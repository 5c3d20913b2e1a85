// The simulator over the network, seen by a plain Beast client: the main-loop calls, each fault
// kind, HTTPS, and taking the server down and up again.
#include "simulator/simulator_server.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <thread>

#include "audio/sphere_decode.hpp"
#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/sha256.hpp"
#include "temp_folder.hpp"
#include "test_client.hpp"

namespace vz::simulator {
namespace {

using ::testing::HasSubstr;
using testing::ClientReply;
using testing::ReadFile;
using testing::TempFolder;
using testing::TestClient;
using testing::WriteFile;

const std::string kServlet = "/north/servlet/ScribeServlet";
const std::string kAuthorization = servlet_wire::EncodeBasicAuthorization("jdoe", "secret");

SimulatorConfig SmallConfig(const std::filesystem::path& folder) {
  SimulatorConfig config;
  config.dataFolder = folder;
  config.institutions[0].dictations = 5;
  config.institutions[0].secondsOfAudio = 1;
  return config;
}

class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override { simulator.Start(); }

  ClientReply Download(TestClient& client, int id) {
    return client.Post(kServlet + "?request=0101", "utteranceID=" + std::to_string(id) + "&documentVersion=0", kAuthorization);
  }
  // Saves a downloaded file where a client would and decodes it.
  int DecodeDownloaded(const ClientReply& reply, const std::string& name) {
    const std::string path = folder / name;
    WriteFile(path, reply.body);
    return SphereDecode(path.c_str());
  }

  TempFolder folder;
  InstitutionSimulator simulator{SmallConfig(folder.Path())};
};

TEST_F(SimulatorTest, ServesTheWorkQueueAndAudioWhoseChecksumVerifies) {
  TestClient client(simulator.Port());
  const ClientReply queue = client.Post(kServlet + "?request=0100", "numToRetrieve=-1&retrieveLocation=-1", kAuthorization);
  ASSERT_EQ(queue.status, 200) << queue.error.message();
  EXPECT_EQ(queue.Header("Content-Type"), "application/xml; charset=utf-8");
  for (int id = 1001; id <= 1005; ++id) EXPECT_THAT(queue.body, HasSubstr("<utteranceID>" + std::to_string(id) + "</utteranceID>"));

  const ClientReply audio = Download(client, 1003);  // the same kept-alive connection
  ASSERT_EQ(audio.status, 200);
  EXPECT_EQ(audio.Header("Content-Type"), "audio/x-nist-sphere");
  EXPECT_EQ(audio.Header("Content-Length"), std::to_string(1024 + 2 * 8000));
  EXPECT_EQ(audio.Header("X-Content-SHA256"), servlet_wire::Sha256Hex(audio.body));
  EXPECT_EQ(audio.Header("Content-Disposition"), "attachment; filename=\"Local_1003.pcm\"");
  EXPECT_THAT(audio.body.substr(0, 1024), HasSubstr("sample_checksum -i "));
  EXPECT_EQ(DecodeDownloaded(audio, "Local_1003.pcm"), 0) << audio::LastSphereError();

  const ClientReply text = client.Post(kServlet + "?request=0102", "utteranceID=1003", kAuthorization);
  ASSERT_EQ(text.status, 200);
  EXPECT_THAT(text.body, HasSubstr("Dictation 1003"));
  EXPECT_EQ(text.Header("X-Content-SHA256"), servlet_wire::Sha256Hex(text.body));
}

TEST_F(SimulatorTest, StoresAnUploadByteForByte) {
  TestClient client(simulator.Port());
  std::string bytes(300000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  const ClientReply sent = client.PostFile(kServlet + "?request=0103&utteranceID=1002&documentVersion=0&fileName=Local_1002.rtf", bytes,
                                           servlet_wire::Sha256Hex(bytes), kAuthorization);
  ASSERT_EQ(sent.status, 200) << sent.body;
  const ClientReply commit = client.Post(kServlet + "?request=0104", "utteranceID=1002&documentVersion=0&files=Local_1002.rtf&uploadFlags=0", kAuthorization);
  ASSERT_EQ(commit.status, 200) << commit.body;
  EXPECT_EQ(ReadFile(folder.Path() / "north" / "uploads" / "1002" / "Local_1002.rtf"), bytes);
}

TEST_F(SimulatorTest, RejectsWrongCredentialsWithTheDocumentedText) {
  TestClient client(simulator.Port());
  const ClientReply refused = client.Post(kServlet + "?request=0010", "", servlet_wire::EncodeBasicAuthorization("jdoe", "guess"));
  EXPECT_EQ(refused.status, 403);
  EXPECT_THAT(refused.body, HasSubstr("<Message>Error verifying security rights for user jdoe.</Message>"));
  EXPECT_EQ(client.Post(kServlet + "?request=0010", "", kAuthorization).status, 200);
}

TEST_F(SimulatorTest, DropFaultCutsTheAnswerAfterTheGivenNumberOfDictations) {
  simulator.Faults().Set("download", Fault::Of(FaultKind::kDrop, 2, 1));
  TestClient client(simulator.Port());
  EXPECT_EQ(Download(client, 1001).status, 200);
  EXPECT_EQ(Download(client, 1002).status, 200);
  const ClientReply cut = Download(client, 1003);
  EXPECT_TRUE(cut.error) << "status " << cut.status;  // the body ends before its Content-Length
  const ClientReply again = Download(client, 1003);
  ASSERT_EQ(again.status, 200);
  EXPECT_EQ(DecodeDownloaded(again, "Local_1003.pcm"), 0);
}

TEST_F(SimulatorTest, StatusFaultAnswersWithTheErrorStatus) {
  TestClient client(simulator.Port());
  simulator.Faults().Set("workqueue", Fault::Status(503));
  const ClientReply bare = client.Post(kServlet + "?request=0100", "", kAuthorization);
  EXPECT_EQ(bare.status, 503);
  EXPECT_EQ(bare.Header("Content-Type"), "text/html");
  simulator.Faults().Set("workqueue", Fault::Status(500, "Database offline"));
  const ClientReply documented = client.Post(kServlet + "?request=0100", "", kAuthorization);
  EXPECT_EQ(documented.status, 500);
  EXPECT_THAT(documented.body, HasSubstr("<Message>Database offline</Message>"));
  EXPECT_EQ(client.Post(kServlet + "?request=0100", "", kAuthorization).status, 200);
}

TEST_F(SimulatorTest, ChecksumAndDigestFaultsCorruptWhatTheClientVerifies) {
  TestClient client(simulator.Port());
  simulator.Faults().Set("download", Fault::Of(FaultKind::kCorruptChecksum));
  const ClientReply corrupt = Download(client, 1004);
  ASSERT_EQ(corrupt.status, 200);
  EXPECT_EQ(corrupt.Header("X-Content-SHA256"), servlet_wire::Sha256Hex(corrupt.body));
  EXPECT_EQ(DecodeDownloaded(corrupt, "Local_1004.pcm"), audio::kAudioChecksumFailed);
  EXPECT_THAT(audio::LastSphereError(), ::testing::StartsWith("WRITE VERIFICATION OF CHECKSUM FAILED: Local_1004.pcm declares "));

  simulator.Faults().Set("download", Fault::Of(FaultKind::kCorruptDigest));
  const ClientReply mismatched = Download(client, 1004);
  ASSERT_EQ(mismatched.status, 200);
  EXPECT_NE(mismatched.Header("X-Content-SHA256"), servlet_wire::Sha256Hex(mismatched.body));
  EXPECT_EQ(DecodeDownloaded(mismatched, "Local_1004.pcm"), 0);  // the bytes themselves are sound
}

TEST_F(SimulatorTest, CredentialsFaultRefusesTheRightPasswordAndDelayFaultHoldsTheAnswer) {
  TestClient client(simulator.Port());
  simulator.Faults().Set("login", Fault::Of(FaultKind::kRejectCredentials));
  const ClientReply refused = client.Post(kServlet + "?request=0012", "certificate=031226094107", kAuthorization);
  EXPECT_EQ(refused.status, 403);
  EXPECT_THAT(refused.body, HasSubstr("Error verifying security rights for user jdoe."));

  simulator.Faults().Set("ping", Fault::Delay(std::chrono::milliseconds(200)));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(client.Post(kServlet + "?request=0010", "", kAuthorization).status, 200);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(SimulatorTest, StoppedServerRefusesConnectionsAndComesBackOnTheSamePort) {
  const unsigned short port = simulator.Port();
  simulator.Stop();
  EXPECT_EQ(TestClient(port).Post(kServlet + "?request=0010", "", kAuthorization).error, boost::asio::error::connection_refused);
  simulator.Start();
  EXPECT_EQ(simulator.Port(), port);
  EXPECT_EQ(TestClient(port).Post(kServlet + "?request=0010", "", kAuthorization).status, 200);
}

TEST(SimulatorTls, ServesHttpsToAClientThatTrustsItsCertificateOnly) {
  TempFolder folder;
  SimulatorConfig config = SmallConfig(folder.Path());
  config.tls = MakeSelfSignedIdentity();
  InstitutionSimulator simulator(config);
  simulator.Start();
  EXPECT_EQ(simulator.BaseURL().rfind("https://127.0.0.1:", 0), 0u);

  TestClient trusting(simulator.Port(), config.tls->certificatePem, true);
  const ClientReply queue = trusting.Post(kServlet + "?request=0100", "", kAuthorization);
  ASSERT_EQ(queue.status, 200) << queue.error.message();
  EXPECT_THAT(queue.body, HasSubstr("<utteranceID>1005</utteranceID>"));

  TestClient sceptical(simulator.Port(), MakeSelfSignedIdentity().certificatePem, true);
  const ClientReply refused = sceptical.Post(kServlet + "?request=0100", "", kAuthorization);
  EXPECT_TRUE(refused.error);
  EXPECT_EQ(refused.status, 0);
}

TEST(SimulatorOnAGivenContext, ServesOnTheCallersLoopUntilStopped) {
  TempFolder folder;
  InstitutionSimulator simulator(SmallConfig(folder.Path()));
  boost::asio::io_context context;
  simulator.Start(context);
  std::thread loop([&context] { context.run(); });
  const ClientReply pinged = TestClient(simulator.Port()).Post(kServlet + "?request=0010", "", kAuthorization);
  boost::asio::post(context, [&simulator] { simulator.Stop(); });
  loop.join();  // run returns once nothing listens or talks any more
  EXPECT_EQ(pinged.status, 200);
  EXPECT_FALSE(simulator.Running());
}

}  // namespace
}  // namespace vz::simulator
