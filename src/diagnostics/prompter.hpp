#pragma once
// Who answers a message box. The server has no screen: a box is forwarded to a client that
// handles prompts, or answered headless as a box that may not be shown. Tests script answers.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vz {

struct MessageBoxRequest {
  std::string text;
  std::string title;
  int style = 0;
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // The user's answer (1 OK ... 7 No), or nothing when the box could not be shown.
  virtual std::optional<int> Show(const MessageBoxRequest& box) = 0;
  // Whether someone is there to be shown a box now (a box may still go unanswered).
  virtual bool CanShow() const { return true; }
};

// No one to ask: every box counts as not shown.
class HeadlessPrompter final : public Prompter {
 public:
  std::optional<int> Show(const MessageBoxRequest&) override { return std::nullopt; }
  bool CanShow() const override { return false; }
};

// Answers from a script, in order, and remembers every box it was shown. When the script runs
// out, boxes count as not shown. `onShow` runs before the answer is taken (to test re-entry).
class ScriptedPrompter final : public Prompter {
 public:
  explicit ScriptedPrompter(std::deque<std::optional<int>> answers = {}) : answers_(std::move(answers)) {}
  std::optional<int> Show(const MessageBoxRequest& box) override;

  void Answer(std::optional<int> answer) { answers_.push_back(answer); }
  const std::vector<MessageBoxRequest>& Shown() const { return shown_; }
  std::function<void(const MessageBoxRequest&)> onShow;

 private:
  std::deque<std::optional<int>> answers_;
  std::vector<MessageBoxRequest> shown_;
};

// The process's prompter; headless until someone installs another. Passing nullptr restores it.
Prompter& CurrentPrompter();
void SetPrompter(std::shared_ptr<Prompter> prompter);

}  // namespace vz
