#pragma once

// The four page layouts of the printed lists. Every measurement is in millimetres; horizontal
// positions count from the left margin. The pages are A4 with 10 mm margins on every side.

#include "ui/print_request.h"

#include <QPageLayout>
#include <QString>

#include <vector>

namespace printing {

inline constexpr double kMarginMm = 10.0;
inline constexpr double kTitleBandMm = 10.6;
inline constexpr double kHeaderBandMm = 6.3;
inline constexpr double kDetailBandMm = 5.3;
inline constexpr double kFooterBandMm = 6.6;
// Space between the end of a text-wide column and the next column's start.
inline constexpr double kColumnGapMm = 0.5;

enum class ColumnAlign { Left, Centre };

struct Column {
    QString caption;
    const char* field; // field name in the report's row table
    double left;
    // 0: the value takes the width of its text, up to the next column's start (or the page's
    // edge for the last column), so that it is never drawn over its neighbour.
    double width;
    ColumnAlign align = ColumnAlign::Left;
    // The caption bold and underlined instead of having a rule below it.
    bool underlinedCaption = false;
    // The display format of a date or time field ("dd-MMM-yyyy", "HH:mm"); empty for the
    // field's text form (short date for dates).
    const char* format = "";
};

struct PageLayout {
    QString reportTitle;
    QPageLayout::Orientation orientation;
    double fromLeft; // "From"
    double nameLeft; // the sender's name
    // The title's date; a date that would lie beyond the printable width is put at its right
    // edge instead.
    double dateLeft;
    std::vector<Column> columns;
};

// The layout of a list.
const PageLayout& layoutOf(PrintedList list);
// The window caption of a list's report, used as the print job's name.
QString reportCaption(PrintedList list, bool selectedOnly);

} // namespace printing
