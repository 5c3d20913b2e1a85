#pragma once
// Process-wide settings kept beside the server object: the cancel-all flag the pump and the
// requests read, and how dictation records format dates. One copy per process, used from the
// server's single thread.
#include <string>

namespace vz {

struct ProcessSettings {
  bool cancelAllRequests = false;
  bool useCustomDateFormat = false;
  std::string dateAndTimeFormat;
};

inline ProcessSettings& CurrentProcessSettings() {
  static ProcessSettings settings;
  return settings;
}

}  // namespace vz
