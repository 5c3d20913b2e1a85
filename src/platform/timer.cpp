#include "platform/timer.hpp"

#include <stdexcept>
#include <utility>

namespace vz {

// Kept in shared state so that a tick can finish safely when its handler destroys the Timer.
struct Timer::State : std::enable_shared_from_this<State> {
  std::unique_ptr<Alarm> alarm;
  std::chrono::milliseconds interval{0};
  // Shared so that a tick keeps running the handler it started with when the handler is replaced.
  std::shared_ptr<TickHandler> onTick;
  bool enabled = false;
  bool ticking = false;
  bool tickDue = false;  // a tick's time came while the previous tick was running

  void Arm(std::chrono::milliseconds delay) {
    // The alarm belongs to this state and never fires after it is gone.
    alarm->Arm(delay, [this] { OnAlarm(); });
  }

  void OnAlarm() {
    if (!enabled) return;
    if (ticking) {
      tickDue = true;  // delivered when the running tick returns
      return;
    }
    Arm(interval);  // the countdown to the next tick runs while this one is delivered
    Tick();
  }

  void Tick() {
    const auto keepAlive = shared_from_this();
    const auto handler = onTick;
    ticking = true;
    try {
      if (handler && *handler) (*handler)();
    } catch (...) {
      AfterTick();
      throw;
    }
    AfterTick();
  }

  void AfterTick() {
    ticking = false;
    if (tickDue && enabled) Arm(std::chrono::milliseconds(0));
    tickDue = false;
  }
};

Timer::Timer(Clock& clock, std::chrono::milliseconds interval, TickHandler onTick) : state_(std::make_shared<State>()) {
  if (interval.count() < 0) throw std::invalid_argument("a timer interval cannot be negative");
  state_->alarm = clock.NewAlarm();
  state_->interval = interval;
  state_->onTick = std::make_shared<TickHandler>(std::move(onTick));
}

Timer::~Timer() {
  // A tick in progress still holds the state; it finds the timer disabled and arms nothing.
  state_->enabled = false;
  state_->alarm->Cancel();
}

bool Timer::Enabled() const { return state_->enabled; }

void Timer::SetEnabled(bool enabled) {
  if (enabled == state_->enabled) return;
  state_->enabled = enabled;
  state_->tickDue = false;
  if (enabled) {
    state_->Arm(state_->interval);
  } else {
    state_->alarm->Cancel();
  }
}

std::chrono::milliseconds Timer::Interval() const { return state_->interval; }

void Timer::SetInterval(std::chrono::milliseconds interval) {
  if (interval.count() < 0) throw std::invalid_argument("a timer interval cannot be negative");
  state_->interval = interval;
  if (state_->enabled) {
    state_->tickDue = false;
    state_->Arm(interval);
  }
}

void Timer::SetTickHandler(TickHandler onTick) { state_->onTick = std::make_shared<TickHandler>(std::move(onTick)); }

bool Timer::Ticking() const { return state_->ticking; }

}  // namespace vz
