// The HTTP(S) side of the simulator: accepting, TLS handshakes, reading requests (form bodies into
// memory, uploaded files straight to disk), delays, dropped and cut answers, keep-alive, and the
// simulated network each connection's bytes go through (network_stream.hpp).
#include "simulator/simulator_server.hpp"

#include <atomic>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <type_traits>

#include "servlet_wire/error_document.hpp"
#include "simulator/network_stream.hpp"

namespace vz::simulator {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

constexpr auto kIoTimeout = std::chrono::seconds(60);
constexpr std::uint64_t kFormLimit = 4 << 20;
constexpr std::uint64_t kFileLimit = std::uint64_t(1) << 30;
constexpr std::size_t kFileBlock = 256 * 1024;

HttpReply PlainReply(int status, std::string contentType, std::string body) {
  HttpReply reply;
  reply.status = status;
  reply.contentType = std::move(contentType);
  reply.body = std::move(body);
  return reply;
}

// The simulated network of the whole simulator: its latency, and one link per institution (and one
// for the information servlet) when a bandwidth is set. A connection's bytes go through the link of
// the institution its latest request was for.
struct SimulatedNetwork {
  std::chrono::milliseconds latency{0};
  std::map<std::string, std::shared_ptr<Link>, std::less<>> links;
  std::atomic<std::size_t>* resumedHandshakes = nullptr;  // TLS handshakes that resumed a session

  std::shared_ptr<Link> LinkFor(std::string_view target) const {
    // "/<directory>/servlet/..."
    const std::string_view path = target.substr(0, target.find('?'));
    const std::size_t end = path.find('/', 1);
    if (path.empty() || path.front() != '/' || end == std::string_view::npos) return nullptr;
    const auto found = links.find(path.substr(1, end - 1));
    return found == links.end() ? nullptr : found->second;
  }
};

class SessionBase {
 public:
  virtual ~SessionBase() = default;
  virtual void Close() = 0;
};

template <class Stream>
class Session final : public SessionBase, public std::enable_shared_from_this<Session<Stream>> {
 public:
  template <class... Args>
  Session(Servlets& servlets, const SimulatedNetwork& network, Args&&... args)
      : servlets_(servlets), network_(network), stream_(std::forward<Args>(args)...), timer_(stream_.get_executor()) {}

  void Run() {
    if constexpr (kTls) {
      beast::get_lowest_layer(stream_).expires_after(kIoTimeout);
      stream_.async_handshake(ssl::stream_base::server, [self = this->shared_from_this()](beast::error_code error) {
        if (error) return;
        if (SSL_session_reused(self->stream_.native_handle()) && self->network_.resumedHandshakes) ++*self->network_.resumedHandshakes;
        // A TLS 1.3 client sends its request with its last flight, before our session tickets reach it.
        if (SSL_version(self->stream_.native_handle()) == TLS1_3_VERSION) self->Network().ContinueTurn();
        self->ReadHeader();
      });
    } else {
      ReadHeader();
    }
  }

  void Close() override {
    beast::error_code ignored;
    timer_.cancel();
    Network().Cancel();
    beast::get_lowest_layer(stream_).socket().close(ignored);
  }

 private:
  static constexpr bool kTls = !std::is_same_v<Stream, NetworkStream>;

  NetworkStream& Network() {
    if constexpr (kTls) return stream_.next_layer();
    else return stream_;
  }

  void ReadHeader() {
    headerParser_.emplace();
    // The header parser already holds a body to its limit (a request's default is 1 MiB): an
    // upload may be as large as a file; a form's smaller limit is checked once the target is known.
    headerParser_->body_limit(kFileLimit);
    stringParser_.reset();
    fileParser_.reset();
    bodyFile_.clear();
    Network().LimitAnswer(std::nullopt);
    beast::get_lowest_layer(stream_).expires_after(kIoTimeout);
    http::async_read_header(stream_, buffer_, *headerParser_, [self = this->shared_from_this()](beast::error_code error, std::size_t) {
      if (!error) self->ReadBody();
    });
  }

  void ReadBody() {
    const auto self = this->shared_from_this();
    const auto target = headerParser_->get().target();
    Network().UseLink(network_.LinkFor(std::string_view(target.data(), target.size())));
    if (Servlets::TakesFileBody(std::string_view(target.data(), target.size()))) {
      bodyFile_ = servlets_.NewBodyFile();
      fileParser_.emplace(std::move(*headerParser_));
      fileParser_->body_limit(kFileLimit);
      beast::error_code error;
      fileParser_->get().body().open(bodyFile_.c_str(), beast::file_mode::write, error);
      if (error) return;
      http::async_read(stream_, buffer_, *fileParser_, [self](beast::error_code error, std::size_t) {
        self->fileParser_->get().body().close();
        self->OnRequest(error, self->fileParser_->get());
      });
    } else {
      if (const auto length = headerParser_->content_length(); length && *length > kFormLimit) return RefuseLargeForm();
      stringParser_.emplace(std::move(*headerParser_));
      stringParser_->body_limit(kFormLimit);
      http::async_read(stream_, buffer_, *stringParser_, [self](beast::error_code error, std::size_t) {
        self->OnRequest(error, self->stringParser_->get());
      });
    }
  }

  // A form larger than any servlet takes: answered without reading its body, and the connection
  // closed after the answer.
  void RefuseLargeForm() {
    keepAlive_ = false;
    version_ = headerParser_->get().version();
    reply_ = PlainReply(413, "application/xml; charset=utf-8",
                        servlet_wire::ErrorDocument("A form body may hold " + std::to_string(kFormLimit) + " bytes"));
    Answer();
  }

  template <class Request>
  void OnRequest(beast::error_code error, const Request& request) {
    if (error) {
      std::error_code ignored;
      if (!bodyFile_.empty()) std::filesystem::remove(bodyFile_, ignored);
      return;
    }
    HttpExchange exchange;
    exchange.target = std::string(request.target());
    exchange.authorization = std::string(request[http::field::authorization]);
    exchange.contentType = std::string(request[http::field::content_type]);
    exchange.contentDigest = std::string(request["X-Content-SHA256"]);
    exchange.idempotencyKey = std::string(request["Idempotency-Key"]);
    exchange.range = std::string(request[http::field::range]);
    exchange.ifRange = std::string(request[http::field::if_range]);
    exchange.ifNoneMatch = std::string(request[http::field::if_none_match]);
    if constexpr (std::is_same_v<typename Request::body_type, http::string_body>) exchange.body = request.body();
    else exchange.bodyFile = bodyFile_;
    keepAlive_ = request.keep_alive();
    version_ = request.version();
    reply_ = request.method() == http::verb::post ? servlets_.Handle(exchange) : PlainReply(405, "text/plain", "POST only\n");
    if (reply_.delay.count() > 0) {
      timer_.expires_after(reply_.delay);
      timer_.async_wait([self = this->shared_from_this()](beast::error_code error) {
        if (!error) self->Answer();
      });
    } else {
      Answer();
    }
  }

  template <class Body>
  void Prepare(http::response<Body>& response) {
    response.version(version_);
    response.result(static_cast<http::status>(reply_.status));
    response.set(http::field::server, "institution-sim");
    response.set(http::field::content_type, reply_.contentType);
    for (const auto& [name, value] : reply_.headers) response.set(name, value);
    response.keep_alive(keepAlive_);
    response.prepare_payload();
  }

  void Answer() {
    if (reply_.unanswered) return Close();
    const auto self = this->shared_from_this();
    beast::get_lowest_layer(stream_).expires_after(kIoTimeout);
    Network().LimitAnswer(reply_.bytesPerSecond);
    if (!reply_.file.empty()) {
      beast::error_code error;
      file_.open(reply_.file.c_str(), beast::file_mode::scan, error);
      if (!error) fileLeft_ = file_.size(error);
      if (!error && reply_.fileOffset > 0) {
        // The servlet checked the offset against the file; it may have changed since.
        if (reply_.fileOffset >= fileLeft_) error = beast::errc::make_error_code(beast::errc::invalid_argument);
        else file_.seek(reply_.fileOffset, error);
        if (!error) fileLeft_ -= reply_.fileOffset;
      }
      if (error) {
        file_.close(error);
        reply_ = PlainReply(500, "application/xml; charset=utf-8", servlet_wire::ErrorDocument("Cannot read " + reply_.file.filename().string()));
        return Answer();
      }
      fileResponse_.emplace();
      Prepare(*fileResponse_);
      fileResponse_->content_length(fileLeft_);
      if (reply_.drop) {
        file_.close(error);
        return DropAfterHalf(*fileResponse_);
      }
      if (reply_.cutAfter) fileLeft_ = std::min(fileLeft_, *reply_.cutAfter);
      std::ostringstream header;
      header << fileResponse_->base();
      raw_ = header.str();
      SendFileBlock();
    } else {
      stringResponse_.emplace();
      stringResponse_->body() = reply_.body;
      Prepare(*stringResponse_);
      if (reply_.drop) return DropAfterHalf(*stringResponse_);
      if (reply_.cutAfter) return SendStartThenClose(*stringResponse_, *reply_.cutAfter);
      http::async_write(stream_, *stringResponse_, [self](beast::error_code error, std::size_t) { self->AfterWrite(error); });
    }
  }

  // A file answer's body goes out in large blocks, the header with the first (the HTTP library's
  // file body reads and sends 4 KiB at a time). A file that cannot be read to its end ends the
  // connection, as a failed write does.
  void SendFileBlock() {
    beast::error_code error;
    if (fileLeft_ == 0) {
      file_.close(error);
      // The header still waits when the body is empty or cut before its first byte.
      if (!raw_.empty())
        return asio::async_write(stream_, asio::buffer(raw_), [self = this->shared_from_this()](beast::error_code error, std::size_t) {
          self->raw_.clear();
          if (error || self->reply_.cutAfter) return self->Close();
          self->AfterWrite({});
        });
      if (reply_.cutAfter) return Close();
      return AfterWrite({});
    }
    // One contiguous buffer: over TLS, a header and a block as two buffers stopped after the header.
    const std::size_t header = raw_.size();
    if (fileBlock_.size() < header + kFileBlock) fileBlock_.resize(header + kFileBlock);
    std::copy(raw_.begin(), raw_.end(), fileBlock_.begin());
    raw_.clear();
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(fileLeft_, kFileBlock));
    const std::size_t got = file_.read(fileBlock_.data() + header, want, error);
    if (error || got == 0) return;
    fileLeft_ -= got;
    asio::async_write(stream_, asio::buffer(fileBlock_.data(), header + got), [self = this->shared_from_this()](beast::error_code error, std::size_t) {
      if (!error) self->SendFileBlock();
    });
  }

  // Sends the header and the first `bytes` of a body in memory, then closes.
  void SendStartThenClose(http::response<http::string_body>& response, std::uint64_t bytes) {
    std::ostringstream header;
    header << response.base();
    raw_ = header.str() + response.body().substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(bytes, response.body().size())));
    asio::async_write(stream_, asio::buffer(raw_), [self = this->shared_from_this()](beast::error_code, std::size_t) { self->Close(); });
  }

  // Sends the header and half the body, then closes: the client sees the answer end early.
  template <class Body>
  void DropAfterHalf(http::response<Body>& response) {
    std::ostringstream header;
    header << response.base();
    std::string body;
    if constexpr (std::is_same_v<Body, http::empty_body>) {
      std::ifstream in(reply_.file, std::ios::binary);
      std::ostringstream content;
      content << in.rdbuf();
      body = content.str();
    } else {
      body = response.body();
    }
    raw_ = header.str() + body.substr(0, body.size() / 2);
    asio::async_write(stream_, asio::buffer(raw_), [self = this->shared_from_this()](beast::error_code, std::size_t) { self->Close(); });
  }

  void AfterWrite(beast::error_code error) {
    if (error) return;
    if (keepAlive_) return ReadHeader();
    if constexpr (kTls) {
      stream_.async_shutdown([self = this->shared_from_this()](beast::error_code) { self->Close(); });
    } else {
      beast::error_code ignored;
      beast::get_lowest_layer(stream_).socket().shutdown(tcp::socket::shutdown_send, ignored);
    }
  }

  Servlets& servlets_;
  const SimulatedNetwork& network_;
  Stream stream_;
  asio::steady_timer timer_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> headerParser_;
  std::optional<http::request_parser<http::string_body>> stringParser_;
  std::optional<http::request_parser<http::file_body>> fileParser_;
  std::filesystem::path bodyFile_;
  HttpReply reply_;
  bool keepAlive_ = true;
  unsigned version_ = 11;
  std::optional<http::response<http::string_body>> stringResponse_;
  std::optional<http::response<http::empty_body>> fileResponse_;  // the header of a file answer
  beast::file file_;
  std::uint64_t fileLeft_ = 0;
  std::vector<char> fileBlock_;
  std::string raw_;
};

}  // namespace

struct InstitutionSimulator::Impl {
  explicit Impl(SimulatorConfig settings) : config(std::move(settings)), servlets(config.institutions, config.dataFolder) {
    network.latency = config.network.latency;
    network.resumedHandshakes = &resumedHandshakes;
    if (config.network.bytesPerSecond) {
      for (const std::string& directory : servlets.Directories())
        network.links.emplace(directory, std::make_shared<Link>(*config.network.bytesPerSecond));
      network.links.emplace("info", std::make_shared<Link>(*config.network.bytesPerSecond));
    }
    if (config.tls) {
      tls.emplace(ssl::context::tls_server);
      tls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 | ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1);
      tls->use_certificate_chain(asio::buffer(config.tls->certificatePem));
      tls->use_private_key(asio::buffer(config.tls->privateKeyPem), ssl::context::pem);
    }
  }

  void Listen(asio::io_context& on) {
    context = &on;
    acceptor.emplace(on);
    const tcp::endpoint endpoint(asio::ip::make_address(config.address), port);
    acceptor->open(endpoint.protocol());
    acceptor->set_option(asio::socket_base::reuse_address(true));
    acceptor->bind(endpoint);
    acceptor->listen();
    port = acceptor->local_endpoint().port();
    servlets.SetBaseURL(BaseURL());
    Accept();
  }

  void Accept() {
    acceptor->async_accept([this](beast::error_code error, tcp::socket socket) {
      if (error) return;
      ++connectionsAccepted;
      // The end of an answer must not wait for the client's delayed acknowledgement.
      beast::error_code ignored;
      socket.set_option(tcp::no_delay(true), ignored);
      std::shared_ptr<SessionBase> session;
      if (tls) {
        auto tlsSession = std::make_shared<Session<beast::ssl_stream<NetworkStream>>>(
            servlets, network, NetworkStream(std::move(socket), network.latency), *tls);
        tlsSession->Run();
        session = tlsSession;
      } else {
        auto plainSession = std::make_shared<Session<NetworkStream>>(servlets, network, std::move(socket), network.latency);
        plainSession->Run();
        session = plainSession;
      }
      {
        std::lock_guard lock(sessionsMutex);
        std::erase_if(sessions, [](const std::weak_ptr<SessionBase>& weak) { return weak.expired(); });
        sessions.push_back(session);
      }
      Accept();
    });
  }

  // On the serving thread (or with it stopped): nothing listens or talks any more.
  void CloseAll() {
    beast::error_code ignored;
    if (acceptor) acceptor->close(ignored);
    std::lock_guard lock(sessionsMutex);
    for (auto& weak : sessions)
      if (auto session = weak.lock()) session->Close();
    sessions.clear();
  }

  std::string BaseURL() const { return std::string(tls ? "https" : "http") + "://" + config.address + ":" + std::to_string(port); }

  SimulatorConfig config;
  Servlets servlets;
  SimulatedNetwork network;
  std::optional<ssl::context> tls;
  std::unique_ptr<asio::io_context> ownContext;
  asio::io_context* context = nullptr;
  std::optional<tcp::acceptor> acceptor;
  std::thread thread;
  std::mutex sessionsMutex;
  std::vector<std::weak_ptr<SessionBase>> sessions;
  unsigned short port = 0;
  std::atomic<std::size_t> connectionsAccepted{0};
  std::atomic<std::size_t> resumedHandshakes{0};
};

InstitutionSimulator::InstitutionSimulator(SimulatorConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {
  impl_->port = impl_->config.port;
}

InstitutionSimulator::~InstitutionSimulator() { Stop(); }

void InstitutionSimulator::Start() {
  if (Running()) return;
  impl_->ownContext = std::make_unique<asio::io_context>(1);
  try {
    impl_->Listen(*impl_->ownContext);
  } catch (...) {
    impl_->acceptor.reset();
    impl_->ownContext.reset();
    impl_->context = nullptr;
    throw;
  }
  impl_->thread = std::thread([context = impl_->ownContext.get()] {
    while (true) {
      try {
        context->run();
        return;
      } catch (const std::exception&) {
        // a failing handler loses its connection only; keep serving
      }
    }
  });
}

void InstitutionSimulator::Start(asio::io_context& context) {
  if (Running()) return;
  impl_->Listen(context);
}

void InstitutionSimulator::Stop() {
  if (!Running()) return;
  if (impl_->ownContext) {
    impl_->ownContext->stop();
    impl_->thread.join();
    impl_->CloseAll();
    impl_->acceptor.reset();
    impl_->ownContext.reset();  // destroys the sessions still waiting on it
  } else {
    impl_->CloseAll();
    impl_->acceptor.reset();
  }
  impl_->context = nullptr;
}

bool InstitutionSimulator::Running() const { return impl_->context != nullptr; }
unsigned short InstitutionSimulator::Port() const { return impl_->port; }
std::size_t InstitutionSimulator::ConnectionsAccepted() const { return impl_->connectionsAccepted; }
std::size_t InstitutionSimulator::ResumedHandshakes() const { return impl_->resumedHandshakes; }
std::string InstitutionSimulator::BaseURL() const { return impl_->BaseURL(); }
std::string InstitutionSimulator::ServletURL(std::string_view directory) const {
  return BaseURL() + "/" + std::string(directory) + "/servlet/ScribeServlet";
}
std::string InstitutionSimulator::InformationURL() const { return ServletURL("info"); }
Servlets& InstitutionSimulator::GetServlets() { return impl_->servlets; }

}  // namespace vz::simulator
