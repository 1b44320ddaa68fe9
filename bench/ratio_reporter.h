#pragma once
// The console report of a benchmark program, keeping the time per iteration of every run so
// that the program can print its `ratio NAME X.XX` lines after the table.
#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    // Colour only on a terminal: the colour reset the table ends with would otherwise sit in
    // front of the first ratio line and hide it from whoever greps the output for "^ratio".
    TRatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                Times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    // The reference's time over ours (above 1 means ours is faster), when both ran.
    std::optional<double> Ratio(const std::string& ours, const std::string& reference) const
    {
        const auto o = Times.find(ours), r = Times.find(reference);
        if (o == Times.end() || r == Times.end() || o->second <= 0)
            return std::nullopt;
        return r->second / o->second;
    }
    std::map<std::string, double> Times;
};
