#pragma once
// The console report of a benchmark program, keeping the time per iteration of every run so
// that the program can print its `ratio NAME X.XX` lines after the table.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                Times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> Times;
};
