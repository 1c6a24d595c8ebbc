#pragma once

// A console reporter that, after the usual table, prints for each benchmark and size the minimum
// and the median time of its repetitions with the page faults beside them, the growth of the
// median per tenfold of rows (10 means linear) and, for each pair given, the ratio of a
// benchmark's time to its baseline's at the same size, all from the same run. Work that waits on
// the disk is compared by real time; pure computation may be compared by CPU time, which a
// machine shared with other work disturbs less.
//
// A figure can only back a claim when it says what it measured: run each case after a warm-up
// and several times (->Apply(measured)), and count the page faults (see PageFaults), which on this
// kind of machine are most of the cost of touching fresh memory.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <sys/resource.h>
#include <utility>
#include <vector>

// Page faults of the process so far: minor (a fresh page mapped) and major (read from disk).
inline long processPageFaults() {
    struct rusage u {};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt + u.ru_majflt;
}

// Counts the page faults of the timed part of a benchmark: start() and stop() around it (where
// timing is paused, the faults of the untimed work are left out), and the "faults" counter per
// iteration when it goes.
class PageFaults {
public:
    explicit PageFaults(benchmark::State& state) : state_(state) { start(); }
    ~PageFaults() {
        stop();
        state_.counters["faults"] =
            benchmark::Counter(static_cast<double>(total_), benchmark::Counter::kAvgIterations);
    }
    void start() {
        if (from_ < 0)
            from_ = processPageFaults();
    }
    void stop() {
        if (from_ >= 0)
            total_ += processPageFaults() - from_;
        from_ = -1;
    }

private:
    benchmark::State& state_;
    long from_ = -1;
    long total_ = 0;
};

// Timing paused with the fault count: the untimed work's faults are not the case's.
class Untimed {
public:
    Untimed(benchmark::State& state, PageFaults& faults) : state_(state), faults_(faults) {
        state_.PauseTiming();
        faults_.stop();
    }
    ~Untimed() {
        faults_.start();
        state_.ResumeTiming();
    }

private:
    benchmark::State& state_;
    PageFaults& faults_;
};

// The settings that make a case's figure comparable: a warm-up before the counted runs (the
// first touch of memory is not the case's), several repetitions, and their minimum beside the
// median. Given to a benchmark's Apply.
inline void measured(benchmark::internal::Benchmark* b) {
    b->MinWarmUpTime(0.5)
        ->Repetitions(5)
        ->ComputeStatistics(
            "min",
            [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(false);
}

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
            Sample& s = samples_[name][rows];
            s.times.push_back(clock_ == Clock::Real ? r.GetAdjustedRealTime()
                                                    : r.GetAdjustedCPUTime());
            s.unit = benchmark::GetTimeUnitString(r.time_unit);
            if (const auto f = r.counters.find("faults"); f != r.counters.end())
                s.faults.push_back(f->second.value);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const char* clock = clock_ == Clock::Real ? "real" : "CPU";
        std::printf("\nEach case's %s time over its repetitions, and its page faults per "
                    "iteration (median):\n",
                    clock);
        for (const auto& [name, bySize] : samples_)
            for (const auto& [rows, s] : bySize)
                std::printf("  %-28s %8ld rows: min %10.3f  median %10.3f %s  (%zu runs)  "
                            "faults %.0f\n",
                            name.c_str(), rows, min(s.times), median(s.times), s.unit,
                            s.times.size(), s.faults.empty() ? 0.0 : median(s.faults));
        std::printf("\nGrowth of the median %s time per tenfold of rows (10 = linear):\n", clock);
        for (const auto& [name, bySize] : samples_)
            for (const auto& [rows, s] : bySize) {
                const auto next = bySize.find(rows * 10);
                const double t = median(s.times);
                if (next != bySize.end() && t > 0)
                    std::printf("  %-32s %8ld -> %8ld rows: x%.1f\n", name.c_str(), rows, rows * 10,
                                median(next->second.times) / t);
            }
        std::printf("\nTime against the baseline at the same size, median (min) (below 1 = "
                    "faster):\n");
        for (const auto& [name, base] : pairs_) {
            const auto a = samples_.find(name);
            const auto b = samples_.find(base);
            if (a == samples_.end() || b == samples_.end())
                continue;
            for (const auto& [rows, s] : a->second)
                if (const auto it = b->second.find(rows); it != b->second.end()) {
                    const double t = median(s.times), bt = median(it->second.times);
                    if (t <= 0 || bt <= 0)
                        continue;
                    std::printf("  %-28s / %-28s %8ld rows: %.2f (%.2f) (speed %.2fx)\n",
                                name.c_str(), base.c_str(), rows, t / bt,
                                min(s.times) / min(it->second.times), bt / t);
                }
        }
        std::fflush(stdout);
    }

private:
    struct Sample {
        std::vector<double> times, faults;
        const char* unit = "";
    };
    static double min(const std::vector<double>& v) {
        return *std::min_element(v.begin(), v.end());
    }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::vector<std::pair<std::string, std::string>> pairs_;
    std::map<std::string, std::map<long, Sample>> samples_;
    Clock clock_;
};
