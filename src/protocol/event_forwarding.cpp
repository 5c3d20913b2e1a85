#include "protocol/event_forwarding.hpp"

#include <algorithm>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/trace.hpp"
#include "object/class_info.hpp"
#include "protocol/client_connection.hpp"
#include "protocol/value_json.hpp"

namespace vz::protocol {

std::optional<Value> AnswerOfTheSameKind(const Value& current, const Value& answer) {
  try {
    switch (current.GetType()) {
      case Value::Type::Boolean: return Value(answer.ToBoolean());
      case Value::Type::Integer: return Value(answer.ToInteger());
      case Value::Type::Long: return Value(answer.ToLong());
      case Value::Type::Double: return Value(answer.ToDouble());
      case Value::Type::String:
        if (answer.IsObject() || answer.IsArray()) return std::nullopt;
        return Value(answer.ToString());
      default: return answer;
    }
  } catch (const AutomationError&) {
    return std::nullopt;
  }
}

void SessionEventSink::OnEvent(Object& source, const MemberInfo& event, std::span<Value> arguments) {
  const std::shared_ptr<ClientConnection> session = session_.lock();
  if (!session || !session->IsOpen()) return;
  Json args = Json::array();
  for (const Value& argument : arguments) args.push_back(ToJson(argument, session->Handles()));
  Json params{{"source", session->Handles().HandleOf(source.shared_from_this())},
              {"name", event.name},
              {"args", std::move(args)}};
  const bool answerWanted = std::any_of(event.arguments.begin(), event.arguments.end(),
                                        [](const ArgumentInfo& argument) { return argument.byRef; });
  if (!answerWanted || listening_) {
    session->Notify("event", std::move(params));
    return;
  }
  const std::optional<Json> answer = session->AskClient("event", std::move(params));
  if (!answer || !session->IsOpen()) return;
  const Json* finalArgs = answer->is_object() && answer->contains("args") ? &(*answer)["args"] : nullptr;
  if (!finalArgs || !finalArgs->is_array()) return;
  for (std::size_t i = 0; i < arguments.size() && i < finalArgs->size() && i < event.arguments.size(); ++i) {
    if (!event.arguments[i].byRef) continue;
    try {
      const std::optional<Value> value = AnswerOfTheSameKind(arguments[i], FromJson((*finalArgs)[i], session->Handles()));
      if (value) {
        arguments[i] = *value;
      } else {
        GlobalTrace("vzed.Event", "Ignored the answer for " + event.arguments[i].name + " of " + event.name +
                                      ": not of the argument's kind");
      }
    } catch (const ProtocolError& error) {
      GlobalTrace("vzed.Event", "Ignored the answer for " + event.arguments[i].name + ": " + error.Message());
    }
  }
}

}  // namespace vz::protocol
