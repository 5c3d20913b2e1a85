#include "diagnostics/prompter.hpp"

namespace vz {
namespace {

std::shared_ptr<Prompter>& Installed() {
  static std::shared_ptr<Prompter> prompter = std::make_shared<HeadlessPrompter>();
  return prompter;
}

}  // namespace

std::optional<int> ScriptedPrompter::Show(const MessageBoxRequest& box) {
  shown_.push_back(box);
  if (onShow) onShow(box);
  if (answers_.empty()) return std::nullopt;
  const std::optional<int> answer = answers_.front();
  answers_.pop_front();
  return answer;
}

Prompter& CurrentPrompter() { return *Installed(); }

void SetPrompter(std::shared_ptr<Prompter> prompter) {
  Installed() = prompter ? std::move(prompter) : std::make_shared<HeadlessPrompter>();
}

}  // namespace vz
