// The painter's progress: told before each page with the pages done and the total, and a
// cancel there stops the print.

#include "printing/report_painter.h"

#include "core/store/schemas.h"
#include "printing/list_printer.h"
#include "support/temp_folder.h"

#include <QPrinter>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::unique_ptr<TdxMemData> messages(int count) {
    auto t = schemas::makeMessages();
    std::vector<FieldValue> row(2);
    for (int i = 0; i < count; ++i) {
        row[1] = "Message " + std::to_string(i);
        t->AddRow(row);
    }
    return t;
}

struct Printed {
    printing::PrintOutcome outcome;
    std::vector<std::pair<int, int>> calls;
};

Printed print(const TdxMemData& rows, const QString& path, int copies, int cancelAt) {
    const auto& layout = printing::layoutOf(PrintedList::Messages);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printing::ListPrinter::preparePage(printer, layout);
    printing::ReportPainter painter(layout, rows, {QStringLiteral("Desk"), QStringLiteral("x")});
    Printed p;
    p.outcome = painter.print(printer, copies, 0, 0, [&](int done, int total) {
        p.calls.emplace_back(done, total);
        return done != cancelAt;
    });
    return p;
}

TEST(ReportPainter, TellsItsProgressPageByPageAndStopsWhenCancelled) {
    TempFolder folder;
    // Portrait: 47 rows on the first page, 49 on the next: 100 rows take three pages.
    const auto rows = messages(100);
    const Printed all = print(*rows, QString::fromStdString(folder.file("a.pdf")), 2, -1);
    EXPECT_EQ(all.outcome, printing::PrintOutcome::Printed);
    const std::vector<std::pair<int, int>> sixPages = {{0, 6}, {1, 6}, {2, 6},
                                                       {3, 6}, {4, 6}, {5, 6}};
    EXPECT_EQ(all.calls, sixPages);

    const Printed cancelled = print(*rows, QString::fromStdString(folder.file("b.pdf")), 1, 1);
    EXPECT_EQ(cancelled.outcome, printing::PrintOutcome::Cancelled);
    EXPECT_EQ(cancelled.calls.size(), 2u);

    const auto none = messages(0);
    const Printed empty = print(*none, QString::fromStdString(folder.file("c.pdf")), 1, -1);
    EXPECT_EQ(empty.outcome, printing::PrintOutcome::Nothing);
    EXPECT_TRUE(empty.calls.empty());
    EXPECT_FALSE(folder.exists("c.pdf"));
}

} // namespace
