#include "protocol/session.hpp"

#include "diagnostics/automation_error.hpp"
#include "diagnostics/trace.hpp"
#include "object/standard_errors.hpp"
#include "protocol/event_forwarding.hpp"
#include "protocol/json_text.hpp"
#include "protocol/redaction.hpp"

namespace vz::protocol {
namespace {

constexpr std::string_view kWhere = "vzed.Session";

std::string TooDeepText() {
  return "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels of arrays and objects";
}

// Makes `message` one that is answered with this error in its turn, without running.
void RefuseInTurn(Message& message, int code, std::string text) {
  message.kind = Message::Kind::Request;
  message.refusalCode = code;
  message.refusal = std::move(text);
}

}  // namespace

Session::Session(SessionOwner& owner, std::shared_ptr<transport::LineChannel> channel, std::uint64_t number)
    : owner_(owner), channel_(std::move(channel)), number_(number) {}

Session::~Session() = default;

void Session::Start() {
  std::weak_ptr<Session> weak = weak_from_this();
  channel_->Start({
      .onLine =
          [weak](std::string line) {
            if (const auto self = weak.lock()) self->OnLine(std::move(line));
          },
      .onOverflow =
          [weak] {
            if (const auto self = weak.lock()) {
              GlobalTrace(kWhere, "Session " + std::to_string(self->number_) + ": line over the size limit; closing");
              self->channel_->Send(ErrorLine(nullptr, kInvalidRequest, "line over the size limit of 16 MiB; closing the connection"));
            }
          },
      .onClosed =
          [weak] {
            if (const auto self = weak.lock()) self->OnClosed();
          },
  });
}

void Session::CloseAfterFlush() { channel_->CloseAfterFlush(); }

void Session::CloseNow() { channel_->Close(); }

void Session::Send(std::string line) {
  if (!open_) return;
  channel_->Send(std::move(line));
  if (channel_->QueuedBytes() > owner_.Options().maxClientBacklog) {
    GlobalTrace(kWhere, "Session " + std::to_string(number_) + ": the client does not read its answers; closing");
    channel_->Close();
    return;
  }
  owner_.KeepWithinBacklogBudget();
}

void Session::OnLine(std::string line) {
  const std::shared_ptr<Session> keepAlive = shared_from_this();
  ++linesHeard_;
  JsonText text = ReadJsonText(line);
  if (text.fault == JsonText::Fault::kNotJson) {
    Send(ErrorLine(nullptr, kParseError, "parse error: the line is not JSON"));
    return;
  }
  if (text.IsBatch()) {
    OnBatch(std::move(text));
    return;
  }
  Message message = Classify(std::move(text.json));
  if (text.fault != JsonText::Fault::kNone && !Refuse(message, text.fault, false)) return;
  switch (message.kind) {
    case Message::Kind::Invalid:
      Send(ErrorLine(message.id, kInvalidRequest, "invalid request: " + message.fault));
      return;
    case Message::Kind::Response:
      OnAnswer(message);
      return;
    case Message::Kind::Request:
    case Message::Kind::Notification:
      break;
  }
  Turn turn;
  turn.messages.push_back(std::move(message));
  Enqueue(std::move(turn));
}

void Session::OnBatch(JsonText text) {
  if (text.json.empty()) {
    Send(ErrorLine(nullptr, kInvalidRequest, "invalid request: an empty batch"));
    return;
  }
  if (text.json.size() > kMaxBatchMessages) {
    Send(ErrorLine(nullptr, kInvalidRequest,
                   "invalid request: a batch may hold at most " + std::to_string(kMaxBatchMessages) + " messages"));
    return;
  }
  Turn turn;
  turn.batch = true;
  for (std::size_t i = 0; i < text.json.size(); ++i) {
    Message message = Classify(std::move(text.json[i]));
    if (text.memberFaults[i] != JsonText::Fault::kNone && !Refuse(message, text.memberFaults[i], true)) continue;
    switch (message.kind) {
      case Message::Kind::Invalid:
        // Answered in its place among the batch's answers.
        RefuseInTurn(message, kInvalidRequest, "invalid request: " + message.fault);
        break;
      case Message::Kind::Response:
        // An answer to one of the server's questions counts at once, as when sent alone.
        OnAnswer(message);
        continue;
      case Message::Kind::Request:
      case Message::Kind::Notification:
        break;
    }
    turn.messages.push_back(std::move(message));
  }
  // Only notifications and answers: nothing to answer.
  if (!turn.messages.empty()) Enqueue(std::move(turn));
}

void Session::Enqueue(Turn turn) {
  // A request arriving while an earlier one is served waits for it, unless the server is
  // waiting for this client to answer: then the client's handler may need it.
  if ((serving_ > 0 && waitingForAnswer_ == 0) || !queued_.empty()) {
    queued_.push_back(std::move(turn));
    if (serving_ == 0 || waitingForAnswer_ > 0) ServeQueued();
    return;
  }
  Serve(std::move(turn));
  ServeQueued();
}

bool Session::Refuse(Message& message, JsonText::Fault fault, bool inBatch) {
  const bool tooDeep = fault == JsonText::Fault::kTooDeep;
  const int code = tooDeep ? static_cast<int>(kInvalidRequest) : static_cast<int>(kErrOverflow);
  const std::string why = tooDeep ? TooDeepText() : "a number beyond the range of a Double";
  switch (message.kind) {
    case Message::Kind::Request:
      RefuseInTurn(message, code, tooDeep ? "invalid request: " + why : StandardErrorText(kErrOverflow));
      return true;
    case Message::Kind::Notification:
      GlobalTrace(kWhere, "Session " + std::to_string(number_) + ": ignored a notification " + why);
      return false;
    case Message::Kind::Response: {
      // The question counts as answered without a result: the event's arguments stay as they
      // were. A JSON-RPC answer gets no answer, so the error goes out with id null.
      const Json answerTo = message.id;
      GlobalTrace(kWhere, "Session " + std::to_string(number_) + ": refused the answer to " + answerTo.dump() + ", " + why);
      message.result = nullptr;
      message.error = Json{{"code", code}};
      OnAnswer(message);
      Send(ErrorLine(nullptr, code, "the answer to request " + answerTo.dump() + " was refused: " + why +
                                        "; its arguments stay as they were",
                     Json{{"answerTo", answerTo}}));
      return false;
    }
    case Message::Kind::Invalid:
      if (inBatch) {
        RefuseInTurn(message, kInvalidRequest, "invalid request: " + why);
        return true;
      }
      Send(ErrorLine(message.id, kInvalidRequest, "invalid request: " + why));
      return false;
  }
  return false;
}

void Session::ServeQueued() {
  while (open_ && !queued_.empty() && (serving_ == 0 || waitingForAnswer_ > 0)) {
    Turn next = std::move(queued_.front());
    queued_.pop_front();
    Serve(std::move(next));
  }
}

void Session::Serve(Turn turn) {
  ++serving_;
  if (!turn.batch) {
    if (std::optional<Json> answer = Answer(std::move(turn.messages.front()))) Send(Serialize(*answer));
    --serving_;
    return;
  }
  // The answers are gathered into one line; a batch whose answers outgrow what the client may
  // leave unread is cut off like a client that does not read.
  std::string answers;
  for (Message& message : turn.messages) {
    if (!open_) break;
    const std::optional<Json> answer = Answer(std::move(message));
    if (!answer) continue;
    answers += answers.empty() ? '[' : ',';
    answers += Serialize(*answer);
    if (answers.size() > owner_.Options().maxClientBacklog) {
      GlobalTrace(kWhere, "Session " + std::to_string(number_) + ": the answers of a batch pass the client's backlog; closing");
      channel_->Close();
      answers.clear();
      break;
    }
  }
  if (!answers.empty()) Send(answers + ']');
  --serving_;
}

std::optional<Json> Session::Answer(Message message) {
  if (TraceLevel() >= kTraceDetail) {
    Json shown{{"method", message.method}, {"params", message.params}};
    GlobalTrace(kWhere, "Session " + std::to_string(number_) + " <- " + RedactedText(shown), kTraceDetail);
  }
  const bool wanted = message.kind == Message::Kind::Request;
  if (message.refusalCode != 0) return ErrorObject(message.id, message.refusalCode, message.refusal);
  try {
    Json result = owner_.ServeMethod(*this, message.method, message.params);
    if (wanted) return ResultObject(message.id, std::move(result));
  } catch (const ProtocolError& error) {
    if (wanted) return ErrorObject(message.id, error.Code(), error.Message());
  } catch (...) {
    const AutomationError error = CurrentErrorAsAutomationError();
    if (wanted) return ErrorObject(message.id, static_cast<int>(error.Number()), error.Description(), Json{{"source", error.Source()}});
  }
  return std::nullopt;
}

void Session::OnAnswer(const Message& message) {
  if (!message.id.is_number_integer()) return;
  const auto question = questions_.find(message.id.get<std::int64_t>());
  if (question == questions_.end() || question->second.answered) return;  // late or unknown: ignored
  question->second.answered = true;
  if (message.error.is_null()) question->second.result = message.result;
}

std::optional<Json> Session::AskClient(std::string_view method, Json params) {
  if (!open_) return std::nullopt;
  const std::shared_ptr<Session> keepAlive = shared_from_this();
  const std::int64_t id = nextQuestion_++;
  questions_[id] = {};
  Send(RequestLine(id, method, std::move(params)));
  ++waitingForAnswer_;
  // Requests this client sent while the server was busy may be what its handler waits on.
  ServeQueued();
  // The time-out counts the client's silence: a handler that is still calling the server (reading
  // the results of a large request, say) is busy answering, however long that takes.
  for (;;) {
    const std::uint64_t heard = linesHeard_;
    const bool stirred = owner_.Loop().RunUntil(
        [&] { return !open_ || questions_[id].answered || linesHeard_ != heard; }, owner_.Options().eventTimeout);
    if (!stirred || !open_ || questions_[id].answered) break;
  }
  --waitingForAnswer_;
  Question question = std::move(questions_[id]);
  questions_.erase(id);
  if (!question.answered) {
    GlobalTrace(kWhere, "Session " + std::to_string(number_) + ": no answer to " + std::string(method) +
                            (open_ ? " within the event timeout" : " before the connection ended"));
  }
  return question.result;
}

void Session::Notify(std::string_view method, Json params) { Send(NotificationLine(method, std::move(params))); }

void Session::Advise(const ObjectRef& object, Subscription subscription, bool prompts) {
  auto& sink = sinks_[object.get()];
  if (!sink) sink = std::make_shared<SessionEventSink>(weak_from_this());
  sink->SetListening(subscription == Subscription::kListening);
  try {
    object->Advise(sink);
  } catch (...) {
    sinks_.erase(object.get());
    throw;
  }
  owner_.SetPrompting(*this, prompts);
}

void Session::Unadvise(const ObjectRef& object) {
  const auto found = sinks_.find(object.get());
  if (found != sinks_.end()) {
    object->Unadvise(*found->second);
    sinks_.erase(found);
  }
  if (sinks_.empty()) owner_.SetPrompting(*this, false);
}

void Session::OnClosed() {
  if (!open_) return;
  open_ = false;
  const std::shared_ptr<Session> keepAlive = shared_from_this();
  GlobalTrace(kWhere, "Session " + std::to_string(number_) + " closed");
  queued_.clear();
  sinks_.clear();
  handles_.Clear();
  owner_.Detach(*this);
}

}  // namespace vz::protocol
