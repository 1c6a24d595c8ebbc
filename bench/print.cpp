// The printed list of a busy practice: 10,000 pending reminders printed to a PDF file.
//
//   BM_PrintReminders/N   the whole print procedure of the reminders list ("Print ") on Qt's PDF
//                         printer: the row table read, every value formatted, wrapped in its
//                         column and cut at its band, page by page (N reminders)
//   BM_BarePainter        the baseline: the same strings at the same positions painted with
//                         QPainter::drawText on a QPrinter, page by page, with no report code
//                         (the strings formatted beforehand, untimed)
//
// Counters: pages per run, and the process's peak resident memory after the run (maxrss_MB):
// the report paints page by page, so the peak does not grow with the page count.
//
// Run: QT_QPA_PLATFORM=offscreen ./bench_print

#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "printing/list_printer.h"
#include "support/fake_clock.h"
#include "ui/prompter.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QTextOption>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString kPdf = QStringLiteral("/tmp/tallyminder-bench-print.pdf");

// Answers the print dialog with the PDF printer; any other box means the run went wrong.
class PdfPrompter : public Prompter {
public:
    BoxButton show(const Box& box) override {
        std::fprintf(stderr, "unexpected box: %s\n", box.text.toLocal8Bit().constData());
        std::abort();
    }
    void beep() override {}
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&) override { return {}; }
    bool printDialog(QPrinter& printer) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(kPdf);
        return true;
    }
};

std::unique_ptr<TdxMemData> makeReminders(int count) {
    auto t = schemas::makeReminders();
    t->SetSortedField({});
    std::mt19937 rng(11);
    const char* words[] = {"Your",    "appointment", "with",       "Dr",    "Kim", "is",
                           "on",      "Monday",      "please",     "call",  "us",  "to",
                           "confirm", "or",          "reschedule", "thanks"};
    std::vector<FieldValue> row(static_cast<size_t>(t->FieldCount()));
    for (int i = 0; i < count; ++i) {
        std::string message;
        // Messages of 20 to 160 characters: the longer ones wrap and are cut at the band.
        const size_t length = 20 + rng() % 141;
        while (message.size() < length)
            message += std::string(words[rng() % 16]) + " ";
        message.resize(length);
        char number[16];
        std::snprintf(number, sizeof number, "04%08d", 10000000 + i);
        row[1] = std::string(number);
        row[2] = "Customer " + std::to_string(i);
        row[3] = dayNumber(2026, 12, 1 + i % 28);
        row[4] = timeMs(8 + i % 10, (i * 5) % 60);
        row[5] = message;
        row[6] = int32_t{1};
        row[7] = int32_t{0};
        t->AddRow(row);
    }
    return t;
}

double maxRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

int pdfPages() {
    QFile f(kPdf);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = f.readAll();
    return static_cast<int>(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                            bytes.count("/Type /Page/") + bytes.count("/Type /Page>"));
}

void BM_PrintReminders(benchmark::State& state) {
    auto reminders = makeReminders(static_cast<int>(state.range(0)));
    PdfPrompter prompter;
    FakeClock clock;
    printing::ListPrinter printer(prompter, clock, [] { return QStringLiteral("Front Desk"); });
    for (auto _ : state)
        printer.print({PrintedList::Reminders, reminders.get(), false, {}});
    state.counters["pages"] = pdfPages();
    state.counters["maxrss_MB"] = maxRssMb();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PrintReminders)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same texts at the same millimetres as the reminders layout, painted directly.
void BM_BarePainter(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    auto reminders = makeReminders(count);
    struct Cell {
        double left, width;
        int field;
        bool centred;
    };
    const Cell cells[] = {{2.0, 22.2, 1, false},
                          {27.1, 49.9, 2, false},
                          {80.0, 147.8, 5, false},
                          {226.2, 30.8, 3, true},
                          {256.6, 18.9, 4, true}};
    // The strings, formatted beforehand.
    std::vector<QString> texts;
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int r = 0; r < count; ++r) {
        for (const Cell& c : cells) {
            const FieldValue v = reminders->CellValue(r, c.field);
            if (c.field == 3) {
                const CivilDate d = civilFromDayNumber(std::get<int32_t>(v));
                texts.push_back(QStringLiteral("%1-%2-%3")
                                    .arg(d.day, 2, 10, QLatin1Char('0'))
                                    .arg(QLatin1String(months[d.month - 1]))
                                    .arg(d.year));
            } else if (c.field == 4) {
                texts.push_back(QString::fromStdString(formatShortTime(std::get<int32_t>(v))));
            } else {
                texts.push_back(QString::fromStdString(std::get<std::string>(v)));
            }
        }
    }
    const QStringList captions = {QStringLiteral("Contact No."), QStringLiteral("Name"),
                                  QStringLiteral("Message"), QStringLiteral("Date"),
                                  QStringLiteral("Time")};
    auto font = [](double pt, bool bold, bool italic) {
        QFont f;
        f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
        f.setPointSizeF(pt);
        f.setBold(bold);
        f.setItalic(italic);
        return f;
    };
    const QFont plain = font(10, false, false), bold = font(10, true, false),
                product = font(20, true, false), title = font(15, true, true);
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(kPdf);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                          QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        const double k = printer.resolution() / 25.4;
        QPainter p(&printer);
        int row = 0;
        for (int page = 1; row < count; ++page) {
            if (page > 1)
                printer.newPage();
            double top = 0;
            if (page == 1) {
                p.setFont(product);
                p.drawText(QRectF(0, 0, 277 * k, 10.6 * k), Qt::AlignLeft | Qt::AlignVCenter,
                           QStringLiteral("Tallyminder"));
                p.setFont(title);
                p.drawText(QRectF(0, 0, 277 * k, 10.6 * k), Qt::AlignHCenter | Qt::AlignVCenter,
                           QStringLiteral("Messages"));
                p.setFont(plain);
                p.drawText(QRectF(164.0 * k, 1 * k, 10 * k, 9.6 * k), Qt::AlignLeft,
                           QStringLiteral("From"));
                p.drawText(QRectF(174.6 * k, 1 * k, 63 * k, 9.6 * k), Qt::AlignLeft,
                           QStringLiteral("Front Desk"));
                p.drawText(QRectF(238.1 * k, 1 * k, 38 * k, 9.6 * k), Qt::AlignLeft,
                           QStringLiteral("09/12/2026"));
                top = 10.6;
            }
            p.setFont(bold);
            for (int c = 0; c < 5; ++c) {
                const Cell& cell = cells[c];
                p.drawText(QRectF(cell.left * k, (top + 0.5) * k, cell.width * k, 5.8 * k),
                           (cell.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::TextWordWrap,
                           captions[c]);
                p.drawLine(QPointF(cell.left * k, (top + 5) * k),
                           QPointF((cell.left + cell.width) * k, (top + 5) * k));
            }
            top += 6.3;
            p.setFont(plain);
            const int rows = page == 1 ? 31 : 33;
            for (int r = 0; r < rows && row < count; ++r, ++row) {
                for (int c = 0; c < 5; ++c) {
                    const Cell& cell = cells[c];
                    p.drawText(QRectF(cell.left * k, (top + 0.5) * k, cell.width * k, 4.8 * k),
                               (cell.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::TextWordWrap,
                               texts[static_cast<size_t>(row * 5 + c)]);
                }
                top += 5.3;
            }
            const QRectF footer(0, 183.4 * k, 277 * k, 6.6 * k);
            p.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("Printed 09/12/2026"));
            p.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("Page ") + QString::number(page));
        }
        p.end();
    }
    state.counters["pages"] = pdfPages();
    state.counters["maxrss_MB"] = maxRssMb();
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_BarePainter)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QFile::remove(kPdf);
    return 0;
}
