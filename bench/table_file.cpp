// Writing and reading the pending reminders' file at 10,000, 100,000 and 1,000,000 rows, beside
// plain C++ baselines in the same run: a durable write (write, fdatasync, rename) of the same
// bytes, a read that only freads the file and splits it into lines and std::string fields, and
// one that splits it into string_views of the bytes read. Each case runs after a warm-up and
// five times; the minimum, the median, the page faults, the growth per tenfold and the ratios to
// the baselines are printed at the end.
//
// The same reads as whole processes, for a timer from outside (a fresh process touches fresh
// memory, which is most of a large read's cost):
//   ./bench_table_file --make-file ROWS PATH   writes a realistic reminders file
//   ./bench_table_file --read-file PATH        reads it into the reminders table
//   ./bench_table_file --split-file PATH       reads it and splits it into string_views

#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "growth_reporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string benchFolder() {
    static std::string folder = [] {
        std::string pattern = "/tmp/tallyminder-bench-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

std::unique_ptr<TdxMemData> realisticReminders(int rows) {
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    std::mt19937 rng(42);
    const char* names[] = {"Ann Example", "Bob Sample", "Carla Placeholder",
                           "Dev Tester",  "Eve Demo",   "Frank Nominal"};
    const std::string words = "Your appointment with the practice is on the date below please "
                              "call us if you cannot attend so that we can offer the time to "
                              "another patient thank you and see you soon";
    t->SuspendViews();
    for (int i = 0; i < rows; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "07%08u", static_cast<unsigned>(rng() % 100000000));
        const size_t len = 60 + rng() % 101;
        std::string message = words.substr(0, std::min(len, words.size()));
        while (message.size() < len)
            message += 'x';
        t->AddRow(
            {FieldValue{}, std::string(number), std::string(names[rng() % 6]),
             int32_t(dayNumber(2026, 1 + static_cast<int>(rng() % 12),
                               1 + static_cast<int>(rng() % 28))),
             int32_t(timeMs(8 + static_cast<int>(rng() % 10), static_cast<int>(rng() % 4) * 15)),
             message, int32_t(rng() % 3), int32_t(0), FieldValue{}, false, false, 37652.6034722222,
             message.substr(0, 50) + number});
    }
    t->ResumeViews();
    return t;
}

std::string pathFor(int rows) {
    return benchFolder() + "/reminders-" + std::to_string(rows) + ".txt";
}

void ensureFile(int rows) {
    if (!fileExists(pathFor(rows)))
        realisticReminders(rows)->WriteDelimitedFile(pathFor(rows));
}

// Bytes of heap in use (small and mapped blocks), from the C library's allocator.
double heapBytes() {
    const struct mallinfo2 m = ::mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
}

void BM_Write(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    auto t = realisticReminders(rows);
    const std::string path = pathFor(rows);
    // Each write follows a change of the first row, so that every one really writes: a file
    // that already holds the bytes is left alone.
    TField& name = t->FieldNamed("name");
    bool flip = false;
    PageFaults faults(state);
    for (auto _ : state) {
        t->First();
        t->Edit();
        name.SetAsString((flip = !flip) ? "Ann Example" : "Bob Sample");
        t->Post();
        t->WriteDelimitedFile(path);
    }
    const size_t size = readWholeFile(path).size();
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
}

// The baseline: the same bytes written durably by plain C++ (temporary file, write,
// fdatasync, rename), with nothing to format.
void BM_PlainWriteBaseline(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const std::string text = realisticReminders(rows)->DelimitedText();
    const std::string path = pathFor(rows) + ".plain";
    PageFaults faults(state);
    for (auto _ : state) {
        const std::string tmp = path + ".tmp";
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
            ::fdatasync(fd) != 0 || ::close(fd) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0)
            state.SkipWithError("plain write failed");
    }
    removeFile(path);
    state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}

// Writing without the flush to disk, to show what the durable write costs.
void BM_FormatOnly(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    auto t = realisticReminders(rows);
    size_t size = 0;
    PageFaults faults(state);
    for (auto _ : state) {
        const std::string text = t->DelimitedText();
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
}

// Reading: whole file, parse into typed fields, full sort by contact_no.
void BM_Read(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    ensureFile(rows);
    const std::string path = pathFor(rows);
    const size_t size = readWholeFile(path).size();
    auto t = schemas::makeReminders();
    t->FieldDelimiter = kRemindersDelimiter;
    {
        PageFaults faults(state);
        for (auto _ : state) {
            t->ReadDelimitedFile(path);
            benchmark::DoNotOptimize(t->RowCount());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());

    // Memory held by a table of this size, against the file's size.
    t->Close();
    t.reset();
    const double before = heapBytes();
    auto held = schemas::makeReminders();
    held->FieldDelimiter = kRemindersDelimiter;
    held->ReadDelimitedFile(path);
    const double after = heapBytes();
    state.counters["table_MB"] = (after - before) / 1e6;
    state.counters["table_to_file"] = (after - before) / static_cast<double>(size);
}

// Reads the whole file as a plain program would: fopen, fread.
std::string freadWhole(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fseek(f, 0, SEEK_END);
        bytes.resize(static_cast<size_t>(std::ftell(f)));
        std::rewind(f);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
    return bytes;
}

// Lines at CR LF, fields at '^', each field made by make(pointer, length).
template <typename Field> std::vector<std::vector<Field>> splitFile(const std::string& bytes) {
    std::vector<std::vector<Field>> lines;
    size_t p = 0;
    while (p < bytes.size()) {
        size_t e = bytes.find("\r\n", p);
        if (e == std::string::npos)
            e = bytes.size();
        std::vector<Field> fields;
        size_t q = p;
        while (q < e) {
            const char* hit = static_cast<const char*>(std::memchr(bytes.data() + q, '^', e - q));
            const size_t s = hit ? static_cast<size_t>(hit - bytes.data()) : e;
            fields.emplace_back(bytes.data() + q, s - q);
            q = s + 1;
        }
        lines.push_back(std::move(fields));
        p = e + 2;
    }
    return lines;
}

// The baseline: fread the file and split it into lines and std::string fields, nothing else.
void BM_PlainSplitBaseline(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    ensureFile(rows);
    const std::string path = pathFor(rows);
    size_t size = 0;
    PageFaults faults(state);
    for (auto _ : state) {
        const std::string bytes = freadWhole(path);
        size = bytes.size();
        const auto lines = splitFile<std::string>(bytes);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
}

// The lighter baseline: the bytes read stay, the fields are string_views of them.
void BM_StringViewSplitBaseline(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    ensureFile(rows);
    const std::string path = pathFor(rows);
    size_t size = 0;
    PageFaults faults(state);
    for (auto _ : state) {
        const std::string bytes = freadWhole(path);
        size = bytes.size();
        const auto lines = splitFile<std::string_view>(bytes);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
}

} // namespace

#define SIZES ->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_Write) SIZES->Apply(measured);
BENCHMARK(BM_PlainWriteBaseline) SIZES->Apply(measured);
BENCHMARK(BM_FormatOnly) SIZES->Apply(measured);
BENCHMARK(BM_Read) SIZES->Apply(measured);
BENCHMARK(BM_PlainSplitBaseline) SIZES->Apply(measured);
BENCHMARK(BM_StringViewSplitBaseline) SIZES->Apply(measured);

// The whole-process modes; returns -1 when the arguments name none.
int wholeProcess(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--make-file" && argc == 4) {
        realisticReminders(std::atoi(argv[2]))->WriteDelimitedFile(argv[3]);
        return 0;
    }
    if (mode == "--read-file" && argc == 3) {
        auto t = schemas::makeReminders();
        t->FieldDelimiter = kRemindersDelimiter;
        t->ReadDelimitedFile(argv[2]);
        std::printf("%d rows\n", t->RowCount());
        return 0;
    }
    if (mode == "--split-file" && argc == 3) {
        const std::string bytes = freadWhole(argv[2]);
        const auto lines = splitFile<std::string_view>(bytes);
        std::printf("%zu rows\n", lines.empty() ? 0 : lines.size() - 1);
        return 0;
    }
    return -1;
}

int main(int argc, char** argv) {
    if (const int done = wholeProcess(argc, argv); done >= 0)
        return done;
    // Freed memory stays with the process: each benchmark, the program's and the baselines',
    // runs on a warm heap after its first iteration, instead of a time that depends on which
    // benchmark ran before and on how this machine fills fresh pages.
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20); // the largest the allocator accepts
    benchmark::Initialize(&argc, argv);
    GrowthReporter reporter({{"BM_Write", "BM_PlainWriteBaseline"},
                             {"BM_Read", "BM_PlainSplitBaseline"},
                             {"BM_Read", "BM_StringViewSplitBaseline"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // Leave nothing behind.
    for (int rows : {10000, 100000, 1000000})
        removeFile(pathFor(rows));
    ::rmdir(benchFolder().c_str());
    return 0;
}
