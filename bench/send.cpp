// The whole "&Send" of a pending list to a loopback SMTP server that accepts everything.
//
//   BM_Send/N        from the click on "&Send" until the send window has closed: checks,
//                    stamping N reminders, the rewrite of reminders.txt, the SMTP dialogue,
//                    copying the batch into the sent items, sentitems.txt, the boxes (answered
//                    at once by a quiet Prompter), the delete of reminders.txt
//   BM_SmtpOnly/N    the baseline: the SMTP dialogue alone for the same message (connect, send
//                    the same body, quit) with the same client and server
//
//   BM_PlainBaseline/N  the same work as plain programs would do it: a durable C++ rewrite of
//                    reminders.txt (the bytes formatted beforehand), curl sending that file to the
//                    same server, a durable C++ write of sentitems.txt
//
// The program's own share of a send is (BM_Send - BM_SmtpOnly) / BM_Send. Each case runs after
// a warm-up and five times; the minimum, the median, the page faults of the timed part, the
// growth per tenfold and the ratios to the baselines are printed at the end.
// Run: ./bench_send (it sets QT_QPA_PLATFORM=offscreen itself)

#include "app/forms.h"
#include "core/reminders/batch.h"
#include "core/store/schemas.h"
#include "core/tables/atomic_file.h"
#include "core/tables/date_time.h"
#include "growth_reporter.h"
#include "reminders/main_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"
#include "sending/test_servers.h"
#include "support/fake_clock.h"
#include "support/temp_folder.h"
#include "ui/application.h"
#include "ui/prompter.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

class QuietPrompter : public Prompter {
public:
    BoxButton show(const Box& box) override {
        ++boxes;
        lastText = box.text;
        return box.defaultButton == BoxButton::Yes ? BoxButton::No : box.defaultButton;
    }
    void beep() override {}
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    bool printDialog(QPrinter&) override { return false; }
    int boxes = 0;
    QString lastText;
};

void fillPending(TdxMemData& pending, int n) {
    pending.Close();
    pending.Open();
    pending.SuspendViews();
    std::vector<FieldValue> row(static_cast<size_t>(pending.FieldCount()));
    auto at = [&](const char* f) -> FieldValue& {
        return row[static_cast<size_t>(pending.FieldIndex(f))];
    };
    for (int i = 0; i < n; ++i) {
        at("contact_no") = "04" + std::to_string(11000000 + i);
        at("name") = "Customer " + std::to_string(i);
        at("appointment_date") = dayNumber(2026, 12, 10 + i % 20);
        at("appointment_time") = timeMs(8 + i % 10, (i * 5) % 60);
        at("message") = std::string("Your appointment is tomorrow at the usual place. Reply to "
                                    "confirm or call us to change it.");
        at("days_before_appointment") = int32_t{1};
        at("recurring_days") = int32_t{0};
        at("status") = false;
        at("delivery") = false;
        at("AllKey") = std::string("Your appointment is tomorrow at the usual place. ") +
                       std::get<std::string>(at("contact_no"));
        pending.AddRow(row);
    }
    pending.ResumeViews();
}

struct Setup {
    TempFolder folder;
    QuietPrompter prompter;
    FakeClock clock;
    std::unique_ptr<Forms> forms;
    testservers::LoopbackServer server{testservers::LoopbackServer::Mode::Accept};

    Setup() {
        static_cast<TApplication*>(qApp)->setPrompter(&prompter);
        const AppPaths paths = AppPaths::inOneFolder(folder.path());
        forms = std::make_unique<Forms>(prompter, clock, paths);
        TfrmSendMail* send = forms->frmSendMail;
        send->smtp.Port = server.port();
        // The program's example sender is refused; the benchmark's own is not.
        for (auto [edit, text] : {std::pair{send->dbeMailServer, "127.0.0.1"},
                                  std::pair{send->dbeFromName, "Bench Office"},
                                  std::pair{send->dbeFromAddress, "office@bench.example"}}) {
            edit->setText(text);
            emit edit->textEdited(edit->text());
        }
    }
    ~Setup() {
        forms.reset();
        static_cast<TApplication*>(qApp)->setPrompter(nullptr);
    }
};

void BM_Send(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Setup s;
    TfrmSendMail* send = s.forms->frmSendMail;
    TdxMemData& pending = *s.forms->frmMain->dxmReminders;
    TdxMemData& sent = *s.forms->frmSentItems->dxmSentItems;
    PageFaults faults(state);
    for (auto _ : state) {
        faults.stop();
        state.PauseTiming();
        fillPending(pending, n);
        pending.FieldDelimiter = kRemindersDelimiter;
        pending.WriteDelimitedFile(s.folder.file(kRemindersFile));
        sent.Close();
        sent.Open();
        send->show();
        const int before = s.server.messages();
        state.ResumeTiming();
        faults.start();

        QTest::mouseClick(send->bmbSend, Qt::LeftButton);

        Untimed check(state, faults);
        if (send->isVisible() || s.server.messages() != before + 1 || sent.RowCount() != n ||
            fileExists(s.folder.file(kRemindersFile))) {
            state.SkipWithError(
                ("the send did not complete: " + s.prompter.lastText).toStdString().c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["boxes/send"] =
        benchmark::Counter(s.prompter.boxes, benchmark::Counter::kAvgIterations);
}

void BM_SmtpOnly(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Setup s;
    TdxMemData& pending = *s.forms->frmMain->dxmReminders;
    fillPending(pending, n);
    pending.FieldDelimiter = kRemindersDelimiter;
    // The body as the send builds it: the bytes of reminders.txt.
    TIdMessage message;
    message.BodyText = pending.DelimitedText();
    message.From.Address = "pat.sample@example.com";
    message.Recipients.SetEMailAddresses(kGatewayAddress);
    message.Subject = "Tallyminder v.1.0.0.1";
    message.Date = 46365.0;
    TIdSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = s.server.port();
    PageFaults faults(state);
    for (auto _ : state) {
        smtp.Connect();
        smtp.Send(message);
        smtp.Disconnect();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// Writes the bytes to a temporary beside the file, flushes them to disk and renames it over.
void plainDurableWrite(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fdatasync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0)
        std::abort();
}

void BM_PlainBaseline(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Setup s;
    TdxMemData& pending = *s.forms->frmMain->dxmReminders;
    TdxMemData& sent = *s.forms->frmSentItems->dxmSentItems;
    fillPending(pending, n);
    pending.FieldDelimiter = kRemindersDelimiter;
    const std::string remindersText = pending.DelimitedText();
    sent.Close();
    sent.Open();
    moveBatchToSentItems(pending, sent, 46365);
    const std::string sentText = sent.DelimitedText();
    const std::string remindersPath = s.folder.file(kRemindersFile);
    const std::string curl =
        "curl -s -S -o /dev/null smtp://127.0.0.1:" + std::to_string(s.server.port()) +
        " --mail-from pat.sample@example.com --mail-rcpt " + kGatewayAddress + " --upload-file " +
        remindersPath;
    PageFaults faults(state);
    for (auto _ : state) {
        const int before = s.server.messages();
        plainDurableWrite(remindersPath, remindersText);
        if (std::system(curl.c_str()) != 0 || s.server.messages() != before + 1) {
            state.SkipWithError("curl did not send the file");
            break;
        }
        plainDurableWrite(s.folder.file(kSentItemsFile), sentText);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

#define SIZES ->Arg(5000)->Arg(50000)->Arg(500000)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_Send) SIZES->MinTime(1.0)->Apply(measured);
BENCHMARK(BM_SmtpOnly) SIZES->MinTime(1.0)->Apply(measured);
BENCHMARK(BM_PlainBaseline) SIZES->MinTime(1.0)->Apply(measured);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    GrowthReporter reporter({{"BM_Send", "BM_PlainBaseline"}, {"BM_Send", "BM_SmtpOnly"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
