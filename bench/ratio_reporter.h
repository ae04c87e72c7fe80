// A console reporter that also prints, after the run, the ratio of two
// benchmarks' medians measured in that same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Each pair is (numerator, denominator), by benchmark name without suffixes.
    explicit RatioReporter(std::vector<std::pair<std::string, std::string>> ratios) : ratios_(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints one line per ratio; returns false if a benchmark was missing.
    bool printRatios() const
    {
        bool complete = true;
        for (const auto& [numerator, denominator] : ratios_) {
            const auto top = medians_.find(numerator);
            const auto bottom = medians_.find(denominator);
            if (top == medians_.end() || bottom == medians_.end() || bottom->second <= 0.0) {
                complete = false;
                continue;
            }
            std::printf("ratio %s / %s (medians, this run): %.3f\n", numerator.c_str(), denominator.c_str(),
                        top->second / bottom->second);
        }
        return complete;
    }

private:
    std::vector<std::pair<std::string, std::string>> ratios_;
    std::map<std::string, double> medians_;
};
