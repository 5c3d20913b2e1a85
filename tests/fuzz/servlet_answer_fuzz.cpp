// A servlet's whole HTTP answer, byte for byte, through one client-services exchange over a real
// loopback connection: status line and headers (Beast's parser), error documents, file answers
// with their Content-Length, digest, Content-Disposition name, literal marker and time-stamp
// header. The first byte chooses what the exchange expects: an XML answer, a file saved under a
// name of ours, or a file under the name the server gives.
//
// Properties: the call ends exactly once, with an error text exactly when it failed; the bytes it
// reports received never exceed what the server sent; a file is kept only when the call
// succeeded, and then its SHA-256 is the one the answer announced, its size within the limit and
// its name a dictation file name of this dictation; a kept time stamp is one plain line; nothing
// is written outside the folder and no ".part" or temporary file is left.
#include <cstdint>
#include <memory>
#include <string>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include "clientservices/http_call.hpp"
#include "clientservices/wire_format.hpp"
#include "fuzz_support.hpp"
#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/sha256.hpp"

namespace {

namespace asio = boost::asio;
using asio::ip::tcp;
using namespace vz::http_client;

constexpr std::uint64_t kLimit = 1 << 20;

struct Loopback {
  asio::io_context context;
  tcp::acceptor acceptor{context, tcp::endpoint(asio::ip::address_v4::loopback(), 0)};
  std::string url = "http://127.0.0.1:" + std::to_string(acceptor.local_endpoint().port()) + "/fuzz/servlet/ScribeServlet";
};

Loopback& Server() {
  static Loopback loopback;
  return loopback;
}

// Serves one connection: reads the request (headers and Content-Length body), answers `answer`
// and ends its side of the connection.
class OneAnswer : public std::enable_shared_from_this<OneAnswer> {
 public:
  OneAnswer(asio::io_context& context, std::string answer) : socket_(context), answer_(std::move(answer)) {}
  tcp::socket& Socket() { return socket_; }
  void ReadRequest() {
    socket_.async_read_some(asio::buffer(block_), [self = shared_from_this()](boost::system::error_code error, std::size_t got) {
      if (error) return;
      self->request_.append(self->block_.data(), got);
      if (self->RequestComplete()) return self->Answer();
      self->ReadRequest();
    });
  }
  void Close() {
    boost::system::error_code ignored;
    socket_.close(ignored);
  }

 private:
  bool RequestComplete() const {
    const auto end = request_.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    const std::string head = vz::fuzz::Lower(request_.substr(0, end));
    const auto at = head.find("content-length: ");
    const std::size_t body = at == std::string::npos ? 0 : std::stoul(head.substr(at + 16));
    return request_.size() >= end + 4 + body;
  }
  void Answer() {
    asio::async_write(socket_, asio::buffer(answer_), [self = shared_from_this()](boost::system::error_code, std::size_t) {
      boost::system::error_code ignored;
      self->socket_.shutdown(tcp::socket::shutdown_send, ignored);
    });
  }

  tcp::socket socket_;
  std::string answer_;
  std::string request_;
  std::array<char, 4096> block_{};
};

bool IsPlainStamp(const std::string& text) {
  return text.size() >= 3 && text.size() <= 66 && text.ends_with("\r\n") &&
         text.substr(0, text.size() - 2).find_first_not_of("0123456789/:-. ") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Server();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::filesystem::path work = vz::fuzz::BeginInput(0);
  const std::string answer(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto kind = static_cast<AnswerKind>(data[0] % 3);

  Loopback& loopback = Server();
  HttpCallPlan plan;
  plan.url = *ParseServletUrl(loopback.url);
  plan.authorization = vz::servlet_wire::EncodeBasicAuthorization("jdoe", "secret");
  plan.dictationList = true;
  HttpStep step;
  step.query = "request=0103&utteranceID=7";
  step.form = "utteranceID=7";
  step.answer = kind;
  if (kind == AnswerKind::kFile) {
    step.saveAs = work / "Local_7.pcm";
    step.literalMarker = work / "Local_7.wal";
    step.headerName = "X-List-Timestamp";
    step.headerFile = work / "List.ts";
  } else if (kind == AnswerKind::kNamedFile) {
    step.saveAs = work;
  }
  plan.entries.push_back({"7", "1", {step}});

  HttpOptions options;
  options.connectTimeout = std::chrono::seconds(5);
  options.ioTimeout = std::chrono::seconds(5);
  options.xmlLimit = kLimit;
  options.fileLimit = kLimit;

  loopback.context.restart();
  auto server = std::make_shared<OneAnswer>(loopback.context, answer);
  loopback.acceptor.async_accept(server->Socket(), [server](boost::system::error_code error) {
    if (!error) server->ReadRequest();
  });
  int ended = 0;
  HttpCallResult result;
  std::uint64_t received = 0;
  auto call = StartHttpCall(
      loopback.context, options, std::move(plan),
      [&](HttpCallResult done) {
        ++ended;
        result = std::move(done);
      },
      nullptr, [&](const vz::TransferProgress& progress) { received = progress.bytesReceived; });
  while (ended == 0 && loopback.context.run_one_for(std::chrono::seconds(20)) > 0) {
  }
  VZ_REQUIRE(ended == 1, "the call did not end");
  server->Close();
  loopback.acceptor.cancel();
  loopback.context.restart();
  loopback.context.poll();
  VZ_REQUIRE(ended == 1, "the call ended twice");
  call.reset();

  VZ_REQUIRE(result.errorArray.size() == 1, "a list of one dictation got " + std::to_string(result.errorArray.size()) + " errors");
  VZ_REQUIRE(result.errors == !result.errorArray[0].empty(), "errors flagged without a text, or a text without the flag");
  VZ_REQUIRE(received <= answer.size(), std::to_string(received) + " bytes received of " + std::to_string(answer.size()));

  const std::string lowerAnswer = vz::fuzz::Lower(answer);
  const auto files = vz::fuzz::FilesUnder(work);
  VZ_REQUIRE(!vz::fuzz::HasTemporaryFile(files), "a temporary file was left");
  std::vector<std::string> kept;
  for (const std::string& name : files) {
    if (name == "List.ts") {
      VZ_REQUIRE(IsPlainStamp(vz::fuzz::ReadWholeFile(work / name)), "the time stamp is not one plain line");
      continue;
    }
    if (name == "Local_7.wal") continue;
    VZ_REQUIRE(vz::servlet_wire::IsDictationFileName(name, "7"), "wrote " + name);
    kept.push_back(name);
  }
  if (result.errors || kind == AnswerKind::kXml) {
    VZ_REQUIRE(kept.empty(), "kept " + (kept.empty() ? std::string() : kept[0]) + " from a call that " +
                                 (result.errors ? "failed: " + result.errorArray[0] : std::string("expected XML")));
    if (!result.errors) VZ_REQUIRE(result.responses.at(0).size() <= answer.size(), "an answer longer than what was sent");
    return 0;
  }
  VZ_REQUIRE(kept.size() == 1, "a file answer kept " + std::to_string(kept.size()) + " files");
  if (kind == AnswerKind::kFile) VZ_REQUIRE(kept[0] == "Local_7.pcm", kept[0]);
  const std::string content = vz::fuzz::ReadWholeFile(work / kept[0]);
  VZ_REQUIRE(content.size() <= kLimit, "kept a file over the limit");
  vz::servlet_wire::Sha256 digest;
  digest.Update(content.data(), content.size());
  VZ_REQUIRE(lowerAnswer.find(digest.FinishHex()) != std::string::npos, "the kept file is not the one announced");
  return 0;
}
