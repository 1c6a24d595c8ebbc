// Deleting many rows of a record table: half the sent items at 10,000 to 1,000,000 rows in one
// pass, the purge of items older than the cut-off, the row-by-row deletion they replace (10,000
// and 30,000 rows only: it is quadratic), and a plain C++ baseline that compacts a vector of the
// same rows' text.

#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "growth_reporter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int32_t kToday = 46000;

// Sent items spread over 80 days before today: half are older than the 40 days kept.
std::unique_ptr<TdxMemData> sentItems(int rows) {
    auto t = schemas::makeSentItems();
    t->SuspendViews();
    for (int i = 0; i < rows; ++i) {
        std::vector<FieldValue> values(static_cast<size_t>(t->FieldCount()));
        for (int f = 1; f < t->FieldCount(); ++f) {
            switch (t->Field(f).Kind()) {
            case FieldKind::String:
                values[static_cast<size_t>(f)] = "text of row " + std::to_string(i);
                break;
            case FieldKind::Date:
                values[static_cast<size_t>(f)] = int32_t(kToday - 80 + (i % 80));
                break;
            case FieldKind::Integer:
            case FieldKind::Time:
                values[static_cast<size_t>(f)] = int32_t(i % 1000);
                break;
            case FieldKind::Float:
                values[static_cast<size_t>(f)] = 46000.5;
                break;
            case FieldKind::Boolean:
                values[static_cast<size_t>(f)] = false;
                break;
            }
        }
        t->AddRow(values);
    }
    t->ResumeViews();
    return t;
}

std::vector<int> everyOther(int rows) {
    std::vector<int> out;
    for (int r = 0; r < rows; r += 2)
        out.push_back(r);
    return out;
}

void BM_DeleteHalf(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto t = sentItems(rows);
        std::vector<int> bookmarks;
        for (int r : everyOther(rows))
            bookmarks.push_back(t->BookmarkAt(r));
        state.ResumeTiming();
        t->DeleteBookmarked(bookmarks);
        benchmark::DoNotOptimize(t->RowCount());
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
}

// The sent-items window's purge: read each row's day, delete the old ones in one pass.
void BM_Purge(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto t = sentItems(rows);
        state.ResumeTiming();
        const int created = t->FieldIndex("create_date");
        const double cutOff = kToday - 40;
        std::vector<int> old;
        for (int r = 0; r < t->RowCount(); ++r) {
            const FieldValue day = t->CellValue(r, created);
            if (!isNull(day) && numericOrZero(day) < cutOff)
                old.push_back(r);
        }
        t->DeleteRows(old);
        benchmark::DoNotOptimize(t->RowCount());
        state.PauseTiming();
        t.reset();
        state.ResumeTiming();
    }
}

// What the windows did before: to each bookmark, then Delete, one row at a time.
void BM_DeleteHalfOneByOne(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto t = sentItems(rows);
        std::vector<int> bookmarks;
        for (int r : everyOther(rows))
            bookmarks.push_back(t->BookmarkAt(r));
        t->SuspendViews();
        state.ResumeTiming();
        for (int b : bookmarks) {
            t->ReturnToBookmark(b);
            t->Delete();
        }
        benchmark::DoNotOptimize(t->RowCount());
        state.PauseTiming();
        t->ResumeViews();
        t.reset();
        state.ResumeTiming();
    }
}

// Plain C++: one compaction of a vector holding each row's text.
void BM_PlainCompactionBaseline(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> v;
        v.reserve(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i)
            v.push_back("text of row " + std::to_string(i) + std::string(120, 'x'));
        std::vector<char> doomed(static_cast<size_t>(rows), 0);
        for (int r : everyOther(rows))
            doomed[static_cast<size_t>(r)] = 1;
        state.ResumeTiming();
        size_t i = 0;
        v.erase(std::remove_if(v.begin(), v.end(), [&](const std::string&) { return doomed[i++]; }),
                v.end());
        benchmark::DoNotOptimize(v.data());
    }
}

} // namespace

BENCHMARK(BM_DeleteHalf)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Purge)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PlainCompactionBaseline)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DeleteHalfOneByOne)
    ->Arg(10000)
    ->Arg(30000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    GrowthReporter reporter({{"BM_DeleteHalf", "BM_PlainCompactionBaseline"},
                             {"BM_Purge", "BM_PlainCompactionBaseline"},
                             {"BM_DeleteHalfOneByOne", "BM_DeleteHalf"}},
                            GrowthReporter::Clock::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
