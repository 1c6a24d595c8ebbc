#pragma once

// Paints a printed list on a printer, page by page: nothing of a page is kept once it is done,
// so memory does not grow with the length of the list.

#include "core/tables/field.h"
#include "printing/page_layouts.h"

#include <QFont>
#include <QString>

#include <functional>
#include <vector>

class QPaintDevice;
class QPainter;
class QPrinter;
class TdxMemData;

namespace printing {

// The texts of the title and footer bands.
struct ReportTexts {
    QString sender; // the sender's name beside "From"
    QString date;   // today in the short date format
};

// Nothing: no page to print (no rows, or a range past the end); the printer was not started.
enum class PrintOutcome { Printed, Nothing, Cancelled, Failed };

class ReportPainter {
public:
    // rows must outlive the painter; it is read, never changed.
    ReportPainter(const PageLayout& layout, const TdxMemData& rows, ReportTexts texts);

    // Told before each page is painted (1-based count of pages done, of total); false cancels.
    using Progress = std::function<bool(int done, int total)>;

    // Prints pages first to last (1-based; 0 and 0 for all) copies times, collated. Without rows
    // or with a range past the end nothing is printed and the printer is not started.
    PrintOutcome print(QPrinter& printer, int copies, int firstPage, int lastPage,
                       const Progress& progress = {});

private:
    struct ResolvedColumn {
        const Column* column;
        int field;    // index in the row table, -1 when it has no such field
        FieldDef def; // with the layout's display format
        double widthMm;
    };

    void measureRows(QPaintDevice* device);
    void paintPage(QPainter& painter, int page, double pageWidthMm, double pageHeightMm,
                   int firstRow, int rowCount);
    double paintTitle(QPainter& painter, double widthMm);
    void paintHeader(QPainter& painter, double top);
    void paintFooter(QPainter& painter, double top, double widthMm, int page);

    const PageLayout& layout_;
    const TdxMemData& rows_;
    ReportTexts texts_;
    std::vector<ResolvedColumn> columns_;
    std::vector<double> rowHeights_; // mm, one per row
    double pxPerMm_ = 1;
    QFont plain_, bold_, underlined_, product_, title_;
};

} // namespace printing
