// The main window with a busy practice's files: 10,000 pending reminders, 10,000 contacts in 50
// groups and 200 standard messages.
//
//   BM_StartProgram      builds the program's windows in that folder until the main window has
//                        been shown and activated, and destroys them again (untimed)
//   BM_BareTableWindow   the baseline: a bare QMainWindow with a 10,000-row QTableView over a
//                        QStandardItemModel, built and shown the same way
//   BM_OneOk             one press of OK adding a single reminder, the save of reminders.txt
//                        included; the row is removed again untimed so the list stays at 10,000
//   BM_DeleteSelectedRows  all 10,000 rows selected in the grid and deleted from its menu
//                        (Ctrl+Del), the confirmation answered OK; put back untimed
//   BM_PasteRows         10,000 rows copied from the grid pasted back into it
//
// Run: QT_QPA_PLATFORM=offscreen ./bench_main_window

#include "reminders/main_window.h"

#include "app/forms.h"
#include "contacts/contacts_window.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "core/tables/suspended_views.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"
#include "ui/application.h"
#include "ui/prompter.h"
#include "ui/widgets/date_box.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimeEdit>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>

namespace {

// Answers every box with its default button and counts them; a benchmark that meets a box has
// gone off its path, which the counter shows.
class QuietPrompter : public Prompter {
public:
    BoxButton show(const Box& box) override {
        ++boxes;
        lastText = box.text;
        return confirmDeletion && box.text.startsWith(QLatin1String("Delete")) ? BoxButton::Ok
                                                                               : box.defaultButton;
    }
    bool confirmDeletion = false;
    void beep() override {}
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    bool printDialog(QPrinter&) override { return false; }
    int boxes = 0;
    QString lastText;
};

constexpr int kReminders = 10000;
constexpr int kContacts = 10000;
constexpr int kGroups = 50;
constexpr int kMessages = 200;

std::string numberOf(int i) {
    char number[16];
    std::snprintf(number, sizeof number, "07%08d", 10000000 + i);
    return number;
}

std::string nameOf(int i) {
    return "Customer " + std::to_string(i);
}

// The four table files of a busy practice, written by the program's own tables.
void writeFiles(const std::string& folder) {
    std::mt19937 rng(7);
    auto groups = schemas::makeGroups();
    groups->AddRow({FieldValue{}, std::string("all")});
    groups->AddRow({FieldValue{}, std::string()});
    for (int g = 0; g < kGroups; ++g)
        groups->AddRow({FieldValue{}, "group " + std::to_string(g)});
    groups->WriteDelimitedFile(folder + "/" + kGroupsFile);

    auto contacts = schemas::makeContacts();
    contacts->SuspendViews();
    for (int i = 0; i < kContacts; ++i) {
        const std::string group = "group " + std::to_string(i % kGroups);
        contacts->AddRow({FieldValue{}, nameOf(i), numberOf(i), group, numberOf(i) + group});
    }
    contacts->ResumeViews();
    contacts->WriteDelimitedFile(folder + "/" + kContactsFile);

    auto messages = schemas::makeMessages();
    for (int i = 0; i < kMessages; ++i)
        messages->AddRow({FieldValue{}, "Standard message " + std::to_string(i) +
                                            ": your appointment is on | at ~, please call if "
                                            "you cannot attend"});
    messages->WriteDelimitedFile(folder + "/" + kMessagesFile);

    auto reminders = schemas::makeReminders();
    reminders->FieldDelimiter = kRemindersDelimiter;
    reminders->SuspendViews();
    for (int i = 0; i < kReminders; ++i) {
        const int c = static_cast<int>(rng() % kContacts);
        const std::string message = "Your appointment is on " + std::to_string(1 + i % 28) +
                                    "/01/2027, please call us "
                                    "if you cannot attend. Thank you.";
        reminders->AddRow({FieldValue{}, numberOf(c), nameOf(c),
                           int32_t(dayNumber(2027, 1 + (i % 12), 1 + (i % 28))),
                           int32_t(timeMs(8 + (i % 10), (i % 4) * 15)), message, int32_t(i % 3),
                           int32_t(0), FieldValue{}, false, false, 0.0, message + numberOf(c)});
    }
    reminders->ResumeViews();
    reminders->WriteDelimitedFile(folder + "/" + kRemindersFile);
}

struct Folder {
    TempFolder temp; // removed with the files at the end of the run
    std::string path = temp.path();
    std::string reminders; // the pending list as written, restored after each start
    Folder() {
        writeFiles(path);
        reminders = readWholeFile(path + "/" + kRemindersFile);
    }
    AppPaths paths() const { return AppPaths::inOneFolder(path); }
    // The end of the program rewrites the files; put the pending list back as it was.
    void restore() const { writeFileAtomically(path + "/" + kRemindersFile, reminders); }
};

Folder& folder() {
    static Folder f;
    return f;
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void BM_StartProgram(benchmark::State& state) {
    QuietPrompter prompter;
    static_cast<TApplication*>(qApp)->setPrompter(&prompter);
    FakeClock clock;
    for (auto _ : state) {
        auto forms = std::make_unique<Forms>(prompter, clock, folder().paths());
        forms->frmMain->show();
        forms->frmMain->FormActivate();
        settle();
        benchmark::DoNotOptimize(forms->frmMain->dxmReminders->RowCount());
        state.PauseTiming();
        forms.reset();
        folder().restore();
        state.ResumeTiming();
    }
    state.counters["boxes"] = prompter.boxes;
    static_cast<TApplication*>(qApp)->setPrompter(nullptr);
}

void BM_BareTableWindow(benchmark::State& state) {
    // The same pending list as text, as a plain model would hold it.
    auto table = schemas::makeReminders();
    table->FieldDelimiter = kRemindersDelimiter;
    table->ReadDelimitedFile(folder().path + "/" + kRemindersFile);
    const int columns = 8;
    for (auto _ : state) {
        auto window = std::make_unique<QMainWindow>();
        auto* model = new QStandardItemModel(table->RowCount(), columns, window.get());
        for (int r = 0; r < table->RowCount(); ++r)
            for (int c = 0; c < columns; ++c)
                model->setItem(
                    r, c, new QStandardItem(QString::fromStdString(table->CellText(r, c + 1))));
        auto* view = new QTableView(window.get());
        view->setModel(model);
        window->setCentralWidget(view);
        window->setWindowState(Qt::WindowMaximized);
        window->show();
        window->activateWindow();
        settle();
        benchmark::DoNotOptimize(model->rowCount());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

void BM_OneOk(benchmark::State& state) {
    QuietPrompter prompter;
    static_cast<TApplication*>(qApp)->setPrompter(&prompter);
    FakeClock clock;
    clock.set(2026, 12, 9, 9, 30);
    auto forms = std::make_unique<Forms>(prompter, clock, folder().paths());
    TfrmMain* main = forms->frmMain;
    main->show();
    main->FormActivate();
    settle();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A known customer, a date after today, a time and a message, as a user leaves them.
        const int c = (i++ * 37) % kContacts;
        main->visibleNamePicker()->setEditText(QString::fromStdString(nameOf(c)));
        main->mskContactNo->setText(QString::fromStdString(numberOf(c)));
        main->dtpDate->setDay(dayNumber(2027, 3, 1 + (i % 28)));
        main->dtpTime->setTime(QTime(10, 15));
        main->cboMessage->setEditText(QStringLiteral("See you at 10:15, thank you"));
        const int before = main->dxmReminders->RowCount();
        state.ResumeTiming();

        main->bmbOKClick();

        state.PauseTiming();
        if (main->dxmReminders->RowCount() != before + 1)
            state.SkipWithError(("OK added no row: " + prompter.lastText.toStdString()).c_str());
        settle(); // the keys OK posts to the picker
        // Back to 10,000 rows: the added row is the newest one.
        main->dxmReminders->Last();
        main->dxmReminders->Delete();
        state.ResumeTiming();
    }
    state.counters["boxes"] = prompter.boxes;
    forms.reset();
    folder().restore();
    static_cast<TApplication*>(qApp)->setPrompter(nullptr);
}

// The program's windows on the busy folder, shown, for the grid benchmarks.
struct ShownProgram {
    QuietPrompter prompter;
    FakeClock clock;
    std::unique_ptr<Forms> forms;
    TfrmMain* main = nullptr;

    ShownProgram() {
        static_cast<TApplication*>(qApp)->setPrompter(&prompter);
        clock.set(2026, 12, 9, 9, 30);
        forms = std::make_unique<Forms>(prompter, clock, folder().paths());
        main = forms->frmMain;
        main->show();
        main->FormActivate();
        settle();
    }
    ~ShownProgram() {
        forms.reset();
        folder().restore();
        static_cast<TApplication*>(qApp)->setPrompter(nullptr);
    }
};

void BM_DeleteSelectedRows(benchmark::State& state) {
    ShownProgram p;
    p.prompter.confirmDeletion = true;
    TdxMemData& pending = *p.main->dxmReminders;
    for (auto _ : state) {
        state.PauseTiming();
        p.main->dbgReminders->setFocus();
        p.main->dbgReminders->selectAll();
        const int before = pending.RowCount();
        state.ResumeTiming();

        p.main->Deletecurrentrecord1Click();

        state.PauseTiming();
        if (before != kReminders || pending.RowCount() != 0) {
            state.SkipWithError(
                ("the rows were not deleted: " + p.prompter.lastText.toStdString()).c_str());
            break;
        }
        p.main->undoDeletion();
        settle();
        state.ResumeTiming();
    }
    state.counters["boxes"] = p.prompter.boxes;
}

void BM_PasteRows(benchmark::State& state) {
    ShownProgram p;
    TdxMemData& pending = *p.main->dxmReminders;
    p.main->dbgReminders->setFocus();
    p.main->dbgReminders->selectAll();
    p.main->copyRows();
    for (auto _ : state) {
        state.PauseTiming();
        const int before = pending.RowCount();
        state.ResumeTiming();

        p.main->pasteRows();

        state.PauseTiming();
        if (pending.RowCount() != before + kReminders) {
            state.SkipWithError(
                ("the rows were not pasted: " + p.prompter.lastText.toStdString()).c_str());
            break;
        }
        // Back to 10,000 rows: the pasted rows are the last ones.
        {
            SuspendedViews suspended(pending);
            std::vector<int> pasted;
            for (int r = before; r < pending.RowCount(); ++r)
                pasted.push_back(r);
            p.main->deleteRows(pasted);
        }
        settle();
        state.ResumeTiming();
    }
    state.counters["boxes"] = p.prompter.boxes;
}

BENCHMARK(BM_BareTableWindow)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartProgram)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OneOk)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_DeleteSelectedRows)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PasteRows)->Unit(benchmark::kMillisecond)->Iterations(5);

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
