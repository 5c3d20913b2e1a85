#include "platform/event_loop.hpp"

#include <cstdint>
#include <utility>

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

namespace vz {

namespace {

// An alarm on an Asio steady timer. Cancelling a steady timer cannot recall a completion that is
// already queued, so each arming gets a number and a completion for an older number is dropped.
class SteadyAlarm : public Alarm {
 public:
  explicit SteadyAlarm(boost::asio::io_context& context) : state_(std::make_shared<State>(context)) {}
  ~SteadyAlarm() override { Cancel(); }

  void Arm(std::chrono::milliseconds delay, std::function<void()> fire) override {
    const std::uint64_t arming = ++state_->arming;
    state_->fire = std::move(fire);
    // The completion may outlive the alarm; it holds the state only weakly.
    auto complete = [weak = std::weak_ptr<State>(state_), arming](const boost::system::error_code& error) {
      const std::shared_ptr<State> state = weak.lock();
      if (!state || error || state->arming != arming) return;
      auto fire = std::move(state->fire);
      state->fire = nullptr;
      fire();
    };
    if (delay <= std::chrono::milliseconds(0)) {
      // Due at once: the next turn of the loop, without a trip through the kernel's timers.
      state_->timer.cancel();
      boost::asio::post(state_->timer.get_executor(), [complete = std::move(complete)] { complete({}); });
      return;
    }
    state_->timer.expires_after(delay);
    state_->timer.async_wait(std::move(complete));
  }

  void Cancel() override {
    ++state_->arming;
    state_->fire = nullptr;
    state_->timer.cancel();
  }

 private:
  struct State {
    explicit State(boost::asio::io_context& context) : timer(context) {}
    boost::asio::steady_timer timer;
    std::uint64_t arming = 0;
    std::function<void()> fire;
  };
  std::shared_ptr<State> state_;
};

class SteadyClock : public Clock {
 public:
  explicit SteadyClock(boost::asio::io_context& context) : context_(context) {}
  std::unique_ptr<Alarm> NewAlarm() override { return std::make_unique<SteadyAlarm>(context_); }

 private:
  boost::asio::io_context& context_;
};

}  // namespace

EventLoop::EventLoop()
    : keepRunning_(boost::asio::make_work_guard(context_)), clock_(std::make_unique<SteadyClock>(context_)) {}

EventLoop::~EventLoop() = default;

void EventLoop::Post(std::function<void()> task) { boost::asio::post(context_, std::move(task)); }

std::size_t EventLoop::Run() { return context_.run(); }

std::size_t EventLoop::RunOne() { return context_.run_one(); }

std::size_t EventLoop::Poll() { return context_.poll(); }

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done() && !context_.stopped()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    context_.run_one_for(deadline - now);
  }
  return done();
}

void EventLoop::Stop() { context_.stop(); }

}  // namespace vz
