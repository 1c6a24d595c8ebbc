// Checking the pending list before a send: 5,000 and 50,000 pending reminders against a
// do-not-text list of a fifth as many numbers (10,000 at the larger size), the list's set built
// in each run as the send window builds it. The baseline reads the same six cells of every row
// through the table and does nothing else: the floor of any check of the whole list.

#include "core/reminders/batch_check.h"

#include "core/reminders/reminder.h"
#include "core/store/do_not_text.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"
#include "growth_reporter.h"

#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <string>

namespace {

const int32_t kToday = dayNumber(2026, 12, 10);

std::string mobile(std::mt19937& rng) {
    std::uniform_int_distribution<int> digit(0, 9);
    std::string n = "04";
    for (int i = 0; i < 8; ++i) {
        if (i == 2 || i == 5)
            n.push_back(' ');
        n.push_back(static_cast<char>('0' + digit(rng)));
    }
    return n;
}

struct Fixture {
    std::unique_ptr<TdxMemData> pending = schemas::makeReminders();
    std::unique_ptr<TdxMemData> doNotText = schemas::makeDoNotText();
};

// Mostly clean rows; about one in fifty is listed, and a few repeat an appointment or are long.
const Fixture& fixture(int rows) {
    static std::map<int, Fixture> made;
    auto [it, fresh] = made.try_emplace(rows);
    if (!fresh)
        return it->second;
    Fixture& f = it->second;
    std::mt19937 rng(7);
    const char* messages[] = {
        "Reminder: your appointment with Dr Example is on | at ~. Reply to change.",
        "Hi, see you on | at ~ for your service. Call 0400 000 000 if you cannot come.",
        "Your table is booked for | at ~ [party of 4]. We look forward to seeing you!",
    };
    f.pending->SuspendViews();
    f.doNotText->SuspendViews();
    std::vector<std::string> listed;
    for (int i = 0; i < rows; ++i) {
        Reminder r;
        r.contactNo = mobile(rng);
        r.name = "Customer " + std::to_string(i);
        r.appointmentDate = kToday + 1 + i % 60;
        r.appointmentTime = timeMs(8 + i % 10, (i % 4) * 15);
        r.message = messages[i % 3];
        r.daysBefore = 1;
        if (i % 500 == 1)
            r.message = std::string(150, '{');
        appendReminder(*f.pending, r);
        if (i % 1000 == 999)
            appendReminder(*f.pending, r); // the same appointment twice
        if (i % 50 == 0)
            listed.push_back(r.contactNo);
    }
    while (static_cast<int>(listed.size()) < rows / 5)
        listed.push_back(mobile(rng));
    markDoNotText(*f.doNotText, listed, kToday);
    f.pending->ResumeViews();
    f.doNotText->ResumeViews();
    return f;
}

void BM_CheckBatch(benchmark::State& state) {
    const Fixture& f = fixture(static_cast<int>(state.range(0)));
    const double now = dateTimeValue(kToday, timeMs(12, 0));
    size_t problems = 0;
    for (auto _ : state) {
        const DoNotTextSet listed(*f.doNotText);
        problems = checkBatch(*f.pending, now, listed).size();
        benchmark::DoNotOptimize(problems);
    }
    state.counters["rows"] = f.pending->RowCount();
    state.counters["listed"] = f.doNotText->RowCount();
    state.counters["problems"] = static_cast<double>(problems);
}

void BM_ReadCellsBaseline(benchmark::State& state) {
    const Fixture& f = fixture(static_cast<int>(state.range(0)));
    const TdxMemData& t = *f.pending;
    const int cells[] = {
        t.FieldIndex(fields::contact_no),       t.FieldIndex(fields::name),
        t.FieldIndex(fields::appointment_date), t.FieldIndex(fields::appointment_time),
        t.FieldIndex(fields::message),          t.FieldIndex(fields::days_before_appointment)};
    for (auto _ : state) {
        size_t touched = 0;
        for (int row = 0; row < t.RowCount(); ++row)
            for (int field : cells)
                touched += t.CellValue(row, field).index();
        benchmark::DoNotOptimize(touched);
    }
}

} // namespace

BENCHMARK(BM_CheckBatch)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCellsBaseline)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    GrowthReporter reporter({{"BM_CheckBatch", "BM_ReadCellsBaseline"}},
                            GrowthReporter::Clock::Cpu);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
