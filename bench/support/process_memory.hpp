#pragma once
// A process's memory as the kernel reports it in /proc/<pid>/status, in KiB (-1 when unknown).
#include <sys/types.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace vz::bench {

// `status` is the process's status file: /proc/self/status for this one.
inline long ProcessStatusKilobytes(std::string_view field, const std::string& status = "/proc/self/status") {
  std::ifstream in(status);
  std::string line;
  while (std::getline(in, line))
    if (line.size() > field.size() && line.compare(0, field.size(), field) == 0 && line[field.size()] == ':')
      return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

// The most the process has held resident so far.
inline long PeakResidentKilobytes() { return ProcessStatusKilobytes("VmHWM"); }
// What it holds resident now.
inline long ResidentKilobytes() { return ProcessStatusKilobytes("VmRSS"); }
// The most another process (a server the benchmark started) has held resident so far.
inline long PeakResidentKilobytesOf(pid_t pid) {
  return ProcessStatusKilobytes("VmHWM", "/proc/" + std::to_string(pid) + "/status");
}

}  // namespace vz::bench
