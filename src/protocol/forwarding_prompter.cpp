#include "protocol/forwarding_prompter.hpp"

#include "protocol/hub.hpp"
#include "protocol/session.hpp"

namespace vz::protocol {

std::optional<int> ForwardingPrompter::Show(const MessageBoxRequest& box) {
  const std::shared_ptr<Session> session = hub_.PromptingSession();
  if (!session) return std::nullopt;
  const std::optional<Json> answer =
      session->AskClient("messageBox", Json{{"text", box.text}, {"title", box.title}, {"style", box.style}});
  if (!answer || !answer->is_object()) return std::nullopt;
  const auto number = answer->find("answer");
  if (number == answer->end() || !number->is_number_integer()) return std::nullopt;
  const auto value = number->get<std::int64_t>();
  if (value < 1 || value > 7) return std::nullopt;
  return static_cast<int>(value);
}

bool ForwardingPrompter::CanShow() const { return hub_.PromptingSession() != nullptr; }

}  // namespace vz::protocol
