// Keeps each benchmark's median time per iteration over its repetitions (steadier than the
// best when other work shares the machine) and prints figures as `<figure> ratio=<x>`
// against a baseline measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
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
                runs_[run.run_name.function_name].push_back(seconds);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    // Returns the ratio, or a negative number when either run is missing.
    double PrintRatio(const char* figure, const char* measured, const char* baseline) const {
        const double m = Median(measured);
        const double b = Median(baseline);
        if (m < 0 || b <= 0)
            return -1;
        const double ratio = m / b;
        std::printf("%s ratio=%.2f\n", figure, ratio);
        std::fflush(stdout);
        return ratio;
    }
    // The median seconds of one benchmark, -1 when it did not run.
    double Median(const std::string& name) const {
        auto it = runs_.find(name);
        if (it == runs_.end() || it->second.empty())
            return -1;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> runs_;
};
