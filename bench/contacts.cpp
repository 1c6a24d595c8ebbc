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
//   BM_DropBlankContacts/N  the contacts window's load of a book of N rows of which every other
//                        has neither name nor number: the file read, those rows dropped, the
//                        pickers refilled
//   BM_AllContactsWithoutNumber/N  "all contacts" entered in the main window over a book of N
//                        contacts that have a name and no number: each is asked about (the box
//                        answered Yes) and deleted
// The last two run at 10,000 and 100,000 rows after a warm-up, five times each, and print the
// growth per tenfold (10 = linear).
//
// Run: QT_QPA_PLATFORM=offscreen ./bench_contacts

#include "app/forms.h"
#include "contacts/contacts_window.h"
#include "core/contacts/contact_import.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/mem_data.h"
#include "growth_reporter.h"
#include "reminders/main_window.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"
#include "ui/application.h"
#include "ui/prompter.h"

#include <QCoreApplication>
#include <QTest>

#include <benchmark/benchmark.h>

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

std::string groupOf(int i) {
    return "group " + std::to_string(i % kGroups);
}

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
    explicit Program(const AppPaths& paths = folder().paths()) {
        static_cast<TApplication*>(qApp)->setPrompter(&prompter);
        forms = std::make_unique<Forms>(prompter, clock, paths);
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

// A folder whose contact book has the given rows: (name, number) of row i.
template <typename Row> std::unique_ptr<TempFolder> bookFolder(int rows, Row&& row) {
    auto temp = std::make_unique<TempFolder>();
    auto groups = schemas::makeGroups();
    for (const char* g : {"all", ""})
        groups->AddRow({FieldValue{}, std::string(g)});
    groups->WriteDelimitedFile(temp->path() + "/" + kGroupsFile);
    auto contacts = schemas::makeContacts();
    contacts->SuspendViews();
    for (int i = 0; i < rows; ++i) {
        const auto [name, number] = row(i);
        contacts->AddRow({FieldValue{}, name, number, std::string(), std::string()});
    }
    contacts->ResumeViews();
    contacts->WriteDelimitedFile(temp->path() + "/" + kContactsFile);
    return temp;
}

void BM_DropBlankContacts(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const auto temp = bookFolder(rows, [](int i) {
        return i % 2 ? std::pair{"Customer " + std::to_string(i), numberOf(i)}
                     : std::pair{std::string(), std::string()};
    });
    Program program(AppPaths::inOneFolder(temp->path()));
    TfrmContact& w = program.contacts();
    PageFaults faults(state);
    for (auto _ : state) {
        w.frmContactCreate();
        if (w.dxContact->RowCount() != rows / 2)
            state.SkipWithError("the blank rows were not dropped");
    }
    state.counters["boxes"] = program.prompter.boxes;
}

void BM_AllContactsWithoutNumber(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const auto temp = bookFolder(rows, [](int i) {
        return std::pair{"Customer " + std::to_string(i), std::string()};
    });
    const std::string book = temp->path() + "/" + kContactsFile;
    Program program(AppPaths::inOneFolder(temp->path()));
    TdxMemData& contacts = *program.forms->frmContact->dxContact;
    PageFaults faults(state);
    for (auto _ : state) {
        {
            Untimed reload(state, faults);
            contacts.ReadDelimitedFile(book);
            program.prompter.boxes = 0;
        }
        program.forms->frmMain->AddEditAll();
        if (contacts.RowCount() != 0 || program.prompter.boxes != rows)
            state.SkipWithError(
                "the contacts without a number were not all asked about and deleted");
    }
}

BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RowByRowLookups)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_OpenContacts)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CloseContacts)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_DropBlankContacts)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(measured);
BENCHMARK(BM_AllContactsWithoutNumber)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Apply(measured);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    folder(); // the files are written before any timing
    GrowthReporter reporter({});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
