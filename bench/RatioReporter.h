#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace kelvista::bench {

// `value` printed with a printf `format` of one floating-point conversion, for the tables.
std::string Format(const char* format, double value);

// A bound on the ratio of two benchmarks' times per iteration, both from the same run.
struct RatioTarget {
    std::string label;      // shown in the targets table
    std::string numerator;  // benchmark names as registered
    std::string denominator;
    std::string counter;  // added to the numerator's row when both are known
    double limit = 0;     // met when ratio <= limit; 0: reported only
};

// A bound on a counter a benchmark reports itself (for measurements that are not times).
struct CounterTarget {
    std::string label;
    std::string benchmark;
    std::string counter;
    double limit = 0;
};

// The console output of Google Benchmark, plus ratios between benchmarks of the same run: each
// ratio is added as a counter to the numerator's row as soon as both times are known (so a
// benchmark registered after its peers prints its own comparison), and the targets are listed
// with their verdicts at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter();

    void addRatio(RatioTarget target) { m_ratios.push_back(std::move(target)); }
    void addCounterTarget(CounterTarget target) { m_counterTargets.push_back(std::move(target)); }

    void ReportRuns(const std::vector<Run>& runs) override;

    // Seconds per iteration of a finished benchmark (the median when repetitions were asked for).
    std::optional<double> secondsPerIteration(const std::string& name) const;
    std::optional<double> counterValue(const std::string& name, const std::string& counter) const;

    // The targets as a Markdown table; returns how many had a limit and missed it.
    int printTargets(std::ostream& out) const;

private:
    std::optional<double> ratio(const RatioTarget& target) const;

    std::vector<RatioTarget> m_ratios;
    std::vector<CounterTarget> m_counterTargets;
    std::map<std::string, double> m_seconds;
    std::map<std::string, std::map<std::string, double>> m_counters;
};

}  // namespace kelvista::bench
