#pragma once
// Forwards the events of an object a connection advised to that connection. An event whose
// arguments are all by value is a notification; one with by-reference arguments is a request, and
// the values the client answers flow back to the raiser (an answer of the wrong kind for an
// argument, or no answer, leaves that argument as it was). A listening connection gets every event
// as a notification: the raiser never waits for it, so a client that stopped reading cannot hold
// up the others.
#include <memory>
#include <optional>

#include "object/event.hpp"

namespace vz::protocol {

class ClientConnection;

class SessionEventSink final : public EventSink {
 public:
  explicit SessionEventSink(std::weak_ptr<ClientConnection> session) : session_(std::move(session)) {}
  void OnEvent(Object& source, const MemberInfo& event, std::span<Value> arguments) override;
  void SetListening(bool listening) { listening_ = listening; }

 private:
  std::weak_ptr<ClientConnection> session_;
  bool listening_ = false;
};

// `answer` converted to the kind of `current` (Boolean, number, string), or nothing when it does
// not convert. Objects, arrays and untyped values are taken as they are.
std::optional<Value> AnswerOfTheSameKind(const Value& current, const Value& answer);

}  // namespace vz::protocol
