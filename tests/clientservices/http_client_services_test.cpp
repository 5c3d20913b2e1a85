// The HTTP client services against the institution simulator on loopback: single answers,
// per-dictation downloads and uploads, servlet errors, communication failures, release.
#include "clientservices/http_client_services.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "platform/event_loop.hpp"
#include "servlet_wire/sha256.hpp"
#include "simulator/simulator_server.hpp"
#include "temp_folder.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using simulator::Fault;
using simulator::FaultKind;
using testing::TempFolder;

constexpr std::chrono::milliseconds kLimit{20'000};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> Names(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The call's dictations: each at location 3, version "0".
CallArguments Dictations(const std::vector<std::string>& utteranceIDs) {
  CallArguments arguments;
  for (const std::string& id : utteranceIDs) arguments.dictations.push_back({3, std::stoi(id), "0", false, "0", ""});
  return arguments;
}

CallArguments Named(std::map<std::string, std::string, std::less<>> named) {
  CallArguments arguments;
  arguments.named = std::move(named);
  return arguments;
}

// A server on loopback that answers each connection's first request with the next canned answer,
// byte for byte as given, and keeps the connection open until it is destroyed.
class CannedServer {
 public:
  explicit CannedServer(std::vector<std::string> answers) : answers_(std::move(answers)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~CannedServer() {
    thread_.join();
    for (const int connection : connections_) ::close(connection);
    ::close(listener_);
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/canned/servlet/ScribeServlet"; }

 private:
  void Serve() {
    for (const std::string& answer : answers_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (::poll(&waiting, 1, 20'000) != 1) return;
      const int connection = ::accept(listener_, nullptr, nullptr);
      if (connection < 0) return;
      connections_.push_back(connection);
      // The whole request, headers and form body, before answering.
      std::string request;
      char block[4096];
      for (;;) {
        const auto end = request.find("\r\n\r\n");
        if (end != std::string::npos) {
          const auto at = request.find("Content-Length: ");
          const std::size_t body = at == std::string::npos ? 0 : std::stoul(request.substr(at + 16));
          if (request.size() >= end + 4 + body) break;
        }
        const auto got = ::recv(connection, block, sizeof block, 0);
        if (got <= 0) return;
        request.append(block, static_cast<std::size_t>(got));
      }
      if (::send(connection, answer.data(), answer.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(answer.size())) return;
    }
  }

  std::vector<std::string> answers_;
  std::vector<int> connections_;
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// A file answer announcing the first `announced` bytes of `body`, with their digest.
std::string FileAnswer(const std::string& body, std::size_t announced, const std::string& name) {
  servlet_wire::Sha256 digest;
  digest.Update(body.data(), announced);
  return "HTTP/1.1 200 OK\r\nContent-Type: audio/x-nist-sphere\r\nContent-Length: " + std::to_string(announced) +
         "\r\nX-Content-SHA256: " + digest.FinishHex() + "\r\nContent-Disposition: attachment; filename=\"" + name +
         "\"\r\n\r\n" + body;
}

// Every case runs with the dictations of a list one after the other and with four in flight: the
// results, statuses and files are the same.
class HttpClientServicesTest : public ::testing::TestWithParam<std::size_t> {
 protected:
  HttpClientServicesTest() {
    simulator::SimulatorConfig config;
    config.dataFolder = data.Path();
    config.institutions[0].dictations = 5;
    config.institutions[0].secondsOfAudio = 1;
    server = std::make_unique<simulator::InstitutionSimulator>(config);
    server->Start();
    url = server->ServletURL("north");
  }
  ~HttpClientServicesTest() override {
    if (server->Running()) server->Stop();
  }

  WorkQueueInit QueueInit(const std::string& password = "secret") {
    return {.url = url, .retrieveLocation = 3, .login = "jdoe", .password = password};
  }
  DownloadInit Downloads(const std::string& servlet = {}) {
    return {servlet.empty() ? url : servlet, downloads.Path().string(), "jdoe", "secret"};
  }
  ConnectionInit Connection(const std::string& servlet = {}) { return {servlet.empty() ? url : servlet, "jdoe", "secret", "3"}; }

  // Starts the object's call and runs the loop until its completion; returns the completion count.
  int Run(ClientServiceObject& object, CallArguments arguments) {
    int completions = 0;
    object.OnCompletion([&](bool errors) {
      ++completions;
      lastErrors = errors;
    });
    EXPECT_TRUE(object.Start(std::move(arguments)));
    loop.RunUntil([&] { return completions > 0; }, kLimit);
    loop.Poll();  // a second completion would show here
    return completions;
  }

  std::filesystem::path Served(const std::string& name) { return data.Path() / "north" / "queue" / name; }

  TempFolder data;
  TempFolder downloads;
  std::unique_ptr<simulator::InstitutionSimulator> server;
  std::string url;
  EventLoop loop;
  static http_client::HttpOptions Options(std::size_t transfers) {
    http_client::HttpOptions options;
    options.transfers = transfers;
    return options;
  }
  // How many connections a list of `entries` dictations runs on.
  static std::size_t Lanes(std::size_t entries) { return std::min(GetParam(), entries); }

  HttpClientServices services{loop.Context(), Options(GetParam())};
  bool lastErrors = false;
};

TEST_P(HttpClientServicesTest, WorkQueueAnswerIsHandedOnUnchanged) {
  auto object = services.Create(Action::DBR_GETWORKQUEUE);
  object->Init(QueueInit());
  ASSERT_EQ(Run(*object, {}), 1);
  EXPECT_FALSE(lastErrors) << object->getErrorMessage();
  EXPECT_THAT(object->getXMLResponse(), HasSubstr("<InfoResponse>"));
  for (int id = 1001; id <= 1005; ++id) EXPECT_THAT(object->getXMLResponse(), HasSubstr("<utteranceID>" + std::to_string(id) + "</utteranceID>"));
  EXPECT_EQ(object->getErrorMessage(), "");
  EXPECT_TRUE(object->UtterancesCompleted().empty());  // a single answer has no dictations
  EXPECT_TRUE(object->ErrorMessages().empty());
}

TEST_P(HttpClientServicesTest, WrongCredentialsGiveTheServletsText) {
  auto object = services.Create(Action::DBR_GETWORKQUEUE);
  object->Init(QueueInit("guess"));
  ASSERT_EQ(Run(*object, {}), 1);
  EXPECT_TRUE(lastErrors);
  EXPECT_EQ(object->getErrorMessage(), "Error verifying security rights for user jdoe.");
  EXPECT_EQ(object->getXMLResponse(), "");
}

TEST_P(HttpClientServicesTest, ServerThatIsDownGivesTheCannotConnectText) {
  server->Stop();
  auto object = services.Create(Action::DBR_GETWORKQUEUE);
  object->Init(QueueInit());
  ASSERT_EQ(Run(*object, {}), 1);
  EXPECT_TRUE(lastErrors);
  EXPECT_EQ(object->getErrorMessage(), "(12029) Cannot connect to 127.0.0.1:" + std::to_string(server->Port()));
}

TEST_P(HttpClientServicesTest, BareGatewayPageIsAnInvalidResponseAndAnErrorDocumentIsItsMessage) {
  server->Faults().Set("workqueue", Fault::Status(503));
  auto object = services.Create(Action::DBR_GETWORKQUEUE);
  object->Init(QueueInit());
  ASSERT_EQ(Run(*object, {}), 1);
  EXPECT_THAT(object->getErrorMessage(), ::testing::StartsWith("(12152) The server returned an invalid response: HTTP 503"));

  server->Faults().Set("workqueue", Fault::Status(500, "Database offline"));
  auto second = services.Create(Action::DBR_GETWORKQUEUE);
  second->Init(QueueInit());
  ASSERT_EQ(Run(*second, {}), 1);
  EXPECT_EQ(second->getErrorMessage(), "Database offline");
}

TEST_P(HttpClientServicesTest, DownloadsThreeDictationsByteForByte) {
  std::ofstream(downloads.Path() / "Local_1002.wal") << "stale";  // the served audio is not literal-processed
  auto object = services.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads());
  ASSERT_EQ(Run(*object, Dictations({"1001", "1002", "1003"})), 1);
  EXPECT_FALSE(lastErrors);
  EXPECT_THAT(object->ErrorMessages(), ElementsAre("", "", ""));
  EXPECT_THAT(object->UtterancesCompleted(), ElementsAre("1001", "1002", "1003"));
  for (const std::string id : {"1001", "1002", "1003"}) {
    const std::string name = "Local_" + id + ".pcm";
    const std::string served = ReadAll(Served(name));
    ASSERT_FALSE(served.empty());
    EXPECT_EQ(ReadAll(downloads.Path() / name), served) << name;
    EXPECT_FALSE(std::filesystem::exists(downloads.Path() / (name + ".part")));
  }
  EXPECT_FALSE(std::filesystem::exists(downloads.Path() / "Local_1004.pcm"));
  EXPECT_FALSE(std::filesystem::exists(downloads.Path() / "Local_1002.wal"));
}

TEST_P(HttpClientServicesTest, CallsOneAfterTheOtherShareAKeptConnectionUntilTheServerClosesIt) {
  auto workQueue = services.Create(Action::DBR_GETWORKQUEUE);
  workQueue->Init(QueueInit());
  ASSERT_EQ(Run(*workQueue, {}), 1);
  auto download = services.Create(Action::DBR_DOWNLOAD);
  download->Init(Downloads());
  ASSERT_EQ(Run(*download, Dictations({"1001", "1002"})), 1);
  EXPECT_FALSE(lastErrors);
  // The list's first connection is the work queue's.
  const std::size_t kept = Lanes(2);
  EXPECT_EQ(server->ConnectionsAccepted(), kept);

  // The server goes away and comes back: the kept connection is dead, the next call opens one.
  server->Stop();
  server->Start();
  auto again = services.Create(Action::DBR_GETWORKQUEUE);
  again->Init(QueueInit());
  ASSERT_EQ(Run(*again, {}), 1);
  EXPECT_FALSE(lastErrors) << again->getErrorMessage();
  EXPECT_EQ(server->ConnectionsAccepted(), kept + 1);

  // A call released while in flight takes its connection with it.
  server->Faults().Set("workqueue", Fault::Delay(std::chrono::milliseconds(200)));
  auto released = services.Create(Action::DBR_GETWORKQUEUE);
  released->Init(QueueInit());
  ASSERT_TRUE(released->Start({}));
  // The kept connection carries it (no new one is accepted); it is closed with the call.
  ASSERT_TRUE(loop.RunUntil([&] { return server->ConnectionsAccepted() == kept + 1; }, kLimit));
  loop.Poll();
  released.reset();
  ASSERT_EQ(Run(*again, {}), 1);
  EXPECT_FALSE(lastErrors) << again->getErrorMessage();
  EXPECT_EQ(server->ConnectionsAccepted(), kept + 2);
}

TEST_P(HttpClientServicesTest, ConnectionsToOneServerStayWithinTheirBoundAndProgressNamesEachDictationInFlight) {
  http_client::HttpOptions options = Options(GetParam());
  options.connectionsPerHost = 2;
  HttpClientServices bounded(loop.Context(), options);
  auto object = bounded.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads());
  std::size_t most = 0;
  std::set<std::string> moved;  // the dictations progress named with bytes of their own
  object->OnProgress([&](const TransferProgress& progress) {
    most = std::max(most, progress.inFlight.size());
    for (const DictationTransfer& transfer : progress.inFlight)
      if (transfer.bytesReceived > 0) moved.insert(transfer.utteranceID);
  });
  ASSERT_EQ(Run(*object, Dictations({"1001", "1002", "1003", "1004", "1005"})), 1);
  EXPECT_FALSE(lastErrors);
  EXPECT_THAT(object->UtterancesCompleted(), ElementsAre("1001", "1002", "1003", "1004", "1005"));
  const std::size_t lanes = std::min<std::size_t>(GetParam(), 2);
  EXPECT_EQ(server->ConnectionsAccepted(), lanes);
  EXPECT_EQ(most, lanes);
  EXPECT_EQ(moved.size(), 5u);
}

TEST_P(HttpClientServicesTest, AnIdleConnectionIsKeptForTheNextCallUntilItsLimit) {
  for (const auto& [limit, connections] : {std::pair{std::chrono::milliseconds(0), 2u}, std::pair{std::chrono::milliseconds(30'000), 1u}}) {
    SCOPED_TRACE(limit.count());
    server->Stop();
    server->Start();  // counts connections afresh
    http_client::HttpOptions options = Options(GetParam());
    options.idleConnectionLimit = limit;
    HttpClientServices kept(loop.Context(), options);
    const std::size_t before = server->ConnectionsAccepted();
    for (int call = 0; call < 2; ++call) {
      auto workQueue = kept.Create(Action::DBR_GETWORKQUEUE);
      workQueue->Init(QueueInit());
      ASSERT_EQ(Run(*workQueue, {}), 1);
      EXPECT_FALSE(lastErrors) << workQueue->getErrorMessage();
    }
    EXPECT_EQ(server->ConnectionsAccepted() - before, connections);
  }
}

TEST_P(HttpClientServicesTest, AStateChangingCallWhoseKeptConnectionClosesUnansweredGoesAgainOnlyUnderItsKey) {
  std::vector<std::string> updates;  // the institution's log of the update calls
  server->GetServlets().SetLog([&](const std::string& line) {
    if (line.find("request=0301") != std::string::npos) updates.push_back(line);
  });
  for (const bool keyed : {false, true}) {
    SCOPED_TRACE(keyed ? "with its key" : "without a key");
    updates.clear();
    // The work queue leaves its connection for the update, which the institution does and then
    // closes the connection without an answer.
    auto workQueue = services.Create(Action::DBR_GETWORKQUEUE);
    workQueue->Init(QueueInit());
    ASSERT_EQ(Run(*workQueue, {}), 1);
    server->Faults().Set("updatefield", Fault::Of(FaultKind::kLoseAnswer));
    auto update = services.Create(Action::DBR_UPDATEFIELD);
    update->Init(Connection());
    if (keyed) update->SetCallKey("request-1.1");
    ASSERT_EQ(Run(*update, Named({{"locationID", "3"}, {"utteranceID", "1001"}, {"type", "priority"}, {"value", "1"}, {"PendingNote", ""}})), 1);
    if (keyed) {
      EXPECT_FALSE(lastErrors) << update->getErrorMessage();
      EXPECT_THAT(update->getXMLResponse(), HasSubstr("Updated"));
      ASSERT_EQ(updates.size(), 2u);
      EXPECT_THAT(updates[1], HasSubstr("-> 200 (replayed)"));
    } else {
      // Not sent twice: the engine's retry rules decide.
      EXPECT_TRUE(lastErrors);
      EXPECT_EQ(update->getErrorMessage(), "(12030) The connection with the server was ended");
      EXPECT_EQ(updates.size(), 1u);
    }
  }
}

TEST_P(HttpClientServicesTest, EmptyListCompletesOnceOnALaterTurn) {
  auto object = services.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads());
  int completions = 0;
  object->OnCompletion([&](bool errors) {
    ++completions;
    EXPECT_FALSE(errors);
  });
  ASSERT_TRUE(object->Start(Dictations({})));
  EXPECT_EQ(completions, 0);  // never inside Start
  EXPECT_TRUE(loop.RunUntil([&] { return completions > 0; }, kLimit));
  loop.Poll();
  EXPECT_EQ(completions, 1);
  EXPECT_TRUE(object->ErrorMessages().empty());
}

TEST_P(HttpClientServicesTest, DroppedConnectionEndsTheCallAfterTheDictationsBeforeItAndTheRetryMovesOnlyWhatIsMissing) {
  std::vector<std::string> answers;  // the institution's log of the downloads
  server->GetServlets().SetLog([&](const std::string& line) {
    if (line.find("request=0101") != std::string::npos) answers.push_back(line.substr(line.find("utteranceID=")));
  });
  Fault drop = Fault::Of(FaultKind::kDrop);
  drop.utteranceID = "1003";
  server->Faults().Set("download", drop);
  auto object = services.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads());
  ASSERT_EQ(Run(*object, Dictations({"1001", "1002", "1003", "1004"})), 1);
  EXPECT_TRUE(lastErrors);
  EXPECT_THAT(object->ErrorMessages(), ElementsAre("", "", "(12030) The connection with the server was ended", ""));
  EXPECT_THAT(object->UtterancesCompleted(), ElementsAre("1001", "1002"));
  EXPECT_FALSE(std::filesystem::exists(downloads.Path() / "Local_1003.pcm"));
  EXPECT_FALSE(std::filesystem::exists(downloads.Path() / "Local_1003.pcm.part"));
  // Not reported, but a dictation finished beyond the gap keeps its verified file.
  const bool beyond = GetParam() > 1;
  EXPECT_EQ(std::filesystem::exists(downloads.Path() / "Local_1004.pcm"), beyond);

  // The engine asks again for the rest of the list: only what is missing moves.
  answers.clear();
  ASSERT_EQ(Run(*object, Dictations({"1003", "1004"})), 1);
  EXPECT_FALSE(lastErrors);
  EXPECT_THAT(object->UtterancesCompleted(), ElementsAre("1003", "1004"));
  std::sort(answers.begin(), answers.end());
  // The cut one resumes from what came; the one finished beyond the gap is not sent again.
  EXPECT_THAT(answers, ElementsAre(::testing::StartsWith("utteranceID=1003 -> 206 (from byte "),
                                   beyond ? "utteranceID=1004 -> 304" : "utteranceID=1004 -> 200"));
  for (const std::string id : {"1003", "1004"})
    EXPECT_EQ(ReadAll(downloads.Path() / ("Local_" + id + ".pcm")), ReadAll(Served("Local_" + id + ".pcm"))) << id;
}

TEST_P(HttpClientServicesTest, ServletErrorForOneDictationIsItsEntryAndTheCallGoesOn) {
  auto object = services.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads());
  ASSERT_EQ(Run(*object, Dictations({"9999", "1002"})), 1);
  EXPECT_TRUE(lastErrors);
  ASSERT_EQ(object->ErrorMessages().size(), 2u);
  EXPECT_THAT(object->ErrorMessages()[0], ::testing::MatchesRegex("Utterance 9999: .+  documentVersion=0"));
  EXPECT_EQ(object->ErrorMessages()[1], "");
  EXPECT_THAT(object->UtterancesCompleted(), ElementsAre("9999", "1002"));
  EXPECT_EQ(ReadAll(downloads.Path() / "Local_1002.pcm"), ReadAll(Served("Local_1002.pcm")));
}

TEST_P(HttpClientServicesTest, DigestMismatchKeepsTheEarlierFileAndNamesTheChecksum) {
  const std::filesystem::path earlier = downloads.Path() / "Local_1001.pcm";
  std::ofstream(earlier, std::ios::binary) << "earlier";
  server->Faults().Set("download", Fault::Of(FaultKind::kCorruptDigest));
  auto object = services.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads());
  ASSERT_EQ(Run(*object, Dictations({"1001"})), 1);
  EXPECT_THAT(object->ErrorMessages(), ElementsAre("Utterance 1001: CHECKSUM mismatch in Local_1001.pcm  documentVersion=0"));
  EXPECT_EQ(ReadAll(earlier), "earlier");
  EXPECT_THAT(Names(downloads.Path()), ElementsAre("Local_1001.pcm"));  // no temporary file left
}

TEST_P(HttpClientServicesTest, FileAnswersOverTheLimitAreRefusedPerDictationAndWriteNothing) {
  const std::filesystem::path earlier = downloads.Path() / "Local_1001.pcm";
  std::ofstream(earlier, std::ios::binary) << "earlier";
  http_client::HttpOptions options;
  options.fileLimit = 1000;  // a second of audio is far more
  HttpClientServices strict(loop.Context(), options);
  auto object = strict.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads());
  ASSERT_EQ(Run(*object, Dictations({"1001", "1002"})), 1);
  EXPECT_TRUE(lastErrors);
  ASSERT_EQ(object->ErrorMessages().size(), 2u);
  for (const std::string id : {"1001", "1002"}) {
    EXPECT_THAT(object->ErrorMessages()[id == "1001" ? 0 : 1],
                ::testing::MatchesRegex("Utterance " + id + ": refused Local_" + id +
                                        "\\.pcm from the server: [0-9]+ bytes, over the limit of 1000 bytes for a "
                                        "file  documentVersion=0"));
  }
  EXPECT_EQ(ReadAll(earlier), "earlier");
  EXPECT_THAT(Names(downloads.Path()), ElementsAre("Local_1001.pcm"));
}

TEST_P(HttpClientServicesTest, BodyLongerThanItsContentLengthFailsLikeAChecksumOnAConnectionNotUsedAgain) {
  const std::string audio = "0123456789";
  CannedServer canned({FileAnswer(audio + "unasked bytes", audio.size(), "Local_1001.pcm"),
                       FileAnswer(audio, audio.size(), "Local_1002.pcm")});
  {
    HttpClientServices own(loop.Context());
    auto object = own.Create(Action::DBR_DOWNLOAD);
    object->Init(Downloads(canned.Url()));
    ASSERT_EQ(Run(*object, Dictations({"1001", "1002"})), 1);
    EXPECT_THAT(object->ErrorMessages(),
                ElementsAre("Utterance 1001: CHECKSUM mismatch in Local_1001.pcm: a body longer than its Content-Length  "
                            "documentVersion=0",
                            ""));
  }
  EXPECT_FALSE(std::filesystem::exists(downloads.Path() / "Local_1001.pcm"));
  EXPECT_FALSE(std::filesystem::exists(downloads.Path() / "Local_1001.pcm.part"));
  // The second dictation came over a new connection, whole.
  EXPECT_EQ(ReadAll(downloads.Path() / "Local_1002.pcm"), audio);
}

TEST_P(HttpClientServicesTest, TextDownloadSavesTheServedDocument) {
  auto object = services.Create(Action::DBR_DOWNLOADTEXT);
  object->Init(Downloads());
  ASSERT_EQ(Run(*object, Dictations({"1002"})), 1);
  EXPECT_FALSE(lastErrors) << ::testing::PrintToString(object->ErrorMessages());
  EXPECT_EQ(ReadAll(downloads.Path() / "Local_1002.rtf"), ReadAll(Served("Local_1002.rtf")));
}

TEST_P(HttpClientServicesTest, UploadSendsTheDictationsFilesAndCommits) {
  std::string bytes(200000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 % 251);
  std::ofstream(downloads.Path() / "Local_1002.rtf", std::ios::binary) << bytes;
  std::ofstream(downloads.Path() / "Local_1002.cfg", std::ios::binary) << "[cfg]\n";
  auto object = services.Create(Action::DBR_UPLOAD);
  object->Init(UploadInit{.url = url, .downloadPath = downloads.Path().string(), .login = "jdoe", .password = "secret", .clientVersion = "1.0"});
  CallArguments arguments = Dictations({"1002"});
  arguments.named.emplace("UploadFlags", "0");
  ASSERT_EQ(Run(*object, std::move(arguments)), 1);
  EXPECT_FALSE(lastErrors) << ::testing::PrintToString(object->ErrorMessages());
  EXPECT_EQ(ReadAll(data.Path() / "north" / "uploads" / "1002" / "Local_1002.rtf"), bytes);
  EXPECT_EQ(ReadAll(data.Path() / "north" / "uploads" / "1002" / "Local_1002.cfg"), "[cfg]\n");
}

TEST_P(HttpClientServicesTest, ReleasedObjectNeverCompletes) {
  server->Faults().Set("download", Fault::Delay(std::chrono::milliseconds(300)));
  bool completed = false;
  {
    auto object = services.Create(Action::DBR_DOWNLOAD);
    object->Init(Downloads());
    object->OnCompletion([&](bool) { completed = true; });
    ASSERT_TRUE(object->Start(Dictations({"1001"})));
    loop.Poll();  // the call is under way
  }
  EXPECT_FALSE(loop.RunUntil([&] { return completed; }, std::chrono::milliseconds(1000)));
  EXPECT_FALSE(std::filesystem::exists(downloads.Path() / "Local_1001.pcm.part"));
}

TEST_P(HttpClientServicesTest, SilentServerTimesOut) {
  http_client::HttpOptions options;
  options.ioTimeout = std::chrono::milliseconds(200);
  HttpClientServices impatient(loop.Context(), options);
  server->Faults().Set("workqueue", Fault::Delay(std::chrono::milliseconds(3000)));
  auto object = impatient.Create(Action::DBR_GETWORKQUEUE);
  object->Init(QueueInit());
  ASSERT_EQ(Run(*object, {}), 1);
  EXPECT_EQ(object->getErrorMessage(), "(12002) The operation timed out");
}

TEST_P(HttpClientServicesTest, BodyThatStopsComingTimesOutAndKeepsOnlyTheBytesReceivedForAResume) {
  // Half the announced audio, then nothing: the connection stays open.
  const std::string audio(300000, 'a');
  CannedServer canned({FileAnswer(audio, audio.size(), "Local_1001.pcm").substr(0, 150000)});
  http_client::HttpOptions options;
  options.ioTimeout = std::chrono::milliseconds(200);
  HttpClientServices impatient(loop.Context(), options);
  auto object = impatient.Create(Action::DBR_DOWNLOAD);
  object->Init(Downloads(canned.Url()));
  ASSERT_EQ(Run(*object, Dictations({"1001"})), 1);
  EXPECT_THAT(object->ErrorMessages(), ElementsAre("(12002) The operation timed out"));
  const auto names = Names(downloads.Path());
  ASSERT_EQ(names.size(), 1u);
  const std::string part = *names.begin();
  EXPECT_TRUE(part.starts_with(".Local_1001.pcm~vzresume-")) << part;
  EXPECT_LE(std::filesystem::file_size(downloads.Path() / part), 150000u);
}

// A part of the first 10 bytes kept from an earlier attempt, then the server's answer to the
// request for the rest: only a 206 that continues it is spliced on, and the file is whole or absent.
TEST_P(HttpClientServicesTest, APartIsContinuedOnlyByAnAnswerThatStartsWhereItEnds) {
  const std::string audio = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  servlet_wire::Sha256 hash;
  hash.Update(audio.data(), audio.size());
  const std::string digest = hash.FinishHex();
  const auto partial = [&](const std::string& range, const std::string& body) {
    return "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(body.size()) + "\r\nContent-Range: " + range +
           "\r\nX-Content-SHA256: " + digest + "\r\n\r\n" + body;
  };
  const std::string whole = FileAnswer(audio, audio.size(), "Local_1001.pcm");
  const std::string notSatisfiable =
      "HTTP/1.1 416 Range Not Satisfiable\r\nConnection: close\r\nContent-Length: 0\r\nContent-Range: bytes */40\r\n\r\n";
  struct Case {
    const char* what;
    std::vector<std::string> answers;
    std::uint64_t fileLimit;
    std::string error;  // empty: the file arrives whole
  };
  const Case cases[] = {
      {"the rest", {partial("bytes 10-39/40", audio.substr(10))}, 1000, ""},
      {"the whole file instead", {whole}, 1000, ""},
      {"not satisfiable, then asked whole", {notSatisfiable, whole}, 1000, ""},
      {"wrong start", {partial("bytes 0-39/40", audio)}, 1000, "a partial answer from byte 0, not 10"},
      {"no range", {partial("", audio.substr(10))}, 1000, "a partial answer without a byte range"},
      {"total over the limit", {partial("bytes 10-39/40", audio.substr(10))}, 39,
       "refused Local_1001.pcm from the server: 40 bytes, over the limit of 39 bytes for a file"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    std::ofstream(folder.Path() / (".Local_1001.pcm~vzresume-0-" + digest + ".part"), std::ios::binary) << audio.substr(0, 10);
    CannedServer canned(c.answers);
    http_client::HttpOptions options;
    options.fileLimit = c.fileLimit;
    HttpClientServices own(loop.Context(), options);
    auto object = own.Create(Action::DBR_DOWNLOAD);
    object->Init(DownloadInit{canned.Url(), folder.Path().string(), "jdoe", "secret"});
    ASSERT_EQ(Run(*object, Dictations({"1001"})), 1) << c.what;
    if (c.error.empty()) {
      EXPECT_THAT(object->ErrorMessages(), ElementsAre("")) << c.what;
      EXPECT_THAT(Names(folder.Path()), ElementsAre("Local_1001.pcm")) << c.what;
      EXPECT_EQ(testing::ReadFile(folder.Path() / "Local_1001.pcm"), audio) << c.what;
    } else {
      ASSERT_EQ(object->ErrorMessages().size(), 1u) << c.what;
      EXPECT_THAT(object->ErrorMessages()[0], HasSubstr(c.error)) << c.what;
      EXPECT_TRUE(Names(folder.Path()).empty()) << c.what;  // the part that cannot go on is gone
    }
  }
}

TEST_P(HttpClientServicesTest, OversizedXmlAnswerIsRefused) {
  http_client::HttpOptions options;
  options.xmlLimit = 100;
  HttpClientServices strict(loop.Context(), options);
  auto object = strict.Create(Action::DBR_GETWORKQUEUE);
  object->Init(QueueInit());
  ASSERT_EQ(Run(*object, {}), 1);
  EXPECT_EQ(object->getErrorMessage(), "(12152) The server returned an invalid response: an answer larger than 100 bytes");
  EXPECT_EQ(object->getXMLResponse(), "");
}

TEST_P(HttpClientServicesTest, GenericSingleAnswerCallsReachTheirRequestNumbers) {
  const ConnectionInit init = Connection();
  auto locked = services.Create(Action::DBR_GETLOCKEDLIST);
  locked->Init(init);
  ASSERT_EQ(Run(*locked, {}), 1);
  EXPECT_FALSE(lastErrors) << locked->getErrorMessage();
  EXPECT_THAT(locked->getXMLResponse(), HasSubstr("InfoResponse"));

  auto ping = services.Create(Action::DBR_PINGSERVLET);
  ping->Init(init);
  ASSERT_EQ(Run(*ping, {}), 1);
  EXPECT_THAT(ping->getXMLResponse(), HasSubstr("<Ping locationID=\"3\""));

  // The secure login carries the request's location, the workstation certificate, the machine
  // and the client's version.
  auto login = services.Create(Action::DBR_SECURELOGIN);
  login->Init(init);
  ASSERT_EQ(Run(*login, Named({{"location", "North Clinic"}, {"certificate", "120626054500"}, {"machineID", "WS-7"}, {"clientVersion", "10.2"}})), 1);
  EXPECT_FALSE(lastErrors) << login->getErrorMessage();
  EXPECT_THAT(login->getXMLResponse(), HasSubstr("certificate=\"120626054500\""));

  // A request number a servlet lacks (the information servlet serves only 0011): the servlet's
  // text, exactly as the engine reads it.
  auto metrics = services.Create(Action::DBR_GETMETRICS);
  metrics->Init(Connection(server->InformationURL()));
  ASSERT_EQ(Run(*metrics, Named({{"startDate", "01/01/2026"}, {"endDate", "02/01/2026"}})), 1);
  EXPECT_TRUE(lastErrors);
  EXPECT_EQ(metrics->getErrorMessage(), "Class Request0310 not found");
}

// A call that cannot be made is refused at once, its flag read as its action's calls read it.
TEST_P(HttpClientServicesTest, CallsThatCannotBeMadeAreRefusedAtOnceWithTheReason) {
  WorkQueueInit badUrl = QueueInit();
  badUrl.url = "ftp://nowhere/x";
  struct Case {
    Action action;
    ServiceInit init;
    bool flag;
    const char* reason;
  };
  const Case cases[] = {
      {Action::DBR_GETWORKQUEUE, badUrl, false, "Bad servlet URL"},
      // The "request" calls report failure with true.
      {Action::DBR_GETNUMREVIEWS, Connection("ftp://nowhere/x"), true, "Bad servlet URL"},
      {Action::DBR_GETWORKQUEUE, Connection(), false, "m_Wr.getWorkAsync was given the connection values of another kind"},
      {Action::DBR_SOFTCHECKOUT, Connection(), false, "no call for DBR_SOFTCHECKOUT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    auto object = services.Create(c.action);
    object->Init(c.init);
    EXPECT_EQ(object->Start({}), c.flag);
    EXPECT_THAT(object->getErrorMessage(), HasSubstr(c.reason));
  }
}

INSTANTIATE_TEST_SUITE_P(Transfers, HttpClientServicesTest, ::testing::Values(std::size_t{1}, std::size_t{4}),
                         [](const auto& info) { return info.param == 1 ? std::string("OneAtATime") : "FourInFlight"; });

}  // namespace
}  // namespace vz
