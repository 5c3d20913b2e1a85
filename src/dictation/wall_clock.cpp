#include "dictation/wall_clock.hpp"

#include <utility>

namespace vz::dictation {
namespace {

std::function<std::chrono::system_clock::time_point()>& Clock() {
  static std::function<std::chrono::system_clock::time_point()> clock;
  return clock;
}

}  // namespace

std::chrono::system_clock::time_point WallClockNow() {
  return Clock() ? Clock()() : std::chrono::system_clock::now();
}

void SetWallClock(std::function<std::chrono::system_clock::time_point()> clock) { Clock() = std::move(clock); }

}  // namespace vz::dictation
