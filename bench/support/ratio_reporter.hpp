#pragma once
// Runs the registered benchmarks and then prints, for each pair (ours, peer), how our rate compares
// with the peer measured in the same run. A benchmark's rate is its items per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vz::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto found = run.counters.find("items_per_second");
      if (found != run.counters.end()) rates_[run.benchmark_name()] = found->second.value;
      if (run.real_accumulated_time > 0 && run.iterations > 0) seconds_[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Rate(const std::string& name) const {
    const auto found = rates_.find(name);
    return found == rates_.end() ? 0.0 : found->second;
  }
  double SecondsPerIteration(const std::string& name) const {
    const auto found = seconds_.find(name);
    return found == seconds_.end() ? 0.0 : found->second;
  }

 private:
  std::map<std::string, double> rates_;
  std::map<std::string, double> seconds_;
};

// Runs everything, then prints "label: ours/peer = ratio (target ...)" for each comparison of rates.
struct RateComparison {
  std::string label;
  std::string ours;
  std::string peer;
  std::string target;
};

// A rate to hold against a fixed goal rather than a peer.
struct RateGoal {
  std::string label;
  std::string name;
  double minimumPerSecond;
};

inline int RunAndCompare(int argc, char** argv, const std::vector<RateComparison>& comparisons,
                         const std::vector<RateGoal>& goals = {}) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const auto& comparison : comparisons) {
    const double ours = reporter.Rate(comparison.ours);
    const double peer = reporter.Rate(comparison.peer);
    if (ours <= 0 || peer <= 0) continue;
    std::printf("%s: %.3fx the peer's rate (target %s)\n", comparison.label.c_str(), ours / peer, comparison.target.c_str());
  }
  for (const auto& goal : goals) {
    const double rate = reporter.Rate(goal.name);
    if (rate <= 0) continue;
    std::printf("%s: %.0f per second (target >= %.0f)\n", goal.label.c_str(), rate, goal.minimumPerSecond);
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace vz::bench
