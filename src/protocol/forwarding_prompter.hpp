#pragma once
// Message boxes go to the first connection that advised with prompts, as a "messageBox" request.
// Without such a connection, or without an answer from 1 (OK) to 7 (No) within the event timeout,
// the box counts as not shown.
#include "diagnostics/prompter.hpp"

namespace vz::protocol {

class Hub;

class ForwardingPrompter final : public Prompter {
 public:
  explicit ForwardingPrompter(Hub& hub) : hub_(hub) {}
  std::optional<int> Show(const MessageBoxRequest& box) override;
  bool CanShow() const override;

 private:
  Hub& hub_;
};

}  // namespace vz::protocol
