#include "RatioReporter.h"

#include <unistd.h>

#include <cstdio>

namespace kelvista::bench {
namespace {

benchmark::ConsoleReporter::OutputOptions ConsoleOptions() {
    return isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color
                                 : benchmark::ConsoleReporter::OO_None;
}

}  // namespace

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

RatioReporter::RatioReporter() : benchmark::ConsoleReporter(ConsoleOptions()) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    std::vector<Run> shown = runs;
    for (Run& run : shown) {
        if (run.error_occurred || run.iterations <= 0) {
            continue;
        }
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) {
            continue;
        }
        const std::string& name = run.run_name.function_name;
        // An aggregate's total is scaled so that this also gives its statistic per iteration.
        const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
        m_seconds[name] = seconds;
        for (const auto& [counterName, counter] : run.counters) {
            if ((counter.flags & benchmark::Counter::kIsRate) == 0) {
                m_counters[name][counterName] = counter.value;
            }
        }
        for (const RatioTarget& target : m_ratios) {
            if (target.numerator != name) {
                continue;
            }
            if (const std::optional<double> value = ratio(target)) {
                run.counters[target.counter] = benchmark::Counter(*value);
            }
        }
    }
    benchmark::ConsoleReporter::ReportRuns(shown);
}

std::optional<double> RatioReporter::secondsPerIteration(const std::string& name) const {
    const auto found = m_seconds.find(name);
    if (found == m_seconds.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<double> RatioReporter::counterValue(const std::string& name,
                                                  const std::string& counter) const {
    const auto run = m_counters.find(name);
    if (run == m_counters.end()) {
        return std::nullopt;
    }
    const auto found = run->second.find(counter);
    if (found == run->second.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<double> RatioReporter::ratio(const RatioTarget& target) const {
    const std::optional<double> numerator = secondsPerIteration(target.numerator);
    const std::optional<double> denominator = secondsPerIteration(target.denominator);
    if (!numerator || !denominator || *denominator <= 0) {
        return std::nullopt;
    }
    return *numerator / *denominator;
}

int RatioReporter::printTargets(std::ostream& out) const {
    int missed = 0;
    out << "\n| Target | Measured | Limit | |\n|---|---:|---:|---|\n";
    const auto row = [&](const std::string& label, std::optional<double> value, double limit) {
        if (!value) {
            return;  // not run (filtered out)
        }
        std::string verdict = "-";
        if (limit > 0) {
            const bool met = *value <= limit;
            verdict = met ? "met" : "MISSED";
            missed += met ? 0 : 1;
        }
        out << "| " << label << " | " << Format("%.2f", *value) << " | "
            << (limit > 0 ? Format("%.2f", limit) : std::string("-")) << " | " << verdict << " |\n";
    };
    for (const RatioTarget& target : m_ratios) {
        row(target.label, ratio(target), target.limit);
    }
    for (const CounterTarget& target : m_counterTargets) {
        row(target.label, counterValue(target.benchmark, target.counter), target.limit);
    }
    return missed;
}

}  // namespace kelvista::bench
