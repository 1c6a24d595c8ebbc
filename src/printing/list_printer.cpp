#include "printing/list_printer.h"

#include "core/tables/clock.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"
#include "printing/page_layouts.h"
#include "printing/report_painter.h"
#include "printing/report_rows.h"
#include "ui/prompter.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QProgressDialog>

#include <memory>
#include <stdexcept>

namespace printing {

namespace {

// Qt's PDF printer does not report failed writes (a full disk, a device that refuses them): a
// PDF is complete only when the file ends with its end-of-file marker.
bool pdfComplete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
        return false;
    file.seek(file.size() - 16);
    return file.read(16).contains("%%EOF");
}

} // namespace

ListPrinter::ListPrinter(Prompter& prompter, const Clock& clock,
                         std::function<QString()> senderName)
    : prompter_(prompter), clock_(clock), senderName_(std::move(senderName)) {}

void ListPrinter::preparePage(QPrinter& printer, const PageLayout& layout) {
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), layout.orientation,
                                      QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                      QPageLayout::Millimeter));
}

void ListPrinter::print(const PrintRequest& request) {
    // The test is on the whole table, also for a "selected" print.
    if (!request.table || request.table->RowCount() == 0) {
        prompter_.warning(QString::fromLatin1(kNoRecordsMessage));
        return;
    }
    try {
        run(request);
    } catch (...) {
        prompter_.error(QString::fromLatin1(kPrinterNotFoundMessage));
    }
}

void ListPrinter::run(const PrintRequest& request) {
    const PageLayout& layout = layoutOf(request.list);
    // The report: the window's own table for "all", a row table of its own for "selected".
    std::unique_ptr<TdxMemData> rowTable;
    const TdxMemData* rows = request.table;
    if (request.selectedOnly) {
        rowTable = makeRowTable(request.list);
        transferRecords(*request.table, request.selectedRows, *rowTable);
        rows = rowTable.get();
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(reportCaption(request.list, request.selectedOnly));
    preparePage(printer, layout);
    if (!prompter_.printDialog(printer))
        return;
    // The layouts are measured for this page whatever the dialog offered.
    preparePage(printer, layout);
    if (!printer.isValid())
        throw std::runtime_error("no printer");
    // A printer that makes its own copies is asked for them; otherwise each copy is printed.
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();

    ReportPainter painter(layout, *rows,
                          {senderName_(), QString::fromLatin1(formatDate(clock_.today()))});
    QProgressDialog progress(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 1,
                             QApplication::activeWindow());
    progress.setObjectName(QStringLiteral("prgPrint"));
    progress.setWindowTitle(reportCaption(request.list, request.selectedOnly));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    const PrintOutcome outcome = painter.print(
        printer, copies, printer.fromPage(), printer.toPage(), [&progress](int done, int total) {
            progress.setMaximum(total);
            progress.setLabelText(
                QStringLiteral("Printing page %1 of %2").arg(done + 1).arg(total));
            progress.setValue(done);
            return !progress.wasCanceled();
        });
    if (outcome == PrintOutcome::Failed)
        throw std::runtime_error("printing failed");
    if (outcome == PrintOutcome::Printed && printer.outputFormat() == QPrinter::PdfFormat &&
        !pdfComplete(printer.outputFileName()))
        throw std::runtime_error("the PDF file is incomplete");
}

} // namespace printing
