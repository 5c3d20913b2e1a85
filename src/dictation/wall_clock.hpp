#pragma once
// The wall clock dictation records read for download times, pauses and person-list stamps.
// Tests replace it so that time arithmetic is checked without sleeping.
#include <chrono>
#include <functional>

namespace vz::dictation {

std::chrono::system_clock::time_point WallClockNow();

// Replaces the clock; an empty function restores the system clock.
void SetWallClock(std::function<std::chrono::system_clock::time_point()> clock);

}  // namespace vz::dictation
