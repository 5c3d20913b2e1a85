#pragma once
// The process's memory as the kernel reports it in /proc/self/status, in KiB (-1 when unknown).
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace vz::bench {

inline long ProcessStatusKilobytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.size() > field.size() && line.compare(0, field.size(), field) == 0 && line[field.size()] == ':')
      return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

// The most the process has held resident so far.
inline long PeakResidentKilobytes() { return ProcessStatusKilobytes("VmHWM"); }
// What it holds resident now.
inline long ResidentKilobytes() { return ProcessStatusKilobytes("VmRSS"); }

}  // namespace vz::bench
