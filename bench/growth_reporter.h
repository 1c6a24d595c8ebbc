#pragma once

// A console reporter that, after the usual table, prints for each benchmark the growth of its
// time per tenfold of rows (10 means linear) and, for each pair given, the ratio of a benchmark's
// time to its baseline's at the same size, both from the same run. Work that waits on the disk
// is compared by real time; pure computation may be compared by CPU time, which a machine
// shared with other work disturbs less.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

class GrowthReporter : public benchmark::ConsoleReporter {
public:
    // Pairs of (benchmark, its baseline) by family name, e.g. {"BM_Read", "BM_PlainSplit"}.
    enum class Clock { Real, Cpu };
    explicit GrowthReporter(std::vector<std::pair<std::string, std::string>> pairs,
                            Clock clock = Clock::Real)
        : pairs_(std::move(pairs)), clock_(clock) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred)
                continue;
            const std::string name = r.run_name.function_name;
            const std::string args = r.run_name.args;
            const long rows = args.empty() ? 0 : std::stol(args);
            times_[name][rows] =
                clock_ == Clock::Real ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime();
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nGrowth of the %s time per tenfold of rows (10 = linear):\n",
                    clock_ == Clock::Real ? "real" : "CPU");
        for (const auto& [name, bySize] : times_)
            for (const auto& [rows, t] : bySize) {
                const auto next = bySize.find(rows * 10);
                if (next != bySize.end() && t > 0)
                    std::printf("  %-32s %8ld -> %8ld rows: x%.1f\n", name.c_str(), rows,
                                rows * 10, next->second / t);
            }
        std::printf("\nTime against the baseline at the same size (below 1 = faster):\n");
        for (const auto& [name, base] : pairs_) {
            const auto a = times_.find(name);
            const auto b = times_.find(base);
            if (a == times_.end() || b == times_.end())
                continue;
            for (const auto& [rows, t] : a->second)
                if (const auto it = b->second.find(rows); it != b->second.end() && it->second > 0)
                    std::printf("  %-28s / %-28s %8ld rows: %.2f (speed %.2fx)\n", name.c_str(),
                                base.c_str(), rows, t / it->second, it->second / t);
        }
        std::fflush(stdout);
    }

private:
    std::vector<std::pair<std::string, std::string>> pairs_;
    std::map<std::string, std::map<long, double>> times_;
    Clock clock_;
};
