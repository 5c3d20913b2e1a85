#pragma once
// Runs a benchmark program's registered benchmarks in rounds (every benchmark once per round, so
// ours and its peer are measured close together in each round), then prints each comparison as
// the median over the rounds: one noisy round does not decide the figure. Each target also gets
// one line "TARGET|key|label|measured|target|met" (or "not met"), which scripts/run-benchmarks.sh
// gathers into its closing table.
//
// Rounds: 3, or VZ_BENCH_ROUNDS when set.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vz::bench {

inline int Rounds() {
  const char* text = std::getenv("VZ_BENCH_ROUNDS");
  const int rounds = text ? std::atoi(text) : 3;
  return rounds > 0 ? rounds : 3;
}

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// Prints the line the run script gathers into its table.
inline void ReportTarget(const std::string& key, const std::string& label, const std::string& measured,
                         const std::string& target, bool met) {
  std::printf("TARGET|%s|%s|%s|%s|%s\n", key.c_str(), label.c_str(), measured.c_str(), target.c_str(),
              met ? "met" : "not met");
  std::fflush(stdout);
}

// A figure the table shows beside the targets, for comparison only: it has no goal to meet.
inline void ReportFigure(const std::string& key, const std::string& label, const std::string& measured) {
  std::printf("TARGET|%s|%s|%s|none (for comparison)|-\n", key.c_str(), label.c_str(), measured.c_str());
  std::fflush(stdout);
}

// Collects every run's rate (items per second) by benchmark name, one entry per round.
class RoundsReporter : public benchmark::ConsoleReporter {
 public:
  bool ReportContext(const Context& context) override {
    if (contextShown_) return true;
    contextShown_ = true;
    return ConsoleReporter::ReportContext(context);
  }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const auto found = run.counters.find("items_per_second");
      if (found != run.counters.end() && found->second.value > 0) {
        rates_[run.benchmark_name()][round_] = found->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void StartRound(int round) { round_ = round; }
  // The rate of `name` by round (a round whose run failed has none).
  const std::map<int, double>& Rates(const std::string& name) const {
    static const std::map<int, double> none;
    const auto found = rates_.find(name);
    return found == rates_.end() ? none : found->second;
  }

 private:
  bool contextShown_ = false;
  int round_ = 0;
  std::map<std::string, std::map<int, double>> rates_;
};

// Ours against a peer doing the same work, measured in the same round.
struct Comparison {
  enum class By {
    Rate,  // our rate / the peer's rate, at least `limit`
    Time,  // our time / the peer's time for the same work, at most `limit`
  };
  std::string key;    // the target's name in the closing table
  std::string label;  // what is compared
  std::string ours;   // benchmark names as Google Benchmark reports them
  std::string peer;
  By by;
  double limit;
};

// A rate to hold against a fixed goal rather than a peer.
struct RateGoal {
  std::string key;
  std::string label;
  std::string name;
  double minimumPerSecond;
};

// The ratio of each round in which both ran, as the comparison states it.
inline std::vector<double> RoundRatios(const RoundsReporter& reporter, const Comparison& comparison) {
  const auto& ours = reporter.Rates(comparison.ours);
  const auto& peer = reporter.Rates(comparison.peer);
  std::vector<double> ratios;
  for (const auto& [round, rate] : ours) {
    const auto other = peer.find(round);
    if (other == peer.end()) continue;
    ratios.push_back(comparison.by == Comparison::By::Rate ? rate / other->second : other->second / rate);
  }
  return ratios;
}

inline void PrintComparison(const RoundsReporter& reporter, const Comparison& comparison) {
  const bool byRate = comparison.by == Comparison::By::Rate;
  char target[64];
  std::snprintf(target, sizeof target, byRate ? "rate >= %.2fx" : "time <= %.2fx", comparison.limit);
  const std::vector<double> ratios = RoundRatios(reporter, comparison);
  if (ratios.empty()) {
    std::printf("%s: not measured (a benchmark failed)\n", comparison.label.c_str());
    ReportTarget(comparison.key, comparison.label, "not measured", target, false);
    return;
  }
  const double median = Median(ratios);
  std::string rounds;
  for (const double ratio : ratios) rounds += (rounds.empty() ? "" : " ") + std::to_string(ratio).substr(0, 5);
  const bool met = byRate ? median >= comparison.limit : median <= comparison.limit;
  std::printf("%s: %.3fx the peer's %s (median of %zu rounds: %s; target %s): %s\n", comparison.label.c_str(), median,
              byRate ? "rate" : "time", ratios.size(), rounds.c_str(), target, met ? "met" : "not met");
  char measured[64];
  std::snprintf(measured, sizeof measured, "%.3fx %s", median, byRate ? "rate" : "time");
  ReportTarget(comparison.key, comparison.label, measured, target, met);
}

inline void PrintGoal(const RoundsReporter& reporter, const RateGoal& goal) {
  char target[64];
  std::snprintf(target, sizeof target, ">= %.0f/s", goal.minimumPerSecond);
  std::vector<double> rates;
  for (const auto& [round, rate] : reporter.Rates(goal.name)) rates.push_back(rate);
  if (rates.empty()) {
    std::printf("%s: not measured (the benchmark failed)\n", goal.label.c_str());
    ReportTarget(goal.key, goal.label, "not measured", target, false);
    return;
  }
  const double median = Median(rates);
  const bool met = median >= goal.minimumPerSecond;
  std::printf("%s: %.0f per second (median of %zu rounds; target %s): %s\n", goal.label.c_str(), median, rates.size(),
              target, met ? "met" : "not met");
  char measured[64];
  std::snprintf(measured, sizeof measured, "%.0f/s", median);
  ReportTarget(goal.key, goal.label, measured, target, met);
}

// Runs every registered benchmark Rounds() times, then prints the comparisons and goals, then
// hands the rates to `report` for figures of the program's own.
inline int RunAndCompare(int argc, char** argv, const std::vector<Comparison>& comparisons,
                         const std::vector<RateGoal>& goals = {},
                         const std::function<void(const RoundsReporter&)>& report = {}) {
  benchmark::Initialize(&argc, argv);
  RoundsReporter reporter;
  const int rounds = Rounds();
  for (int round = 1; round <= rounds; ++round) {
    std::printf("-- round %d of %d\n", round, rounds);
    reporter.StartRound(round);
    benchmark::RunSpecifiedBenchmarks(&reporter);
  }
  for (const auto& comparison : comparisons) PrintComparison(reporter, comparison);
  for (const auto& goal : goals) PrintGoal(reporter, goal);
  if (report) report(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace vz::bench
