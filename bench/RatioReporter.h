// Figures as `<figure> ratio=<x>` against a baseline measured in the same run. The machine is
// shared with other work, and a burst of it would move whichever of the two ran at that time:
// measured and baseline repetitions therefore alternate (A, B, A, B ...), and a figure's ratio
// is the median of its pairs' ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Pairs a figure takes unless its program says otherwise: odd, so the median is one pair's.
constexpr int kRatioPairs = 11;
// Each repetition's least time: short, as there are many of them.
constexpr double kPairMinSeconds = 0.2;

// A clock's reading in seconds (by default the monotonic clock).
inline double ClockSeconds(clockid_t clock = CLOCK_MONOTONIC) {
    timespec ts;
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The median of some readings; -1 when there are none.
inline double Median(std::vector<double> v) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median of measured[i] / baseline[i]; -1 when there is no whole pair.
inline double MedianPairRatio(const std::vector<double>& measured, const std::vector<double>& baseline) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < measured.size() && i < baseline.size(); ++i)
        if (measured[i] >= 0 && baseline[i] > 0)
            ratios.push_back(measured[i] / baseline[i]);
    return Median(ratios);
}

inline double PrintRatioLine(const char* figure, double ratio) {
    if (ratio < 0)
        return ratio;
    std::printf("%s ratio=%.2f\n", figure, ratio);
    std::fflush(stdout);
    return ratio;
}

// For programs that measure without Google Benchmark: `pairs` alternated runs of each (a run
// returns its cost, in any unit both share), then the figure's line.
inline double AlternatedRatio(const char* figure, int pairs, const std::function<double()>& measured,
                              const std::function<double()>& baseline) {
    std::vector<double> m, b;
    for (int i = 0; i < pairs; ++i) {
        m.push_back(measured());
        b.push_back(baseline());
    }
    return PrintRatioLine(figure, MedianPairRatio(m, b));
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Without colours: their escape codes would stand before the ratio lines that follow.
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    using Function = std::function<void(benchmark::State&)>;
    using Setup = std::function<void(benchmark::internal::Benchmark*)>;

    // Registers `pairs` repetitions of the measured benchmark and of its baseline, alternated;
    // `setup` gives each its unit, or a time other than kPairMinSeconds.
    static void RegisterPairs(const std::string& measured, const Function& measuredFn,
                              const std::string& baseline, const Function& baselineFn,
                              int pairs = kRatioPairs, const Setup& setup = {}) {
        for (int i = 0; i < pairs; ++i)
            for (const auto& [name, fn] :
                 {std::pair{measured, measuredFn}, std::pair{baseline, baselineFn}}) {
                benchmark::internal::Benchmark* b =
                    benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& s) { fn(s); });
                b->MinTime(kPairMinSeconds);
                if (setup)
                    setup(b);
            }
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) {
                // A failed repetition keeps its place, so that the pairs stay aligned.
                double seconds = run.error_occurred ? -1
                                                    : run.GetAdjustedRealTime() *
                                                          benchmark::GetTimeUnitMultiplier(run.time_unit);
                runs_[run.run_name.function_name].push_back(seconds);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    // Prints the figure from the benchmarks' pairs, in the order they ran; returns the ratio,
    // or a negative number when no pair ran.
    double PrintRatio(const char* figure, const std::string& measured, const std::string& baseline) const {
        return PrintRatioLine(figure, MedianPairRatio(Runs(measured), Runs(baseline)));
    }
    // Forgets what ran, for a program that runs its benchmarks again under other conditions.
    void Reset() { runs_.clear(); }

private:
    std::vector<double> Runs(const std::string& name) const {
        auto it = runs_.find(name);
        return it == runs_.end() ? std::vector<double>() : it->second;
    }
    std::map<std::string, std::vector<double>> runs_;
};
