#include "clientservices/idle_deadline.hpp"

#include <boost/asio/steady_timer.hpp>

#include <utility>

namespace vz::http_client {

struct IdleDeadline::State {
  explicit State(const boost::asio::any_io_executor& executor) : timer(executor) {}

  boost::asio::steady_timer timer;
  Clock::duration limit{};
  Clock::time_point deadline{};
  std::function<void()> expire;
  unsigned generation = 0;  // a wait of an earlier Start does nothing
  bool watching = false;
  bool expired = false;
};

IdleDeadline::IdleDeadline(const boost::asio::any_io_executor& executor) : state_(std::make_shared<State>(executor)) {}

IdleDeadline::~IdleDeadline() { Stop(); }

void IdleDeadline::Start(Clock::duration limit, std::function<void()> expire) {
  State& state = *state_;
  ++state.generation;
  state.limit = limit;
  state.deadline = Clock::now() + limit;
  state.expire = std::move(expire);
  state.watching = true;
  state.expired = false;
  Wait(state_);
}

void IdleDeadline::Renew() { state_->deadline = Clock::now() + state_->limit; }

void IdleDeadline::Stop() {
  if (!state_->watching) return;
  state_->watching = false;
  state_->expire = nullptr;
  state_->timer.cancel();
}

bool IdleDeadline::Expired() const { return state_->expired; }

void IdleDeadline::Wait(const std::shared_ptr<State>& state) {
  state->timer.expires_at(state->deadline);
  state->timer.async_wait([state, generation = state->generation](const boost::system::error_code& error) {
    if (error || generation != state->generation || !state->watching) return;
    if (Clock::now() < state->deadline) return Wait(state);  // moved since: sleep until the new one
    state->watching = false;
    state->expired = true;
    const auto expire = std::move(state->expire);
    if (expire) expire();
  });
}

}  // namespace vz::http_client
