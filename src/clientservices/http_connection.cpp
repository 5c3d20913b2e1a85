// One connection's exchanges on Boost.Beast: answers read in blocks, XML into memory up to a
// limit, files up to a limit streamed to a hidden ".part" file beside the final one, checked for
// length and digest, then renamed. A resumable download's part outlives a cut, and the next
// exchange asks for the rest.
#include "clientservices/http_connection.hpp"

#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <openssl/ssl.h>

#include <utility>  // Boost.Asio's awaitable.hpp uses std::exchange without including it

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <optional>

#include "clientservices/idle_deadline.hpp"
#include "clientservices/range_answer.hpp"
#include "clientservices/tls_sessions.hpp"
#include "clientservices/verified_downloads.hpp"
#include "platform/resumable_part.hpp"
#include "platform/temporary_files.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/error_document.hpp"
#include "servlet_wire/sha256.hpp"

namespace vz::http_client {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;
using boost::system::error_code;
template <class T>
using awaitable = asio::awaitable<T>;

enum class Stage { kResolve, kConnect, kHandshake, kTransfer };

std::string FailureText(const error_code& error, Stage stage, const ServletUrl& url) {
  if (error == beast::error::timeout || error == asio::error::timed_out) return "(12002) The operation timed out";
  if (stage == Stage::kResolve) return "(12007) The server name could not be resolved: " + url.host;
  if (stage == Stage::kConnect &&
      (error == asio::error::connection_refused || error == asio::error::host_unreachable ||
       error == asio::error::network_unreachable))
    return "(12029) Cannot connect to " + url.host + ":" + url.port;
  if (error.category() == asio::error::get_ssl_category() &&
      ERR_GET_REASON(static_cast<unsigned long>(error.value())) == SSL_R_CERTIFICATE_VERIFY_FAILED)
    return "(12175) A security error occurred: " + error.message();
  if (error == asio::error::eof || error == asio::error::connection_reset || error == asio::error::broken_pipe ||
      error == http::error::end_of_stream || error == http::error::partial_message ||
      error == ssl::error::stream_truncated)
    return "(12030) The connection with the server was ended";
  if (error.category() == http::make_error_code(http::error::bad_version).category())
    return "(12152) The server returned an invalid response: " + error.message();
  return "network communications error: " + error.message();
}

// The most one read from the socket takes (Beast reads at most 64 KiB at a time).
constexpr std::size_t kReadBlock = 65536;

constexpr const char* kLongerThanAnnounced = "a body longer than its Content-Length";

std::string InvalidResponse(const std::string& detail) { return "(12152) The server returned an invalid response: " + detail; }

std::string FileDigest(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  servlet_wire::Sha256 digest;
  std::array<char, 65536> block{};
  while (in.read(block.data(), block.size()) || in.gcount() > 0) digest.Update(block.data(), static_cast<std::size_t>(in.gcount()));
  return digest.FinishHex();
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A body the parser hands on as it takes it from the read buffer, to the function set for it:
// without a copy into a block of its own first. Without a function the parser stops, as with a
// buffer body without a buffer.
struct HandedOnBody {
  struct value_type {
    std::function<void(const char* data, std::size_t size)> take;
  };

  class reader {
   public:
    template <bool isRequest, class Fields>
    reader(http::header<isRequest, Fields>&, value_type& body) : body_(body) {}

    void init(const boost::optional<std::uint64_t>&, error_code& error) { error = {}; }

    template <class ConstBufferSequence>
    std::size_t put(const ConstBufferSequence& buffers, error_code& error) {
      if (!body_.take) {
        error = http::error::need_buffer;
        return 0;
      }
      std::size_t taken = 0;
      for (const auto buffer : beast::buffers_range_ref(buffers)) {
        body_.take(static_cast<const char*>(buffer.data()), buffer.size());
        taken += buffer.size();
      }
      error = {};
      return taken;
    }

    void finish(error_code& error) { error = {}; }

   private:
    value_type& body_;
  };
};

using Parser = http::response_parser<HandedOnBody>;

// A header value written to a file (the list time stamp): only a plain date and time is kept, so
// the server cannot fill the workstation's file with anything else; otherwise no file is left.
void KeepHeader(const std::string& value, const std::filesystem::path& file) {
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  const bool plain = !value.empty() && value.size() <= 64 &&
                     value.find_first_not_of("0123456789/:-. ") == std::string::npos;
  if (!plain) return;
  // Through a temporary file of our own: never through a link planted under a fixed name.
  platform::TemporaryFile part(file, ".part");
  if (part.Write(value + "\r\n")) part.Commit();
}

// Stops the idle deadline when the exchange ends, however it ends.
struct IdleWatch {
  IdleDeadline& deadline;
  ~IdleWatch() { deadline.Stop(); }
};

// Reads the first `bytes` of `path` into `digest`.
bool HashPrefix(const std::filesystem::path& path, std::uint64_t bytes, servlet_wire::Sha256& digest) {
  std::ifstream in(path, std::ios::binary);
  std::array<char, 65536> block{};
  while (bytes > 0 && in) {
    const auto want = static_cast<std::streamsize>(std::min<std::uint64_t>(bytes, block.size()));
    in.read(block.data(), want);
    if (in.gcount() != want) return false;
    digest.Update(block.data(), static_cast<std::size_t>(want));
    bytes -= static_cast<std::uint64_t>(want);
  }
  return bytes == 0;
}

// Where a file answer's body goes until it is checked: a part kept for a retry when the step
// resumes and the server named the file's digest, otherwise a temporary file gone with this object
// unless renamed into place (also when the call is cancelled or the loop ends mid-body).
class PartSink {
 public:
  PartSink(const std::filesystem::path& final, const HttpStep& step, const std::string& digest, std::uint64_t keep) {
    if (step.answer == AnswerKind::kFile && platform::IsResumableTag(step.resumeTag) && platform::IsResumableDigest(digest))
      kept_.emplace(final, step.resumeTag, digest, keep);
    else
      temporary_.emplace(final, ".part");
  }
  bool IsOpen() const { return kept_ ? kept_->IsOpen() : temporary_->IsOpen(); }
  int Error() const { return kept_ ? kept_->Error() : temporary_->Error(); }
  std::filesystem::path Path() const { return kept_ ? kept_->Path() : temporary_->Path(); }
  bool Write(std::string_view bytes) { return kept_ ? kept_->Write(bytes) : temporary_->Write(bytes); }
  bool Close() { return kept_ ? kept_->Close() : temporary_->Close(); }
  std::error_code Commit() { return kept_ ? kept_->Commit() : temporary_->Commit(); }
  void Discard() {
    if (kept_) kept_->Discard();
    Abandon();
  }
  // Leaves the body cut short: a kept part stays, a temporary file goes.
  void Abandon() {
    if (kept_) {
      kept_->Close();
      return;
    }
    std::error_code ignored;
    std::filesystem::remove(temporary_->Path(), ignored);
  }

 private:
  std::optional<platform::ResumablePart> kept_;
  std::optional<platform::TemporaryFile> temporary_;
};

}  // namespace

class Connection::Impl {
 public:
  Impl(asio::io_context& context, HttpOptions options, ServletUrl url, std::shared_ptr<TlsSessions> tlsSessions,
       std::shared_ptr<VerifiedDownloads> verified)
      : context_(context),
        options_(std::move(options)),
        url_(std::move(url)),
        resolver_(context),
        resolveTimer_(context),
        idle_(context.get_executor()),
        tlsSessions_(std::move(tlsSessions)),
        verified_(std::move(verified)) {
    // Beast reads as much as the buffer holds: without room the body would come in ~512-byte reads.
    buffer_.reserve(kReadBlock);
  }

  // The members Connection forwards to are described there.
  bool Open() const { return open_; }
  void Retarget(const ServletUrl& url) { url_ = url; }
  void KeepAtMost(std::uint64_t bytes) { xmlRoom_ = bytes; }
  using ByteObserver = Connection::ByteObserver;
  void ObserveBytes(ByteObserver observer) { moved_ = std::move(observer); }

  bool Usable() {
    if (!open_) return false;
    const auto handle = tls_ ? beast::get_lowest_layer(*tls_).socket().native_handle() : plain_->socket().native_handle();
    pollfd watched{handle, POLLIN, 0};
    if (::poll(&watched, 1, 0) != 0 || buffer_.size() != 0) {
      Close();
      return false;
    }
    return true;
  }

  void Close() {
    resolver_.cancel();
    resolveTimer_.cancel();
    error_code ignored;
    if (tls_) beast::get_lowest_layer(*tls_).socket().close(ignored);
    if (plain_) plain_->socket().close(ignored);
    open_ = false;
  }

  // Whether the server sent more than the answer it announced: bytes beyond the message are
  // already read (and decrypted), or wait on a plain socket. Nothing is asked before the next
  // request, so any such byte belongs to a body longer than its Content-Length.
  bool SentBeyondTheAnswer() {
    if (buffer_.size() != 0) return true;
    if (tls_) return ::SSL_pending(tls_->native_handle()) > 0;
    if (!plain_ || !plain_->socket().is_open()) return false;
    char byte = 0;
    return ::recv(plain_->socket().native_handle(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
  }

  // Empty, or the failure text.
  awaitable<std::string> Connect() {
    error_code error;
    // Name resolution counts against the connect time-out too.
    // `resolving` is false once the resolution has ended: a late timer then touches nothing.
    const auto resolving = std::make_shared<bool>(true);
    const auto timedOut = std::make_shared<bool>(false);
    resolveTimer_.expires_after(options_.connectTimeout);
    resolveTimer_.async_wait([this, resolving, timedOut](const error_code& waited) {
      if (waited || !*resolving) return;
      *timedOut = true;
      resolver_.cancel();
    });
    const auto endpoints = co_await resolver_.async_resolve(url_.host, url_.port, asio::redirect_error(asio::use_awaitable, error));
    *resolving = false;
    resolveTimer_.cancel();
    if (*timedOut) co_return std::string("(12002) The operation timed out");
    if (error) co_return FailureText(error, Stage::kResolve, url_);
    buffer_.clear();
    beast::tcp_stream* lowest = nullptr;
    if (url_.https) {
      std::string failure;
      ssl::context* shared = tlsSessions_->Context(failure);
      if (!shared) co_return failure;
      tls_.emplace(context_, *shared);
      tls_->set_verify_callback(ssl::host_name_verification(url_.host));
      SSL_set_tlsext_host_name(tls_->native_handle(), url_.host.c_str());
      server_ = url_.host + ":" + url_.port;
      tlsSessions_->Prepare(tls_->native_handle(), server_);
      lowest = &beast::get_lowest_layer(*tls_);
    } else {
      plain_.emplace(context_);
      lowest = &*plain_;
    }
    lowest->expires_after(options_.connectTimeout);  // resolve already done; connect and handshake
    co_await lowest->async_connect(endpoints, asio::redirect_error(asio::use_awaitable, error));
    if (error) co_return FailureText(error, Stage::kConnect, url_);
    // A request goes out in one piece, but an upload's last block would otherwise wait for the
    // server's delayed acknowledgement.
    error_code ignored;
    lowest->socket().set_option(tcp::no_delay(true), ignored);
    if (tls_) {
      co_await tls_->async_handshake(ssl::stream_base::client, asio::redirect_error(asio::use_awaitable, error));
      if (error) co_return FailureText(error, Stage::kHandshake, url_);
    }
    lowest->expires_never();  // exchanges run under the idle deadline
    open_ = true;
    co_return std::string();
  }

  awaitable<Outcome> Exchange(const HttpStep& step, const std::string& authorization, const std::string& utteranceID) {
    // Ended as the stream's own time-out ends an operation: the socket is closed and what waits
    // on it fails (Checked makes that a time-out).
    idle_.Start(options_.ioTimeout, [this] {
      error_code ignored;
      if (tls_) beast::get_lowest_layer(*tls_).socket().close(ignored);
      if (plain_) plain_->socket().close(ignored);
    });
    const IdleWatch watching{idle_};
    Outcome outcome = co_await ExchangeOnStream(step, authorization, utteranceID, true);
    if (!outcome.restart) co_return outcome;
    // The part no longer matches the server's file (or the server would not continue it): once
    // more for the whole file, never splicing the new bytes onto the old ones.
    platform::DiscardResumableParts(step.saveAs);
    if (!open_) {
      outcome = Outcome{};
      outcome.failure = co_await Connect();
      if (!outcome.failure.empty()) co_return outcome;
    }
    co_return co_await ExchangeOnStream(step, authorization, utteranceID, false);
  }

 private:
  template <class Request>
  void SetHeaders(Request& request, const std::string& authorization, const HttpStep& step) {
    request.set(http::field::host, url_.host + ":" + url_.port);
    request.set(http::field::user_agent, options_.userAgent);
    request.set(http::field::authorization, authorization);
    request.set(http::field::accept, "application/xml, application/octet-stream");
    if (!step.idempotencyKey.empty()) request.set("Idempotency-Key", step.idempotencyKey);
    request.keep_alive(true);
  }

  awaitable<Outcome> ExchangeOnStream(const HttpStep& step, const std::string& authorization, const std::string& utteranceID,
                                      bool mayResume) {
    std::optional<platform::FoundPart> kept;
    // A file saved whole before needs no part: the server says whether it is still its file.
    std::optional<std::string> held;
    if (verified_ && step.answer == AnswerKind::kFile) held = verified_->Find(RequestName(step), step.saveAs);
    if (!held && mayResume && step.answer == AnswerKind::kFile && !step.resumeTag.empty()) {
      kept = platform::FindResumablePart(step.saveAs, step.resumeTag);
      if (kept && kept->size == 0) kept.reset();
    }
    if (tls_) co_return co_await ExchangeOn(*tls_, step, authorization, utteranceID, kept, held);
    co_return co_await ExchangeOn(*plain_, step, authorization, utteranceID, kept, held);
  }

  template <class Stream>
  awaitable<Outcome> ExchangeOn(Stream& stream, const HttpStep& step, const std::string& authorization,
                                const std::string& utteranceID, const std::optional<platform::FoundPart>& kept,
                                const std::optional<std::string>& held) {
    Outcome outcome;
    error_code error;
    const std::string target = url_.path + "?" + step.query;
    if (!step.uploadFile.empty()) {
      http::request<http::file_body> request{http::verb::post, target, 11};
      request.body().open(step.uploadFile.c_str(), beast::file_mode::scan, error);
      if (error) {
        outcome.servletError = "Cannot read " + step.uploadFile.filename().string() + ": " + error.message();
        co_return outcome;
      }
      SetHeaders(request, authorization, step);
      request.set(http::field::content_type, "application/octet-stream");
      request.set("X-Content-SHA256", FileDigest(step.uploadFile));
      request.prepare_payload();
      // The body goes out block by block, each one counted as it leaves.
      http::request_serializer<http::file_body> serializer{request};
      co_await http::async_write_header(stream, serializer, asio::redirect_error(asio::use_awaitable, error));
      error = Checked(error);
      while (!error && !serializer.is_done()) {
        idle_.Renew();
        const std::size_t wrote =
            co_await http::async_write_some(stream, serializer, asio::redirect_error(asio::use_awaitable, error));
        error = Checked(error);
        if (!error) Moved(wrote, 0);
      }
    } else {
      http::request<http::string_body> request{http::verb::post, target, 11};
      SetHeaders(request, authorization, step);
      request.set(http::field::content_type, "application/x-www-form-urlencoded; charset=utf-8");
      if (kept) {
        // Only the rest, and only of the file the part was begun from.
        request.set(http::field::range, "bytes=" + std::to_string(kept->size) + "-");
        request.set(http::field::if_range, "\"" + kept->digest + "\"");
      }
      if (held) request.set(http::field::if_none_match, "\"" + *held + "\"");
      request.body() = step.form;
      request.prepare_payload();
      co_await http::async_write(stream, request, asio::redirect_error(asio::use_awaitable, error));
      error = Checked(error);
      if (!error) Moved(step.form.size(), 0);
    }
    if (error) {
      outcome.failure = FailureText(error, Stage::kTransfer, url_);
      outcome.unanswered = true;
      Close();
      co_return outcome;
    }

    Parser parser;
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());  // files: no limit; XML: counted below
    idle_.Renew();
    co_await http::async_read_header(stream, buffer_, parser, asio::redirect_error(asio::use_awaitable, error));
    error = Checked(error);
    if (error) {
      outcome.failure = FailureText(error, Stage::kTransfer, url_);
      outcome.unanswered = buffer_.size() == 0 && error != beast::error::timeout;
      Close();
      co_return outcome;
    }
    const int status = parser.get().result_int();
    if (status == 304) {
      // Not sent again: the file held is still the server's, as its digest says.
      const std::string digest = Lower(std::string(parser.get()["X-Content-SHA256"]));
      if (!held || digest != *held) {
        Close();
        outcome.failure = InvalidResponse(held ? "a 304 answer naming another digest" : "a 304 answer to a request for the file");
        co_return outcome;
      }
      if (!parser.is_done() || !parser.keep_alive()) Close();
      FinishFile(step, parser.get());
      co_return outcome;
    }
    std::optional<platform::FoundPart> continued;
    if (kept) {
      const RangeCheck check = CheckRangeAnswer(status, std::string(parser.get()[http::field::content_range]),
                                                parser.content_length() ? std::optional(*parser.content_length()) : std::nullopt,
                                                kept->size, options_.fileLimit);
      const std::string name = step.saveAs.filename().string();
      switch (check.verdict) {
        case RangeVerdict::kContinue:
          if (Lower(std::string(parser.get()["X-Content-SHA256"])) == kept->digest) {
            continued = kept;
            break;
          }
          // Another file under the same version: the part is of no use.
          Close();
          outcome.restart = true;
          co_return outcome;
        case RangeVerdict::kRestart:
          if (status == 416) {
            outcome.failure = co_await ReadBody(stream, parser, [](const char*, std::size_t) {});
            if (!outcome.failure.empty() || !parser.keep_alive()) Close();
            outcome.restart = outcome.failure.empty();
            co_return outcome;
          }
          break;  // 200: the whole file follows and replaces the part
        case RangeVerdict::kRefuse:
          platform::DiscardResumableParts(step.saveAs);
          Close();
          outcome.servletError = "refused " + name + " from the server: " + std::to_string(check.total) +
                                 " bytes, over the limit of " + std::to_string(options_.fileLimit) + " bytes for a file";
          co_return outcome;
        case RangeVerdict::kInvalid:
          platform::DiscardResumableParts(step.saveAs);
          Close();
          outcome.failure = InvalidResponse(check.problem);
          co_return outcome;
        case RangeVerdict::kNotFile:
          break;
      }
    } else if (status == 206) {
      Close();
      outcome.failure = InvalidResponse("a partial answer to a request for the whole file");
      co_return outcome;
    }
    if ((status == 200 || continued) && step.answer != AnswerKind::kXml) {
      outcome = co_await ReceiveFile(stream, parser, step, utteranceID, continued);
    } else {
      std::string body;
      bool tooLarge = false;
      const std::uint64_t limit = std::min(options_.xmlLimit, xmlRoom_);
      outcome.failure = co_await ReadBody(stream, parser, [&](const char* data, std::size_t size) {
        if (body.size() + size > limit) tooLarge = true;
        if (!tooLarge) body.append(data, size);
      });
      if (outcome.failure.empty() && tooLarge) {
        if (limit < options_.xmlLimit) outcome.overCallLimit = true;
        else outcome.failure = InvalidResponse("an answer larger than " + std::to_string(limit) + " bytes");
      }
      if (outcome.failure.empty() && SentBeyondTheAnswer()) outcome.failure = InvalidResponse(kLongerThanAnnounced);
      if (outcome.failure.empty() && !outcome.overCallLimit) {
        const std::string reason = "HTTP " + std::to_string(status) + " " + std::string(parser.get().reason());
        if (status == 200) {
          outcome.body = std::move(body);
        } else if (auto message = servlet_wire::ErrorDocumentMessage(body)) {
          outcome.servletError = *message;
        } else if (status == 502 || status == 503 || status == 504) {
          outcome.failure = InvalidResponse(reason);
        } else {
          outcome.servletError = "Unexpected answer from the server: " + reason;
        }
      }
    }
    if (!outcome.failure.empty() || !parser.is_done() || !parser.keep_alive()) Close();
    co_return outcome;
  }

  // Reads the body in blocks into `sink`, straight from the read buffer; empty, or the failure text.
  template <class Stream, class Sink>
  awaitable<std::string> ReadBody(Stream& stream, Parser& parser, Sink sink) {
    std::size_t got = 0;
    auto& take = parser.get().body().take;
    take = [&](const char* data, std::size_t size) {
      sink(data, size);
      got += size;
    };
    std::string failure;
    while (!parser.is_done()) {
      got = 0;
      error_code error;
      idle_.Renew();
      co_await http::async_read_some(stream, buffer_, parser, asio::redirect_error(asio::use_awaitable, error));
      error = Checked(error);
      if (error) {
        failure = FailureText(error, Stage::kTransfer, url_);
        break;
      }
      if (got > 0) Moved(0, got);
    }
    take = nullptr;  // refers to this frame
    co_return failure;
  }

  template <class Stream>
  awaitable<Outcome> ReceiveFile(Stream& stream, Parser& parser, const HttpStep& step, const std::string& utteranceID,
                                 const std::optional<platform::FoundPart>& continued) {
    Outcome outcome;
    const auto& header = parser.get();
    const auto length = parser.content_length();
    const std::string expected = Lower(std::string(header["X-Content-SHA256"]));
    if (parser.chunked() || !length) {
      outcome.failure = InvalidResponse("a file answer without Content-Length");
      co_return outcome;
    }
    if (expected.empty()) {
      outcome.failure = InvalidResponse("a file answer without X-Content-SHA256");
      co_return outcome;
    }
    std::filesystem::path final = step.saveAs;
    if (step.answer == AnswerKind::kNamedFile) {
      const std::string name = DispositionFileName(std::string(header[http::field::content_disposition]));
      if (!servlet_wire::IsDictationFileName(name, utteranceID)) {
        outcome.servletError = "refused file name " + name + " from the server";
        outcome.failure = co_await ReadBody(stream, parser, [](const char*, std::size_t) {});  // nothing is written
        co_return outcome;
      }
      final = step.saveAs / name;
    }
    const std::uint64_t before = continued ? continued->size : 0;  // bytes already in the part
    const std::uint64_t total = before + *length;
    if (total > options_.fileLimit) {
      // Refused before a byte reaches the disk; the connection closes rather than read the rest.
      if (step.answer == AnswerKind::kFile) platform::DiscardResumableParts(final);
      outcome.servletError = "refused " + final.filename().string() + " from the server: " + std::to_string(total) +
                             " bytes, over the limit of " + std::to_string(options_.fileLimit) + " bytes for a file";
      co_return outcome;
    }
    PartSink part(final, step, expected, before);
    std::string writeError = part.IsOpen() ? "" : "Cannot write " + final.string() + ".part: " + std::strerror(part.Error());
    servlet_wire::Sha256 digest;
    // The digest covers the whole file: the bytes kept from before, then the new ones.
    if (writeError.empty() && before > 0 && !HashPrefix(part.Path(), before, digest))
      writeError = "Cannot read " + part.Path().string();
    std::uint64_t written = before;
    outcome.failure = co_await ReadBody(stream, parser, [&](const char* data, std::size_t size) {
      digest.Update(data, size);
      written += size;
      if (writeError.empty() && !part.Write(std::string_view(data, size))) writeError = "Cannot write " + part.Path().string();
    });
    if (writeError.empty() && !part.Close()) writeError = "Cannot write " + part.Path().string();
    if (!writeError.empty()) {
      part.Discard();
      if (outcome.failure.empty()) outcome.servletError = writeError;
      co_return outcome;
    }
    if (!outcome.failure.empty() || written != total) {
      // Cut short: a resumable part keeps what came for the retry.
      part.Abandon();
      if (outcome.failure.empty()) outcome.failure = "(12030) The connection with the server was ended";
      co_return outcome;
    }
    if (SentBeyondTheAnswer()) {
      // What was kept may not be the file: it fails like a checksum (and is fetched again), and
      // the connection, out of step with the server, is not used again.
      part.Discard();
      Close();
      outcome.servletError = "CHECKSUM mismatch in " + final.filename().string() + ": " + kLongerThanAnnounced;
      co_return outcome;
    }
    if (digest.FinishHex() != expected) {
      part.Discard();  // never resumed: its bytes may be the wrong ones
      outcome.servletError = "CHECKSUM mismatch in " + final.filename().string();
      co_return outcome;
    }
    const std::error_code renamed = part.Commit();
    if (renamed) {
      part.Discard();
      outcome.servletError = "Cannot save " + final.string() + ": " + renamed.message();
      co_return outcome;
    }
    if (verified_ && step.answer == AnswerKind::kFile) verified_->Remember(RequestName(step), final, expected);
    FinishFile(step, header);
    co_return outcome;
  }

  // What a saved file answer (or the server's word that the file held is still its file) leaves
  // beside the file: the literal-processing marker and the kept header.
  template <class Header>
  void FinishFile(const HttpStep& step, const Header& header) {
    std::error_code ignored;
    if (!step.literalMarker.empty()) {
      if (Lower(std::string(header["X-Literal-Processed"])) == "true") {
        // An empty marker, made new: a link planted under its name is replaced, not followed.
        platform::TemporaryFile marker(step.literalMarker, ".tmp");
        marker.Commit();
      } else {
        std::filesystem::remove(step.literalMarker, ignored);
      }
    }
    if (!step.headerFile.empty()) KeepHeader(std::string(header[step.headerName]), step.headerFile);
  }

  // The exchange as the record of verified downloads names it: the same server, servlet, query
  // and form ask for the same file.
  std::string RequestName(const HttpStep& step) const {
    return url_.host + ":" + url_.port + url_.path + "?" + step.query + "\n" + step.form;
  }

  // An operation that ended after the idle deadline passed failed by it, as with the stream's own
  // time-out, even when it completed just before the socket was closed.
  error_code Checked(const error_code& error) const { return idle_.Expired() ? error_code(beast::error::timeout) : error; }

  void Moved(std::uint64_t sent, std::uint64_t received) {
    if (moved_) moved_(sent, received);
  }

  asio::io_context& context_;
  HttpOptions options_;
  ServletUrl url_;
  ByteObserver moved_;
  tcp::resolver resolver_;
  asio::steady_timer resolveTimer_;
  IdleDeadline idle_;
  std::shared_ptr<TlsSessions> tlsSessions_;
  std::shared_ptr<VerifiedDownloads> verified_;
  std::string server_;  // the name its TLS sessions are kept under
  std::optional<beast::tcp_stream> plain_;
  std::optional<beast::ssl_stream<beast::tcp_stream>> tls_;
  beast::flat_buffer buffer_;
  bool open_ = false;
  std::uint64_t xmlRoom_ = std::numeric_limits<std::uint64_t>::max();
};

Connection::Connection(asio::io_context& context, HttpOptions options, ServletUrl url, std::shared_ptr<TlsSessions> tlsSessions,
                       std::shared_ptr<VerifiedDownloads> verified)
    : impl_(std::make_unique<Impl>(context, std::move(options), std::move(url), std::move(tlsSessions), std::move(verified))) {}
Connection::~Connection() = default;
bool Connection::Open() const { return impl_->Open(); }
void Connection::Retarget(const ServletUrl& url) { impl_->Retarget(url); }
void Connection::KeepAtMost(std::uint64_t bytes) { impl_->KeepAtMost(bytes); }
void Connection::ObserveBytes(ByteObserver observer) { impl_->ObserveBytes(std::move(observer)); }
bool Connection::Usable() { return impl_->Usable(); }
void Connection::Close() { impl_->Close(); }
awaitable<std::string> Connection::Connect() { return impl_->Connect(); }
awaitable<Outcome> Connection::Exchange(const HttpStep& step, const std::string& authorization, const std::string& utteranceID) {
  return impl_->Exchange(step, authorization, utteranceID);
}

}  // namespace vz::http_client
