// The contact book at the size of a large practice: 50,000 contacts in 50 groups.
//
//   BM_Import            imports a 50,000-line address list into that book (half the lines are
//                        contacts it already holds, half are new) and writes the book; the
//                        windows are rebuilt untimed before each run. Counter: lines per second.
//   BM_RowByRowLookups   the baseline: the same import's number look-ups done with the table's
//                        own FindRowNumber, a scan from the first row, for the first 2,000 lines
//                        only (all of them would take minutes). Counter: lines per second.
//   BM_OpenContacts      shows the contacts window over the 50,000 contacts (FormShow,
//                        FormActivate, first paint); closed again untimed
//   BM_CloseContacts     closes it: the close steps, the book written, the pickers refilled
//
// Run: QT_QPA_PLATFORM=offscreen ./bench_contacts

#include <benchmark/benchmark.h>

#include "ui/application.h"
#include "app/forms.h"
#include "reminders/main_window.h"
#include "ui/prompter.h"
#include "core/contacts/contact_import.h"
#include "contacts/contacts_window.h"
#include "core/tables/atomic_file.h"
#include "core/tables/mem_data.h"
#include "core/store/schemas.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"

#include <QCoreApplication>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// Answers every box with its default button and counts them: a run that meets a box has gone
// off its path, which the counter shows.
class QuietPrompter : public Prompter {
public:
    BoxButton show(const Box& box) override {
        ++boxes;
        return box.defaultButton;
    }
    void beep() override {}
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    bool printDialog(QPrinter&) override { return false; }
    int boxes = 0;
};

constexpr int kContacts = 50000;
constexpr int kLines = 50000;
constexpr int kGroups = 50;

std::string numberOf(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "07%08d", 10000000 + i);
    return number;
}

std::string groupOf(int i) { return "group " + std::to_string(i % kGroups); }

struct Folder {
    TempFolder temp; // removed with the files at the end of the run
    std::string path = temp.path();
    std::string book;   // the contact book as written, put back after each run
    std::string import; // the address list's path

    Folder() {
        auto groups = schemas::makeGroups();
        groups->AddRow({FieldValue{}, std::string("all")});
        groups->AddRow({FieldValue{}, std::string()});
        for (int g = 0; g < kGroups; ++g)
            groups->AddRow({FieldValue{}, "group " + std::to_string(g)});
        groups->WriteDelimitedFile(path + "/" + kGroupsFile);

        auto contacts = schemas::makeContacts();
        contacts->SuspendViews();
        for (int i = 0; i < kContacts; ++i)
            contacts->AddRow({FieldValue{}, "Customer " + std::to_string(i), numberOf(i),
                              groupOf(i), concatContact(numberOf(i), groupOf(i))});
        contacts->ResumeViews();
        contacts->WriteDelimitedFile(path + "/" + kContactsFile);
        book = readWholeFile(path + "/" + kContactsFile);

        // Even lines repeat a contact of the book, odd lines bring a new number; in mixed order.
        std::string list;
        for (int i = 0; i < kLines; ++i) {
            const int n = (i % 2 == 0) ? (i * 7919) % kContacts : kContacts + i;
            list += "\"customer " + std::to_string(n) + "\"\t" + numberOf(n) + "\t" +
                    (i % 2 == 0 ? groupOf(n) : groupOf(i)) + "\r\n";
        }
        import = path + "/import.txt";
        writeFileAtomically(import, list);
    }
    AppPaths paths() const { return AppPaths::inOneFolder(path); }
    void restore() const { writeFileAtomically(path + "/" + kContactsFile, book); }
};

Folder& folder() {
    static Folder f;
    return f;
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

struct Program {
    QuietPrompter prompter;
    FakeClock clock;
    std::unique_ptr<Forms> forms;
    Program() {
        static_cast<TApplication*>(qApp)->setPrompter(&prompter);
        forms = std::make_unique<Forms>(prompter, clock, folder().paths());
    }
    ~Program() {
        forms.reset();
        folder().restore();
        static_cast<TApplication*>(qApp)->setPrompter(nullptr);
    }
    TfrmContact& contacts() { return *forms->frmContact; }
};

void BM_Import(benchmark::State& state) {
    int boxes = 0;
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>();
        TfrmContact& w = program->contacts();
        w.show();
        settle();
        state.ResumeTiming();
        if (!w.importFile(folder().import))
            state.SkipWithError("the address list could not be opened");
        state.PauseTiming();
        rows = w.dxContact->RowCount();
        boxes += program->prompter.boxes;
        w.hide();
        program.reset();
        state.ResumeTiming();
    }
    state.counters["lines/s"] =
        benchmark::Counter(double(kLines) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["rows after"] = rows;
    state.counters["boxes"] = boxes;
}

void BM_RowByRowLookups(benchmark::State& state) {
    constexpr int kSample = 2000;
    auto contacts = schemas::makeContacts();
    contacts->ReadDelimitedFile(folder().path + "/" + kContactsFile);
    contacts->SetSortedField("number");
    std::vector<std::string> numbers;
    for (int i = 0; i < kSample; ++i) {
        const int n = (i % 2 == 0) ? (i * 7919) % kContacts : kContacts + i;
        numbers.push_back(numberOf(n));
    }
    for (auto _ : state)
        for (const std::string& n : numbers)
            benchmark::DoNotOptimize(contacts->FindRowNumber(FieldValue{n}, "number"));
    state.counters["lines/s"] =
        benchmark::Counter(double(kSample) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_OpenContacts(benchmark::State& state) {
    Program program;
    TfrmContact& w = program.contacts();
    for (auto _ : state) {
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            state.SkipWithError("the window was not shown");
        settle();
        state.PauseTiming();
        w.close();
        settle();
        state.ResumeTiming();
    }
    state.counters["boxes"] = program.prompter.boxes;
}

void BM_CloseContacts(benchmark::State& state) {
    Program program;
    TfrmContact& w = program.contacts();
    for (auto _ : state) {
        state.PauseTiming();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            state.SkipWithError("the window was not shown");
        settle();
        state.ResumeTiming();
        w.close();
        settle();
    }
    state.counters["boxes"] = program.prompter.boxes;
}

BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RowByRowLookups)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_OpenContacts)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CloseContacts)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    folder(); // the files are written before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
