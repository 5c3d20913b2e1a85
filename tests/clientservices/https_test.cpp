// The HTTP client services over TLS: the simulator's self-signed certificate is trusted through the
// CA file option, and refused, with the security-error text, without it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "clientservices/http_client_services.hpp"
#include "platform/event_loop.hpp"
#include "simulator/simulator_server.hpp"
#include "temp_folder.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::TempFolder;

class HttpsTest : public ::testing::Test {
 protected:
  HttpsTest() {
    simulator::SimulatorConfig config;
    config.dataFolder = data.Path();
    config.institutions[0].dictations = 2;
    config.institutions[0].secondsOfAudio = 1;
    config.tls = simulator::MakeSelfSignedIdentity();
    std::ofstream(data / "ca.pem") << config.tls->certificatePem;
    server = std::make_unique<simulator::InstitutionSimulator>(config);
    server->Start();
  }

  std::string Call(HttpClientServices& services, bool& errors) {
    auto object = services.Create(Action::DBR_GETWORKQUEUE);
    object->Init(WorkQueueInit{.url = server->ServletURL("north"), .retrieveLocation = 3, .login = "jdoe", .password = "secret"});
    int completions = 0;
    object->OnCompletion([&](bool e) {
      ++completions;
      errors = e;
    });
    EXPECT_TRUE(object->Start({}));
    EXPECT_TRUE(loop.RunUntil([&] { return completions > 0; }, std::chrono::milliseconds(20'000)));
    return errors ? object->getErrorMessage() : object->getXMLResponse();
  }

  TempFolder data;
  std::unique_ptr<simulator::InstitutionSimulator> server;
  EventLoop loop;
};

TEST_F(HttpsTest, TrustsTheCertificateOfItsCaFile) {
  ASSERT_THAT(server->ServletURL("north"), StartsWith("https://"));
  http_client::HttpOptions options;
  options.caFile = data / "ca.pem";
  HttpClientServices services(loop.Context(), options);
  bool errors = true;
  const std::string answer = Call(services, errors);
  EXPECT_FALSE(errors) << answer;
  EXPECT_THAT(answer, HasSubstr("<utteranceID>1001</utteranceID>"));
}

TEST_F(HttpsTest, ANewConnectionResumesTheServersSessionInsteadOfAFullHandshake) {
  http_client::HttpOptions options;
  options.caFile = data / "ca.pem";
  options.idleConnectionLimit = std::chrono::milliseconds(0);  // every call on a new connection
  HttpClientServices services(loop.Context(), options);
  for (int call = 0; call < 3; ++call) {
    bool errors = true;
    const std::string answer = Call(services, errors);
    ASSERT_FALSE(errors) << answer;
  }
  EXPECT_EQ(server->ConnectionsAccepted(), 3u);
  EXPECT_EQ(server->ResumedHandshakes(), 2u);
}

TEST_F(HttpsTest, RefusesAnUntrustedCertificateWithTheSecurityErrorText) {
  HttpClientServices services(loop.Context());  // the system's store does not hold the certificate
  bool errors = false;
  const std::string answer = Call(services, errors);
  EXPECT_TRUE(errors);
  EXPECT_THAT(answer, StartsWith("(12175) A security error occurred: "));
}

TEST_F(HttpsTest, MissingCaFileIsASecurityError) {
  http_client::HttpOptions options;
  options.caFile = data / "absent.pem";
  HttpClientServices services(loop.Context(), options);
  bool errors = false;
  const std::string answer = Call(services, errors);
  EXPECT_TRUE(errors);
  EXPECT_THAT(answer, StartsWith("(12175) A security error occurred: cannot load "));
}

}  // namespace
}  // namespace vz
