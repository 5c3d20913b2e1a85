#pragma once
// institution-sim run by a benchmark as a process of its own on loopback, serving the North Clinic
// (login jdoe/secret, location 3) from a data folder that outlives it: a second simulator on the
// same folder serves the same files without generating them again. With `verbose` its log (one
// line per call) is kept for the benchmark to read.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "child_process.hpp"

namespace vz::bench {

struct InstitutionSetup {
  std::filesystem::path data;  // the data folder; its audio is generated when it has none
  int dictations = 200;
  int seconds = 60;
  int sampleRate = 8000;  // 16-bit samples: 16,000 bytes per second of audio
  int latencyMs = 0;      // 0: none added
  std::string bandwidth;  // "": no cap
  std::vector<std::string> faults;
};

class InstitutionProcess {
 public:
  InstitutionProcess(const std::string& program, const InstitutionSetup& setup)
      : setup_(setup), output_(setup.data.string() + ".log") {
    std::vector<std::string> arguments = {program, "--data", setup.data.string(), "--dictations", std::to_string(setup.dictations),
                                          "--seconds", std::to_string(setup.seconds), "--sample-rate", std::to_string(setup.sampleRate),
                                          "--verbose"};
    if (setup.latencyMs > 0) arguments.insert(arguments.end(), {"--latency", std::to_string(setup.latencyMs)});
    if (!setup.bandwidth.empty()) arguments.insert(arguments.end(), {"--bandwidth", setup.bandwidth});
    for (const std::string& fault : setup.faults) arguments.insert(arguments.end(), {"--fault", fault});
    process_.emplace(arguments, output_);
    // It prints its servlet's URL once its audio is ready and it listens; generating 200 minutes of
    // audio takes a while on a busy machine.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    while (servletURL_.empty()) {
      for (const std::string& line : Output()) {
        const std::string prefix = "  North Clinic: ";
        if (line.rfind(prefix, 0) == 0) servletURL_ = line.substr(prefix.size(), line.find(' ', prefix.size()) - prefix.size());
      }
      if (!servletURL_.empty()) break;
      if (process_->Ended() || std::chrono::steady_clock::now() > deadline)
        throw std::runtime_error("institution-sim did not start; its output is in " + output_.string());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  const std::string& ServletURL() const { return servletURL_; }

  // Every line it has printed so far: the start lines, then one per call.
  std::vector<std::string> Output() const {
    std::ifstream in(output_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The audio file of dictation `id` in its data folder.
  std::filesystem::path AudioFile(long id) const {
    return setup_.data / "north" / "queue" / ("Local_" + std::to_string(id) + ".pcm");
  }

  // The size of all the audio it serves.
  std::uintmax_t AudioBytes() const {
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(setup_.data / "north" / "queue"))
      if (entry.path().extension() == ".pcm") total += entry.file_size();
    return total;
  }

 private:
  InstitutionSetup setup_;
  std::filesystem::path output_;
  std::optional<ChildProcess> process_;
  std::string servletURL_;
};

}  // namespace vz::bench
