// A call's run: its entries' exchanges on kept-alive connections taken from the pool and given
// back to it as the run ends. The entries of a call that only reads are taken in list order by up
// to `HttpOptions::transfers` lanes, each on a connection of its own; the others by one lane. The
// result is made in list order once every lane has ended, as one lane would have made it.
#include "clientservices/http_call.hpp"

#include <utility>  // Boost.Asio's awaitable.hpp uses std::exchange without including it

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>

#include <algorithm>
#include <limits>

#include "clientservices/connection_pool.hpp"
#include "clientservices/http_connection.hpp"

namespace vz::http_client {

namespace asio = boost::asio;
template <class T>
using awaitable = asio::awaitable<T>;

namespace {

bool MayResend(const HttpStep& step) { return !step.changesState || !step.idempotencyKey.empty(); }

// What became of one entry.
struct EntryOutcome {
  enum class State { kWaiting, kRunning, kDone, kFailed };
  State state = State::kWaiting;
  std::string failure;  // kFailed: the communication failure that ended the call
  std::string error;    // kDone: the entry's own error, as the servlet or the client gave it
  std::string xml;      // kDone: the answer of its last XML step
  std::uint64_t kept = 0;   // the bytes of XML and error answers it holds
  bool overLimit = false;   // its answer did not fit in what the call's limit left it
};

// One connection of the run and the entry it carries.
struct Lane {
  std::unique_ptr<Connection> connection;
  bool reused = false;  // taken from the pool, and no exchange has gone through it yet
  std::size_t entry = 0;
  bool busy = false;
  std::uint64_t sent = 0;      // the body bytes of its entry so far
  std::uint64_t received = 0;
};

class CallRun : public HttpCall, public std::enable_shared_from_this<CallRun> {
 public:
  CallRun(asio::io_context& context, const HttpOptions& options, HttpCallPlan plan, std::function<void(HttpCallResult)> done,
          std::shared_ptr<ConnectionPool> pool, HttpProgress progress)
      : context_(context),
        plan_(std::move(plan)),
        done_(std::move(done)),
        pool_(std::move(pool)),
        progress_(std::move(progress)),
        options_(options),
        outcomes_(plan_.entries.size()) {
    if (!pool_) {
      // A pool of its own keeps nothing after the call.
      pool_ = NewConnectionPool();
      options_.idleConnectionLimit = std::chrono::milliseconds::zero();
    }
    transfer_.entriesListed = plan_.entries.size();
    const std::size_t wanted = plan_.dictationList && plan_.concurrent
                                   ? std::clamp<std::size_t>(std::min(options_.transfers, plan_.entries.size()), 1,
                                                             std::max<std::size_t>(options_.connectionsPerHost, 1))
                                   : 1;
    for (std::size_t index = 0; index < wanted; ++index) {
      // The first lane always has a connection; the others only within the server's bound.
      auto connection = pool_->Take(context_, options_, plan_.url, index == 0);
      if (!connection) break;
      auto lane = std::make_unique<Lane>();
      lane->reused = connection->Open();
      lane->connection = std::move(connection);
      lanes_.push_back(std::move(lane));
    }
  }

  ~CallRun() override {
    for (auto& lane : lanes_) pool_->Give(std::move(lane->connection), plan_.url, options_);
  }

  void Start() {
    running_ = lanes_.size();
    for (auto& lane : lanes_) {
      Lane* own = lane.get();
      if (progress_) {
        own->connection->ObserveBytes([this, own](std::uint64_t sent, std::uint64_t received) {
          own->sent += sent;
          own->received += received;
          transfer_.bytesSent += sent;
          transfer_.bytesReceived += received;
          transfer_.utteranceID = plan_.entries[own->entry].utteranceID;
          Report(false);
        });
      }
      asio::co_spawn(context_, RunLane(shared_from_this(), *own), asio::detached);
    }
  }

  void Cancel() override {
    cancelled_ = true;
    done_ = nullptr;
    progress_ = nullptr;
    for (auto& lane : lanes_)
      if (lane->connection) lane->connection->Close();  // none once it went back to the pool
  }

 private:
  // `keepAlive` holds the call until the lane ends.
  awaitable<void> RunLane([[maybe_unused]] std::shared_ptr<CallRun> keepAlive, Lane& lane) {
    // A communication failure of one entry stops the others from starting; those in flight end.
    while (!cancelled_ && !stopped_ && next_ < plan_.entries.size()) {
      lane.entry = next_++;
      lane.busy = true;
      lane.sent = lane.received = 0;
      outcomes_[lane.entry].state = EntryOutcome::State::kRunning;
      co_await RunEntry(lane);
      lane.busy = false;
      if (cancelled_) co_return;
      if (outcomes_[lane.entry].state == EntryOutcome::State::kDone) {
        ++transfer_.entriesDone;
        transfer_.utteranceID = plan_.entries[lane.entry].utteranceID;
        Report(true);
      }
    }
    if (cancelled_) co_return;
    // Back to the pool at once: the next call, or a lane of this one, may take it.
    pool_->Give(std::move(lane.connection), plan_.url, options_);
    if (--running_ == 0) Finish();
  }

  awaitable<void> RunEntry(Lane& lane) {
    const std::size_t index = lane.entry;
    const HttpEntry& entry = plan_.entries[index];
    EntryOutcome& outcome = outcomes_[index];
    outcome.state = EntryOutcome::State::kDone;
    Connection& connection = *lane.connection;
    for (const HttpStep& step : entry.steps) {
      if (!step.refusal.empty()) {
        outcome.error = step.refusal;
        co_return;
      }
      if (overCallLimit_) {
        outcome.error = "not asked: " + OverCallLimit();
        co_return;
      }
      // A single answer has its own limit; the answers of a dictation list also share one.
      connection.KeepAtMost(!plan_.dictationList ? std::numeric_limits<std::uint64_t>::max() : RoomBefore(index));
      std::string failure;
      Outcome answer;
      if (!connection.Open()) failure = co_await connection.Connect();
      if (cancelled_) co_return;
      if (failure.empty()) {
        answer = co_await connection.Exchange(step, plan_.authorization, entry.utteranceID);
        if (cancelled_) co_return;
        if (lane.reused && answer.unanswered && MayResend(step)) {
          // The server closed the kept connection just as this call took it: send again once,
          // on a new connection. It may have done the call before it closed: a call that
          // changes state goes again only with its idempotency key, so that the servlet
          // answers the repeat with its first answer instead of doing it twice.
          failure = co_await connection.Connect();
          if (cancelled_) co_return;
          if (failure.empty()) answer = co_await connection.Exchange(step, plan_.authorization, entry.utteranceID);
          if (cancelled_) co_return;
        }
        lane.reused = false;
        if (failure.empty()) failure = answer.failure;
      }
      if (!failure.empty()) {
        outcome.state = EntryOutcome::State::kFailed;
        outcome.failure = failure;
        stopped_ = true;
        co_return;
      }
      if (answer.overCallLimit) {
        // Past the limit every later entry fails too, without a word to the server.
        outcome.overLimit = true;
        overCallLimit_ = true;
        co_return;
      }
      outcome.kept += answer.body.size() + answer.servletError.size();
      xmlKept_ += answer.body.size() + answer.servletError.size();
      // Answers in flight together may pass the limit where each stayed within it: no more start,
      // and the result (Finish) counts them in list order.
      if (plan_.dictationList && xmlKept_ > options_.xmlCallLimit) overCallLimit_ = true;
      if (!answer.servletError.empty()) {
        outcome.error = answer.servletError;
        co_return;
      }
      if (step.answer == AnswerKind::kXml) outcome.xml = std::move(answer.body);
    }
  }

  // The result in list order: the entries up to the first that failed to communicate (which
  // ends the call), as one lane would have left them. Entries finished beyond it are not
  // reported; the files they saved stay, and asking for them again does not move them again.
  void Finish() {
    HttpCallResult result;
    const std::size_t count = plan_.entries.size();
    if (plan_.dictationList) {
      result.errorArray.assign(count, std::string());
      result.responses.assign(count, std::string());
    }
    if (plan_.dictationList) ApplyCallLimitInListOrder();
    for (std::size_t index = 0; index < count; ++index) {
      EntryOutcome& outcome = outcomes_[index];
      if (outcome.state == EntryOutcome::State::kFailed) {
        RecordError(result, index, outcome.failure, false);
        break;
      }
      if (outcome.state != EntryOutcome::State::kDone) break;
      if (!outcome.error.empty()) RecordError(result, index, outcome.error, true);
      if (plan_.dictationList) {
        result.responses[index] = std::move(outcome.xml);
        result.completed.push_back(plan_.entries[index].utteranceID);
      } else {
        result.xml = std::move(outcome.xml);
      }
    }
    if (auto done = std::move(done_)) done(std::move(result));
  }

  void Report(bool entryDone) {
    if (!progress_) return;
    transfer_.entryDone = entryDone;
    transfer_.inFlight.clear();
    if (plan_.dictationList) {
      std::vector<const Lane*> busy;
      for (const auto& lane : lanes_)
        if (lane->busy) busy.push_back(lane.get());
      std::sort(busy.begin(), busy.end(), [](const Lane* a, const Lane* b) { return a->entry < b->entry; });
      for (const Lane* lane : busy) transfer_.inFlight.push_back({plan_.entries[lane->entry].utteranceID, lane->sent, lane->received});
    }
    const HttpProgress progress = progress_;  // whoever is told may cancel the call
    progress(transfer_);
  }

  // What the call's limit leaves an answer for entry `index`: the limit less the answers of the
  // entries before it that are done. Those still in flight may take more, which Finish counts;
  // one at a time it is exactly what is left.
  std::uint64_t RoomBefore(std::size_t index) const {
    std::uint64_t before = 0;
    for (std::size_t earlier = 0; earlier < index; ++earlier)
      if (outcomes_[earlier].state == EntryOutcome::State::kDone) before += outcomes_[earlier].kept;
    return before < options_.xmlCallLimit ? options_.xmlCallLimit - before : 0;
  }

  // The call's limit on XML answers, counted in list order as one lane would have met it: the
  // first answer past it is refused, every later entry not asked.
  void ApplyCallLimitInListOrder() {
    std::uint64_t kept = 0;
    bool passed = false;
    for (EntryOutcome& outcome : outcomes_) {
      if (outcome.state != EntryOutcome::State::kDone) break;
      if (passed) {
        outcome = EntryOutcome{EntryOutcome::State::kDone, "", "not asked: " + OverCallLimit(), "", 0, false};
        continue;
      }
      if (outcome.overLimit || kept + outcome.kept > options_.xmlCallLimit) {
        passed = true;
        outcome = EntryOutcome{EntryOutcome::State::kDone, "", "refused the answer from the server: " + OverCallLimit(), "", 0, true};
        continue;
      }
      kept += outcome.kept;
    }
  }

  std::string OverCallLimit() const {
    return "over the limit of " + std::to_string(options_.xmlCallLimit) + " bytes of XML answers for one call";
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

  asio::io_context& context_;
  HttpCallPlan plan_;
  std::function<void(HttpCallResult)> done_;
  std::shared_ptr<ConnectionPool> pool_;
  HttpProgress progress_;
  HttpOptions options_;
  std::vector<std::unique_ptr<Lane>> lanes_;
  std::vector<EntryOutcome> outcomes_;  // by index of the plan's entries
  std::size_t next_ = 0;                // the next entry a lane takes
  std::size_t running_ = 0;             // lanes not yet ended
  bool stopped_ = false;                // an entry failed to communicate: no more start
  bool cancelled_ = false;
  TransferProgress transfer_;
  // The XML and error answers the call holds, in all; past their limit no entry starts.
  std::uint64_t xmlKept_ = 0;
  bool overCallLimit_ = false;
};

}  // namespace

std::shared_ptr<HttpCall> StartHttpCall(asio::io_context& context, const HttpOptions& options, HttpCallPlan plan,
                                        std::function<void(HttpCallResult)> done, std::shared_ptr<ConnectionPool> pool,
                                        HttpProgress progress) {
  auto call = std::make_shared<CallRun>(context, options, std::move(plan), std::move(done), std::move(pool), std::move(progress));
  call->Start();
  return call;
}

}  // namespace vz::http_client
