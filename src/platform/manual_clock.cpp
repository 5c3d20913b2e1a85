#include "platform/manual_clock.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <utility>

namespace vz {

struct ManualClock::Schedule {
  struct Entry {
    std::function<void()> fire;
    bool nextTurn = false;  // armed with no delay during this advance: waits for the next one
  };
  // Ordered by due time, then by arming order.
  using Key = std::pair<std::chrono::milliseconds, std::uint64_t>;

  std::chrono::milliseconds now{0};
  std::uint64_t armings = 0;
  int advancing = 0;  // depth of AdvanceBy calls on the stack
  std::map<Key, Entry> entries;

  Key Add(std::chrono::milliseconds delay, std::function<void()> fire) {
    const Key key{now + delay, ++armings};
    entries.emplace(key, Entry{std::move(fire), advancing > 0 && delay.count() == 0});
    return key;
  }
};

class ManualClock::ManualAlarm : public Alarm {
 public:
  explicit ManualAlarm(std::weak_ptr<Schedule> schedule) : schedule_(std::move(schedule)) {}
  ~ManualAlarm() override { Cancel(); }

  void Arm(std::chrono::milliseconds delay, std::function<void()> fire) override {
    if (delay.count() < 0) throw std::invalid_argument("an alarm delay cannot be negative");
    Cancel();
    if (const auto schedule = schedule_.lock()) key_ = schedule->Add(delay, std::move(fire));
  }

  void Cancel() override {
    if (!key_) return;
    if (const auto schedule = schedule_.lock()) schedule->entries.erase(*key_);
    key_.reset();
  }

 private:
  std::weak_ptr<Schedule> schedule_;
  // Where this alarm's entry is, while it is armed. A fired entry is gone from the schedule, so
  // erasing its stale key later is harmless (keys are never reused).
  std::optional<Schedule::Key> key_;
};

ManualClock::ManualClock() : schedule_(std::make_shared<Schedule>()) {}

ManualClock::~ManualClock() = default;

std::unique_ptr<Alarm> ManualClock::NewAlarm() { return std::make_unique<ManualAlarm>(schedule_); }

std::chrono::milliseconds ManualClock::Now() const { return schedule_->now; }

std::size_t ManualClock::PendingAlarms() const { return schedule_->entries.size(); }

void ManualClock::AdvanceBy(std::chrono::milliseconds step) {
  if (step.count() < 0) throw std::invalid_argument("a clock cannot go back");
  Schedule& schedule = *schedule_;
  const auto target = schedule.now + step;
  // Every alarm armed before this call belongs to this turn.
  for (auto& [key, entry] : schedule.entries) entry.nextTurn = false;
  ++schedule.advancing;
  struct Leave {
    Schedule& schedule;
    ~Leave() { --schedule.advancing; }
  } leave{schedule};
  for (;;) {
    const auto due = std::find_if(schedule.entries.begin(), schedule.entries.end(), [&](const auto& item) {
      return item.first.first <= target && !item.second.nextTurn;
    });
    if (due == schedule.entries.end()) break;
    schedule.now = std::max(schedule.now, due->first.first);
    auto fire = std::move(due->second.fire);
    schedule.entries.erase(due);
    fire();
  }
  schedule.now = std::max(schedule.now, target);
}

}  // namespace vz
