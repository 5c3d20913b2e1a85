#include "protocol/hub.hpp"

#include <algorithm>

#include "diagnostics/trace.hpp"
#include "protocol/automation_methods.hpp"
#include "protocol/session.hpp"

namespace vz::protocol {

Hub::Hub(EventLoop& loop, HubOptions options) : loop_(loop), options_(std::move(options)) {}

Json Hub::ServeMethod(Session& session, std::string_view method, const Json& params) {
  return protocol::ServeMethod(session, method, params);
}

Hub::~Hub() {
  // A session must not outlive its hub while open: close what is left without waiting.
  const auto sessions = sessions_;
  for (const auto& session : sessions) session->CloseNow();
}

std::shared_ptr<Session> Hub::Attach(std::shared_ptr<transport::LineChannel> channel) {
  auto session = std::make_shared<Session>(*this, std::move(channel), nextNumber_++);
  sessions_.push_back(session);
  GlobalTrace("vzed.Hub", "Session " + std::to_string(session->Number()) + " opened");
  session->Start();
  if (options_.onConnectionCount) options_.onConnectionCount(sessions_.size());
  return session;
}

void Hub::Detach(const Session& session) {
  std::erase_if(prompting_, [&](const std::weak_ptr<Session>& weak) {
    const auto held = weak.lock();
    return !held || held.get() == &session;
  });
  // Erasing may drop the last reference; the caller keeps the session alive until it returns.
  const auto before = sessions_.size();
  std::erase_if(sessions_, [&](const std::shared_ptr<Session>& held) { return held.get() == &session; });
  if (sessions_.size() != before && options_.onConnectionCount) options_.onConnectionCount(sessions_.size());
}

void Hub::KeepWithinBacklogBudget() {
  for (;;) {
    std::size_t total = 0;
    std::shared_ptr<Session> largest;
    for (const auto& session : sessions_) {
      const std::size_t backlog = session->Backlog();
      total += backlog;
      if (!largest || backlog > largest->Backlog()) largest = session;
    }
    if (total <= options_.maxTotalBacklog || !largest || largest->Backlog() == 0) return;
    GlobalTrace("vzed.Hub", "Session " + std::to_string(largest->Number()) + ": " + std::to_string(largest->Backlog()) +
                                " bytes unread, the most of all clients, whose backlogs together pass " +
                                std::to_string(options_.maxTotalBacklog) + " bytes; closing");
    largest->CloseNow();
  }
}

void Hub::CloseAll() {
  const auto sessions = sessions_;
  for (const auto& session : sessions) session->CloseAfterFlush();
}

std::shared_ptr<Session> Hub::PromptingSession() const {
  for (const auto& weak : prompting_) {
    if (auto session = weak.lock(); session && session->IsOpen()) return session;
  }
  return nullptr;
}

void Hub::SetPrompting(const Session& session, bool prompts) {
  const auto listed = std::find_if(prompting_.begin(), prompting_.end(), [&](const std::weak_ptr<Session>& weak) {
    return weak.lock().get() == &session;
  });
  if (prompts && listed == prompting_.end()) {
    for (const auto& held : sessions_) {
      if (held.get() == &session) prompting_.push_back(held);
    }
  } else if (!prompts && listed != prompting_.end()) {
    prompting_.erase(listed);
  }
}

}  // namespace vz::protocol
