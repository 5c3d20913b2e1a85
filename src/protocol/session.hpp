#pragma once
// One client connection: its handle table, its event subscriptions, and the order in which its
// messages are served.
//
// Requests are answered in the order they arrive. While the server waits for this client's answer
// to an event or a message box, the client's requests are served at once (its handler may need
// them to answer: reading a request's results, say); while the server waits for another client,
// this client's requests wait their turn. A batch (an array of messages on one line) takes one
// turn: its requests run in order and their answers go out together, as one array.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "object/object.hpp"
#include "protocol/client_connection.hpp"
#include "protocol/handle_table.hpp"
#include "protocol/json_rpc.hpp"
#include "protocol/json_text.hpp"
#include "protocol/session_owner.hpp"
#include "transport/line_channel.hpp"

namespace vz::protocol {

class SessionEventSink;

class Session final : public ClientConnection, public std::enable_shared_from_this<Session> {
 public:
  Session(SessionOwner& owner, std::shared_ptr<transport::LineChannel> channel, std::uint64_t number);
  ~Session();

  void Start();
  bool IsOpen() const override { return open_; }
  std::uint64_t Number() const { return number_; }
  // Bytes sent to the client that it has not read yet.
  std::size_t Backlog() const { return channel_->QueuedBytes(); }
  void CloseAfterFlush();
  // Closes at once, dropping unsent answers.
  void CloseNow();

  // Sends a request to the client and serves the loop until the client answers, the event
  // timeout passes or the connection ends. The answer's result, or nothing.
  std::optional<Json> AskClient(std::string_view method, Json params) override;
  void Notify(std::string_view method, Json params) override;

  HandleTable& Handles() override { return handles_; }
  SessionOwner& Owner() { return owner_; }

  // Event subscriptions of this connection. A listening one hears every event as a notification
  // and is never waited for; its by-reference arguments are left to the other subscribers.
  enum class Subscription { kAnswering, kListening };
  void Advise(const ObjectRef& object, Subscription subscription, bool prompts);
  void Unadvise(const ObjectRef& object);
  // Whether this connection hears the progress notifications of the requests.
  void WatchProgress(bool enabled) { watchesProgress_ = enabled; }
  bool WatchesProgress() const { return open_ && watchesProgress_; }

 private:
  // What one line brought to be served in turn: one message, or the requests and notifications of
  // a batch.
  struct Turn {
    std::vector<Message> messages;
    bool batch = false;
  };

  void OnLine(std::string line);
  void OnBatch(JsonText text);
  void Enqueue(Turn turn);
  void OnAnswer(const Message& message);
  // A message whose text broke a limit. True when it still goes through the queue (a request,
  // to be answered with its refusal in its turn; in a batch, also an invalid member).
  bool Refuse(Message& message, JsonText::Fault fault, bool inBatch);
  void Serve(Turn turn);
  // Runs one request or notification; the answer a request gets.
  std::optional<Json> Answer(Message message);
  void ServeQueued();
  void Send(std::string line);
  void OnClosed();

  SessionOwner& owner_;
  std::shared_ptr<transport::LineChannel> channel_;
  std::uint64_t number_;
  bool open_ = true;
  HandleTable handles_;
  std::unordered_map<const Object*, std::shared_ptr<SessionEventSink>> sinks_;
  // Requests waiting for the one being served.
  std::deque<Turn> queued_;
  int serving_ = 0;
  // Questions to the client still unanswered, by id; filled in when the answer comes.
  std::int64_t nextQuestion_ = 1;
  struct Question {
    bool answered = false;
    std::optional<Json> result;  // nothing when the client answered with an error
  };
  std::map<std::int64_t, Question> questions_;
  int waitingForAnswer_ = 0;
  // Lines received from the client so far: while it answers a question, each one is a sign of life.
  std::uint64_t linesHeard_ = 0;
  bool watchesProgress_ = false;
};

}  // namespace vz::protocol
