#include "printing/report_painter.h"

#include "core/tables/mem_data.h"
#include "printing/pagination.h"
#include "ui/qt_charset.h"
#include "ui/table_model.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>

namespace printing {

namespace {

constexpr double kTextTopMm = 0.5; // from a band's top to its text
constexpr double kTitleTextTopMm = 1.0;
constexpr double kRuleWidthMm = 0.2;
const QColor kNavy(0, 0, 128);

// Arial, or the metric-compatible font the system has.
QFont reportFont(double points, bool bold = false, bool italic = false) {
    QFont f;
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void prepareWrapped(QTextLayout& layout, ColumnAlign align) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(align == ColumnAlign::Centre ? Qt::AlignHCenter : Qt::AlignLeft);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
}

// How many lines text takes wrapped in a width (in device pixels); at least one.
int wrappedLines(const QString& text, const QFont& font, QPaintDevice* device, double width,
                 const QFontMetricsF& metrics) {
    // Most values fit on one line; only those that do not are laid out.
    if (text.isEmpty() || width <= 0 || metrics.horizontalAdvance(text) <= width)
        return 1;
    QTextLayout layout(text, font, device);
    prepareWrapped(layout, ColumnAlign::Left);
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return std::max(1, lines);
}

// Draws text in a box: wrapped at word boundaries (or anywhere within a word longer than the
// box), only the lines that fit the box's height whole, each aligned in the box's width.
void drawWrapped(QPainter& painter, const QRectF& box, const QString& text, ColumnAlign align) {
    if (text.isEmpty() || box.width() <= 0)
        return;
    QTextLayout layout(text, painter.font(), painter.device());
    prepareWrapped(layout, align);
    int fitting = 0;
    double y = 0;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(box.width());
        if (y + line.height() > box.height() + 1e-6)
            break;
        line.setPosition(QPointF(0, y));
        y += line.height();
        ++fitting;
    }
    layout.endLayout();
    for (int i = 0; i < fitting; ++i)
        layout.lineAt(i).draw(&painter, box.topLeft());
}

} // namespace

ReportPainter::ReportPainter(const PageLayout& layout, const TdxMemData& rows, ReportTexts texts)
    : layout_(layout), rows_(rows), texts_(std::move(texts)), plain_(reportFont(10)),
      bold_(reportFont(10, true)), underlined_(reportFont(10, true)),
      product_(reportFont(20, true)), title_(reportFont(15, true, true)) {
    underlined_.setUnderline(true);
}

PrintOutcome ReportPainter::print(QPrinter& printer, int copies, int firstPage, int lastPage,
                                  const Progress& progress) {
    const QRectF paper = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    if (rows_.RowCount() == 0 || copies < 1)
        return PrintOutcome::Nothing;

    // Columns: fields looked up once; a text-wide column runs to the next column's start.
    columns_.clear();
    for (size_t i = 0; i < layout_.columns.size(); ++i) {
        const Column& c = layout_.columns[i];
        const int field = rows_.FieldIndex(c.field);
        FieldDef def = field >= 0 ? rows_.Field(field).Def() : FieldDef{};
        def.displayFormat = c.format;
        double width = c.width;
        if (width <= 0) {
            const double end =
                i + 1 < layout_.columns.size() ? layout_.columns[i + 1].left : paper.width();
            width = std::max(0.0, end - c.left - kColumnGapMm);
        }
        columns_.push_back({&c, field, std::move(def), width});
    }

    pxPerMm_ = printer.resolution() / 25.4;
    measureRows(&printer);
    const Pagination pagination(paper.height(), rowHeights_);
    const int pages = pagination.pageCount();
    const int first = firstPage > 0 ? firstPage : 1;
    const int last = lastPage > 0 ? std::min(lastPage, pages) : pages;
    if (first > last)
        return PrintOutcome::Nothing;

    QPainter painter;
    if (!painter.begin(&printer))
        return PrintOutcome::Failed;
    const int total = (last - first + 1) * copies;
    int done = 0;
    for (int copy = 0; copy < copies; ++copy) {
        for (int page = first; page <= last; ++page) {
            if (progress && !progress(done, total)) {
                printer.abort();
                painter.end();
                return PrintOutcome::Cancelled;
            }
            if (done > 0 && !printer.newPage()) {
                painter.end();
                return PrintOutcome::Failed;
            }
            paintPage(painter, page, paper.width(), paper.height(), pagination.firstRow(page),
                      pagination.rowsOn(page));
            if (printer.printerState() == QPrinter::Error) {
                painter.end();
                return PrintOutcome::Failed;
            }
            ++done;
        }
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return PrintOutcome::Failed;
    return PrintOutcome::Printed;
}

void ReportPainter::measureRows(QPaintDevice* device) {
    // A value longer than its column wraps, and its row grows by whole lines so that nothing of
    // it is cut.
    const QFontMetricsF metrics(plain_, device);
    const double lineMm = metrics.lineSpacing() / pxPerMm_;
    const int rowCount = rows_.RowCount();
    rowHeights_.assign(static_cast<size_t>(rowCount), kDetailBandMm);
    for (int r = 0; r < rowCount; ++r) {
        int lines = 1;
        for (const ResolvedColumn& c : columns_) {
            if (c.field < 0)
                continue;
            const QString text = TableModel::displayText(c.def, rows_.CellValue(r, c.field));
            lines =
                std::max(lines, wrappedLines(text, plain_, device, c.widthMm * pxPerMm_, metrics));
        }
        rowHeights_[static_cast<size_t>(r)] = kDetailBandMm + (lines - 1) * lineMm;
    }
}

void ReportPainter::paintPage(QPainter& painter, int page, double pageWidthMm, double pageHeightMm,
                              int firstRow, int rowCount) {
    double top = 0;
    if (page == 1)
        top = paintTitle(painter, pageWidthMm);
    paintHeader(painter, top);
    top += kHeaderBandMm;

    painter.setFont(plain_);
    painter.setPen(Qt::black);
    const double k = pxPerMm_;
    for (int r = firstRow; r < firstRow + rowCount; ++r) {
        const double height = rowHeights_[static_cast<size_t>(r)];
        for (const ResolvedColumn& c : columns_) {
            if (c.field < 0)
                continue;
            const QString text = TableModel::displayText(c.def, rows_.CellValue(r, c.field));
            const QRectF box(c.column->left * k, (top + kTextTopMm) * k, c.widthMm * k,
                             (height - kTextTopMm) * k);
            drawWrapped(painter, box, text, c.column->align);
        }
        top += height;
    }
    paintFooter(painter, pageHeightMm - kFooterBandMm, pageWidthMm, page);
}

double ReportPainter::paintTitle(QPainter& painter, double widthMm) {
    const double k = pxPerMm_;
    const QRectF band(0, 0, widthMm * k, kTitleBandMm * k);
    painter.setPen(Qt::black);
    painter.setFont(product_);
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QStringLiteral("Tallyminder"));
    painter.setFont(title_);
    painter.setPen(kNavy);
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                     layout_.reportTitle);

    painter.setPen(Qt::black);
    painter.setFont(plain_);
    const QFontMetricsF fm(plain_, painter.device());
    // A date that would lie beyond the printable width goes to its right edge.
    const double dateWidth = fm.horizontalAdvance(texts_.date) / k;
    const double dateLeft = std::min(layout_.dateLeft, widthMm - dateWidth);
    const double textTop = kTitleTextTopMm * k;
    const double textHeight = (kTitleBandMm - kTitleTextTopMm) * k;
    painter.drawText(QPointF(layout_.fromLeft * k, textTop + fm.ascent()), QStringLiteral("From"));
    drawWrapped(painter,
                QRectF(layout_.nameLeft * k, textTop,
                       (dateLeft - kColumnGapMm - layout_.nameLeft) * k, textHeight),
                texts_.sender, ColumnAlign::Left);
    painter.drawText(QPointF(dateLeft * k, textTop + fm.ascent()), texts_.date);
    return kTitleBandMm;
}

void ReportPainter::paintHeader(QPainter& painter, double top) {
    const double k = pxPerMm_;
    painter.setPen(Qt::black);
    for (const ResolvedColumn& c : columns_) {
        const Column& col = *c.column;
        const QFont& font = col.underlinedCaption ? underlined_ : bold_;
        painter.setFont(font);
        const QFontMetricsF fm(font, painter.device());
        const QRectF box(col.left * k, (top + kTextTopMm) * k, c.widthMm * k,
                         (kHeaderBandMm - kTextTopMm) * k);
        drawWrapped(painter, box, col.caption, col.align);
        if (col.underlinedCaption)
            continue;
        // The rule spans a fixed column, or the caption of a text-wide one.
        const double ruleWidth = col.width > 0
                                     ? col.width * k
                                     : std::min(fm.horizontalAdvance(col.caption), c.widthMm * k);
        const double y = (top + kTextTopMm) * k + fm.height() + 0.3 * k;
        QPen pen(Qt::black);
        pen.setWidthF(kRuleWidthMm * k);
        painter.setPen(pen);
        painter.drawLine(QPointF(col.left * k, y), QPointF(col.left * k + ruleWidth, y));
        painter.setPen(Qt::black);
    }
}

void ReportPainter::paintFooter(QPainter& painter, double top, double widthMm, int page) {
    const double k = pxPerMm_;
    painter.setPen(Qt::black);
    painter.setFont(plain_);
    const QRectF band(0, top * k, widthMm * k, kFooterBandMm * k);
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QStringLiteral("Printed ") + texts_.date);
    painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     QStringLiteral("Page ") + QString::number(page));
}

} // namespace printing
