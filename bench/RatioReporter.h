// Keeps each benchmark's best time per iteration over its repetitions and prints figures as
// `<figure> ratio=<x>` against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                double seconds = run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(run.time_unit);
                auto [it, added] = times.emplace(run.run_name.function_name, seconds);
                if (!added && seconds < it->second)
                    it->second = seconds;
            }
        ConsoleReporter::ReportRuns(runs);
    }
    // Returns the ratio, or a negative number when either run is missing.
    double PrintRatio(const char* figure, const char* measured, const char* baseline) const {
        auto m = times.find(measured);
        auto b = times.find(baseline);
        if (m == times.end() || b == times.end() || b->second <= 0)
            return -1;
        const double ratio = m->second / b->second;
        std::printf("%s ratio=%.2f\n", figure, ratio);
        std::fflush(stdout);
        return ratio;
    }
    std::map<std::string, double> times;
};
