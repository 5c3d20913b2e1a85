// A call's run: its entries' exchanges one after the other on one kept-alive connection, taken
// from the pool and given back to it when the call ends.
#include "clientservices/http_call.hpp"

#include <utility>  // Boost.Asio's awaitable.hpp uses std::exchange without including it

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>

#include <limits>

#include "clientservices/connection_pool.hpp"
#include "clientservices/http_connection.hpp"

namespace vz::http_client {

namespace asio = boost::asio;
template <class T>
using awaitable = asio::awaitable<T>;

namespace {

bool MayResend(const HttpStep& step) { return !step.changesState || !step.idempotencyKey.empty(); }

class CallRun : public HttpCall {
 public:
  CallRun(asio::io_context& context, const HttpOptions& options, HttpCallPlan plan, std::function<void(HttpCallResult)> done,
          std::shared_ptr<ConnectionPool> pool, HttpProgress progress)
      : plan_(std::move(plan)),
        done_(std::move(done)),
        pool_(std::move(pool)),
        progress_(std::move(progress)),
        options_(options),
        xmlCallLimit_(options.xmlCallLimit) {
    if (!pool_) pool_ = NewConnectionPool();
    connection_ = pool_->Take(context, options_, plan_.url, true);
    reused_ = connection_->Open();
    if (progress_) {
      transfer_.entriesListed = plan_.entries.size();
      connection_->ObserveBytes([this](std::uint64_t sent, std::uint64_t received) {
        transfer_.bytesSent += sent;
        transfer_.bytesReceived += received;
        Report(false);
      });
    }
  }

  void Cancel() override {
    cancelled_ = true;
    done_ = nullptr;
    progress_ = nullptr;
    if (connection_) connection_->Close();  // none once it went back to the pool
  }

  // `keepAlive` holds the call until the coroutine ends.
  awaitable<void> Run([[maybe_unused]] std::shared_ptr<CallRun> keepAlive) {
    HttpCallResult result;
    const std::size_t count = plan_.entries.size();
    if (plan_.dictationList) {
      result.errorArray.assign(count, std::string());
      result.responses.assign(count, std::string());
    }
    bool stopped = false;
    for (std::size_t index = 0; index < count && !stopped; ++index) {
      const HttpEntry& entry = plan_.entries[index];
      transfer_.utteranceID = entry.utteranceID;
      for (const HttpStep& step : entry.steps) {
        if (!step.refusal.empty()) {
          RecordError(result, index, step.refusal, true);
          break;
        }
        if (overCallLimit_) {
          RecordError(result, index, "not asked: " + OverCallLimit(), true);
          break;
        }
        // A single answer has its own limit; the answers of a dictation list also share one.
        connection_->KeepAtMost(!plan_.dictationList ? std::numeric_limits<std::uint64_t>::max()
                                : xmlKept_ < xmlCallLimit_ ? xmlCallLimit_ - xmlKept_ : 0);
        std::string failure;
        Outcome outcome;
        if (!connection_->Open()) failure = co_await connection_->Connect();
        if (cancelled_) co_return;
        if (failure.empty()) {
          outcome = co_await connection_->Exchange(step, plan_.authorization, entry.utteranceID);
          if (cancelled_) co_return;
          if (reused_ && outcome.unanswered && MayResend(step)) {
            // The server closed the kept connection just as this call took it: send again once,
            // on a new connection. It may have done the call before it closed: a call that
            // changes state goes again only with its idempotency key, so that the servlet
            // answers the repeat with its first answer instead of doing it twice.
            failure = co_await connection_->Connect();
            if (cancelled_) co_return;
            if (failure.empty()) outcome = co_await connection_->Exchange(step, plan_.authorization, entry.utteranceID);
            if (cancelled_) co_return;
          }
          reused_ = false;
          if (failure.empty()) failure = outcome.failure;
        }
        if (!failure.empty()) {
          RecordError(result, index, failure, false);
          stopped = true;
          break;
        }
        if (outcome.overCallLimit) {
          // Past the limit every later entry fails too, without a word to the server.
          overCallLimit_ = true;
          RecordError(result, index, "refused the answer from the server: " + OverCallLimit(), true);
          break;
        }
        xmlKept_ += outcome.body.size() + outcome.servletError.size();
        if (!outcome.servletError.empty()) {
          RecordError(result, index, outcome.servletError, true);
          break;
        }
        if (step.answer == AnswerKind::kXml) {
          if (plan_.dictationList) result.responses[index] = outcome.body;
          else result.xml = outcome.body;
        }
      }
      if (!stopped && plan_.dictationList) result.completed.push_back(entry.utteranceID);
      if (!stopped) {
        ++transfer_.entriesDone;
        Report(true);
      }
    }
    pool_->Give(std::move(connection_), plan_.url, options_);
    if (auto done = std::move(done_)) done(std::move(result));
  }

 private:
  void Report(bool entryDone) {
    if (!progress_) return;
    transfer_.entryDone = entryDone;
    const HttpProgress progress = progress_;  // whoever is told may cancel the call
    progress(transfer_);
  }

  std::string OverCallLimit() const {
    return "over the limit of " + std::to_string(xmlCallLimit_) + " bytes of XML answers for one call";
  }

  void RecordError(HttpCallResult& result, std::size_t index, const std::string& text, bool forDictation) {
    result.errors = true;
    if (!plan_.dictationList) {
      result.errorMessage = text;
      result.errorArray = {text};
      return;
    }
    const HttpEntry& entry = plan_.entries[index];
    if (forDictation && index < plan_.fileNames.size()) result.errorArray[index] = "File " + plan_.fileNames[index] + ": " + text;
    else result.errorArray[index] = forDictation ? DictationErrorText(entry.utteranceID, text, entry.documentVersion) : text;
    if (!forDictation) result.errorMessage = text;
  }

  HttpCallPlan plan_;
  std::function<void(HttpCallResult)> done_;
  std::shared_ptr<ConnectionPool> pool_;
  HttpOptions options_;
  std::unique_ptr<Connection> connection_;
  bool reused_ = false;  // taken from the pool, and no exchange has gone through it yet
  bool cancelled_ = false;
  HttpProgress progress_;
  TransferProgress transfer_;
  // The XML and error answers the call holds, counted against their limit.
  std::uint64_t xmlCallLimit_;
  std::uint64_t xmlKept_ = 0;
  bool overCallLimit_ = false;
};

}  // namespace

std::shared_ptr<HttpCall> StartHttpCall(asio::io_context& context, const HttpOptions& options, HttpCallPlan plan,
                                        std::function<void(HttpCallResult)> done, std::shared_ptr<ConnectionPool> pool,
                                        HttpProgress progress) {
  auto call = std::make_shared<CallRun>(context, options, std::move(plan), std::move(done), std::move(pool), std::move(progress));
  asio::co_spawn(context, call->Run(call), asio::detached);
  return call;
}

}  // namespace vz::http_client
