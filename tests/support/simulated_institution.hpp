#pragma once
// institution-sim in the test's own process on loopback, over a temporary data folder, for tests
// that drive the HTTP client services or vzed against it. It keeps the servlets' log of every
// exchange and stops with the test.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "simulator/simulator_server.hpp"
#include "temp_folder.hpp"

namespace vz::testing {

class SimulatedInstitution {
 public:
  SimulatedInstitution() = default;
  SimulatedInstitution(const SimulatedInstitution&) = delete;  // its log holds `this`
  SimulatedInstitution& operator=(const SimulatedInstitution&) = delete;
  ~SimulatedInstitution() {
    if (institution) institution->Stop();
  }

  // The first institution ("north") serves `dictations` of `secondsOfAudio` seconds each.
  simulator::SimulatorConfig Config(int dictations, int secondsOfAudio) const {
    simulator::SimulatorConfig config;
    config.dataFolder = data.Path();
    config.institutions[0].dictations = dictations;
    config.institutions[0].secondsOfAudio = secondsOfAudio;
    return config;
  }

  void Start(simulator::SimulatorConfig config) {
    institution = std::make_unique<simulator::InstitutionSimulator>(std::move(config));
    institution->GetServlets().SetLog([this](const std::string& line) {
      const std::lock_guard lock(mutex_);
      exchanges_.push_back(line);
    });
    institution->Start();
  }

  std::string NorthURL() const { return institution->ServletURL("north"); }

  // `compute` run on the north institution's state.
  template <class Compute>
  auto FromNorth(Compute compute) {
    decltype(compute(std::declval<const simulator::Institution&>())) result{};
    institution->GetServlets().Inspect("north", [&](const simulator::Institution& north) { result = compute(north); });
    return result;
  }

  // The north institution's record of dictation `id`.
  simulator::Dictation AtTheInstitution(long id) {
    return FromNorth([id](const simulator::Institution& north) {
      for (const simulator::Dictation& dictation : north.Dictations()) {
        if (dictation.utteranceID == id) return dictation;
      }
      return simulator::Dictation{};
    });
  }

  // The servlets' log lines of the exchanges that name `text`.
  std::vector<std::string> Exchanges(const std::string& text) {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    for (const std::string& line : exchanges_) {
      if (line.find(text) != std::string::npos) lines.push_back(line);
    }
    return lines;
  }

  TempFolder data;
  std::unique_ptr<simulator::InstitutionSimulator> institution;

 private:
  std::mutex mutex_;
  std::vector<std::string> exchanges_;
};

class SimulatedInstitutionTest : public ::testing::Test, public SimulatedInstitution {};

}  // namespace vz::testing
