// The simulated network: the link's schedule shared by connections, the round trips charged to
// each turn of a conversation, the rates and faults as the command line gives them, and a cut
// that closes the connection at its byte count.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "simulator/network_link.hpp"
#include "simulator/simulator_server.hpp"
#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/sha256.hpp"
#include "temp_folder.hpp"
#include "test_client.hpp"

namespace vz::simulator {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using testing::TempFolder;

const NetworkClock::time_point t0{std::chrono::seconds(1000)};

TEST(LinkSchedule, PassesBytesAtItsRateInTheOrderOfferedWithoutSavingIdleTime) {
  LinkSchedule link(1000);  // bytes per second
  EXPECT_EQ(link.Pass(t0, 500), t0 + 500ms);
  EXPECT_EQ(link.Pass(t0, 500), t0 + 1000ms) << "a second connection waits for the first's bytes";
  EXPECT_EQ(link.Pass(t0 + 600ms, 100), t0 + 1100ms);
  EXPECT_EQ(link.Pass(t0 + 5s, 100), t0 + 5100ms) << "an idle link does not send faster afterwards";
}

TEST(RoundTrips, EachTurnOfTheConversationCostsOneRoundTrip) {
  RoundTrips trips(50ms, t0);
  EXPECT_EQ(trips.Readable(t0 + 1ms), t0 + 100ms) << "the set-up and the first request";
  EXPECT_EQ(trips.Readable(t0 + 101ms), t0 + 101ms) << "more of the same request";
  trips.Wrote(t0 + 1s);
  EXPECT_EQ(trips.Readable(t0 + 1s + 1ms), t0 + 1s + 50ms) << "the client's reply to what was written";
  EXPECT_EQ(trips.Readable(t0 + 1s + 60ms), t0 + 1s + 60ms) << "the rest of that reply";
  trips.Wrote(t0 + 2s);
  EXPECT_EQ(trips.Readable(t0 + 3s), t0 + 3s) << "a reply read late has had its round trip";
  RoundTrips first(50ms, t0);
  EXPECT_EQ(first.Readable(t0 + 1s), t0 + 1s) << "a first request read late";
  RoundTrips none(0ms, t0);
  EXPECT_EQ(none.Readable(t0), t0);
}

TEST(ParseRate, ReadsBitsPerSecondWithTheirUnits) {
  const struct {
    const char* text;
    std::optional<double> bytesPerSecond;
  } cases[] = {
      {"100Mbit", 12.5e6}, {"512kbit", 64e3}, {"1Gbit/s", 125e6}, {"8", 1.0},      {"2.5mbit", 312.5e3},
      {"0Mbit", {}},       {"fast", {}},      {"10MB", {}},        {"-1Mbit", {}}, {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseRate(c.text), c.bytesPerSecond) << c.text;
}

TEST(ParseFault, ReadsTheNetworkFaultsAndTheKindOfEveryCall) {
  const auto cut = ParseFault("download:cut=100000:after=1");
  ASSERT_EQ(cut.problem, "");
  EXPECT_EQ(cut.fault.kind, FaultKind::kCut);
  EXPECT_EQ(cut.fault.bytes, 100000u);
  EXPECT_EQ(cut.fault.after, 1);
  const auto rate = ParseFault("download:bandwidth=2Mbit:times=-1");
  EXPECT_EQ(rate.fault.kind, FaultKind::kBandwidth);
  EXPECT_EQ(rate.fault.bytesPerSecond, 250e3);
  const auto latency = ParseFault("all:latency=80");
  ASSERT_EQ(latency.problem, "");
  EXPECT_EQ(latency.callKind, "all");
  EXPECT_EQ(latency.fault.kind, FaultKind::kLatency);
  EXPECT_EQ(latency.fault.delay, 80ms);
  for (const char* bad : {"download:cut=-1", "download:cut=", "download:bandwidth=fast", "download:latency=-5"})
    EXPECT_THAT(ParseFault(bad).problem, HasSubstr("unknown fault")) << bad;

  FaultPlan plan;
  plan.Set("all", Fault::Of(FaultKind::kDrop, 1, -1));
  plan.Set("download", Fault::Of(FaultKind::kCorruptDigest));
  EXPECT_EQ(plan.Next("download")->kind, FaultKind::kCorruptDigest) << "the call's own kind first";
  EXPECT_EQ(plan.Next("workqueue")->kind, FaultKind::kDrop);
  EXPECT_EQ(plan.Next("download")->kind, FaultKind::kDrop);
}

// What a raw client gets for one request on a new connection, read until the server closes it.
struct RawAnswer {
  std::string header;
  std::string body;
};
RawAnswer AskOnce(unsigned short port, const std::string& target, const std::string& form) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  RawAnswer answer;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return answer;
  const std::string request = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nAuthorization: " +
                              servlet_wire::EncodeBasicAuthorization("jdoe", "secret") +
                              "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(form.size()) +
                              "\r\n\r\n" + form;
  ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
  std::string all;
  char block[65536];
  for (ssize_t got; (got = ::recv(fd, block, sizeof block, 0)) > 0;) all.append(block, static_cast<std::size_t>(got));
  ::close(fd);
  const auto end = all.find("\r\n\r\n");
  if (end == std::string::npos) return {all, ""};
  return {all.substr(0, end), all.substr(end + 4)};
}

class NetworkSimulatorTest : public ::testing::Test {
 protected:
  SimulatorConfig Config(NetworkConfig network = {}) {
    SimulatorConfig config;
    config.dataFolder = folder.Path();
    config.institutions[0].dictations = 2;
    config.institutions[0].secondsOfAudio = 1;
    config.network = network;
    return config;
  }
  TempFolder folder;
  const std::string download = "/north/servlet/ScribeServlet?request=0101";
  const std::string form = "utteranceID=1001&documentVersion=0";
};

TEST_F(NetworkSimulatorTest, ACutClosesTheConnectionAfterItsByteCountOfTheBody) {
  InstitutionSimulator simulator(Config());
  simulator.Start();
  const RawAnswer whole = AskOnce(simulator.Port(), download, form);
  ASSERT_THAT(whole.header, HasSubstr("200 OK"));
  ASSERT_GT(whole.body.size(), 5000u);
  for (const std::uint64_t bytes : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{4321}}) {
    Fault cut = Fault::Of(FaultKind::kCut);
    cut.bytes = bytes;
    simulator.Faults().Set("download", cut);
    const RawAnswer answer = AskOnce(simulator.Port(), download, form);
    EXPECT_THAT(answer.header, HasSubstr("Content-Length: " + std::to_string(whole.body.size()))) << bytes;
    EXPECT_EQ(answer.body, whole.body.substr(0, bytes));
  }
  // A body shorter than the cut goes out whole, then the connection closes.
  Fault cut = Fault::Of(FaultKind::kCut);
  cut.bytes = 1 << 30;
  simulator.Faults().Set("all", cut);
  EXPECT_EQ(AskOnce(simulator.Port(), download, form).body, whole.body);
}

TEST_F(NetworkSimulatorTest, LatencyAndBandwidthHoldAnAnswerOverTlsAtLeastAsLongAsTheyPromise) {
  // Lower bounds only: a slow machine makes an exchange longer, never shorter.
  SimulatorConfig config = Config({.latency = 60ms, .bytesPerSecond = 200e3});
  config.tls = MakeSelfSignedIdentity();
  InstitutionSimulator simulator(config);
  simulator.Start();
  const auto start = std::chrono::steady_clock::now();
  testing::TestClient client(simulator.Port(), config.tls->certificatePem, true);
  const testing::ClientReply audio = client.Post(download, form, servlet_wire::EncodeBasicAuthorization("jdoe", "secret"));
  ASSERT_EQ(audio.status, 200) << audio.error.message();
  EXPECT_EQ(audio.Header("X-Content-SHA256"), servlet_wire::Sha256Hex(audio.body));
  const auto first = std::chrono::steady_clock::now() - start;
  EXPECT_GE(first, 180ms + std::chrono::milliseconds(audio.body.size() * 1000 / 200'000))
      << "set-up, the handshake's flight, the request, the body at the rate";
  const auto again = std::chrono::steady_clock::now();
  EXPECT_EQ(client.Post("/north/servlet/ScribeServlet?request=0010", "", servlet_wire::EncodeBasicAuthorization("jdoe", "secret")).status, 200);
  EXPECT_GE(std::chrono::steady_clock::now() - again, 60ms) << "a kept connection pays one round trip";
}

}  // namespace
}  // namespace vz::simulator
