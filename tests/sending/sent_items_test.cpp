// The sent items log: loading, the 40-day purge, the month count, sorting, the paste check,
// deletion and saving.

#include "core/tables/date_time.h"
#include "harness/window_test.h"
#include "sending/progress_window.h"
#include "sending/sent_items_window.h"
#include "ui/table_model.h"
#include "ui/widgets/record_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTest>

namespace {

using SentItems = WindowTest;

const std::string kHeader = "contact_no\tname\tappointment_date\tappointment_time\tmessage\t"
                            "days_before_appointment\trecurring_days\tcreate_date\tstatus\t"
                            "delivery\tbatch\t\r\n";

std::string item(const std::string& number, const std::string& createDate) {
    return number + "\tAnn\t01/12/2026\t10:30:00\tHello\t1\t0\t" + createDate +
           "\tFalse\tFalse\t46000.5\t\r\n";
}

std::string day(int y, int m, int d) {
    return formatDate(dayNumber(y, m, d));
}

QStringList numbers(TdxMemData& t) {
    QStringList out;
    for (int r = 0; r < t.RowCount(); ++r)
        out << QString::fromStdString(t.CellText(r, t.FieldIndex("contact_no")));
    return out;
}

// The window's grid and count, found by their names.
RecordGrid* sentGrid(TfrmSentItems* w) {
    return child<RecordGrid>(w, "dbgSentItems");
}

QString monthCount(TfrmSentItems* w) {
    QLabel* label = child<QLabel>(w, "lblmonth");
    return label ? label->text() : QStringLiteral("(no label)");
}

// Shows the window as the main window's button does, runs fn on it, and closes it.
void showSentItems(TfrmSentItems* w, const std::function<void()>& fn) {
    whenModalOpens([&](QWidget*) {
        struct Closer {
            TfrmSentItems* w;
            ~Closer() { w->reject(); }
        } closer{w};
        try {
            fn();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "exception: " << e.what();
        }
    });
    w->exec();
}

// Today is 09/12/2026 09:30: the cut-off is 30/10/2026 09:30, so an item of 30/10 goes (its
// day starts before the cut-off) and one of 31/10 stays. December counts, November not.
TEST_F(SentItems, ShowingPurgesItemsOlderThanFortyDaysAndCountsThisMonth) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + item("01", day(2026, 12, 9)) +
                                      item("02", day(2026, 10, 30)) + item("03", day(2026, 12, 1)) +
                                      item("04", day(2026, 10, 31)) +
                                      item("05", day(2026, 11, 15)) + item("06", day(2026, 10, 1)) +
                                      item("07", day(2026, 9, 1)) + item("08", day(2025, 12, 9)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    EXPECT_EQ(w->dxmSentItems->RowCount(), 8); // read at start-up, nothing purged yet
    showSentItems(w, [&] {
        EXPECT_EQ(w->dxmSentItems->RowCount(), 4);
        EXPECT_FALSE(forms->frmProgress->isVisible());
        EXPECT_EQ(forms->frmProgress->windowTitle(),
                  QStringLiteral("Loading records from file. Please be patient..."));
    });
    // Newest first; the old items, several of them at the end, all gone in one showing.
    EXPECT_EQ(numbers(*w->dxmSentItems), (QStringList{"01", "03", "05", "04"}));
    EXPECT_EQ(monthCount(w), QStringLiteral("2"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Sent Items"));
    // Closing wrote the purged log.
    EXPECT_EQ(folder.read("sentitems.txt"),
              kHeader + item("01", day(2026, 12, 9)) + item("03", day(2026, 12, 1)) +
                  item("05", day(2026, 11, 15)) + item("04", day(2026, 10, 31)));

    // At midnight the cut-off is the start of 30/10 itself; the next day's item stays.
    clock.set(2026, 12, 10, 0, 0);
    showSentItems(w, [] {});
    EXPECT_EQ(w->dxmSentItems->RowCount(), 4);
    EXPECT_EQ(monthCount(w), QStringLiteral("2"));
}

TEST_F(SentItems, ShowingTwiceCountsTheSameAndPicksUpItemsSentBetween) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + item("01", day(2026, 12, 2)) + item("02", ""));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    showSentItems(w, [] {});
    EXPECT_EQ(monthCount(w), QStringLiteral("1"));
    showSentItems(w, [] {});
    EXPECT_EQ(monthCount(w), QStringLiteral("1"));
    // An item with no create_date is kept and sorts last.
    EXPECT_EQ(numbers(*w->dxmSentItems), (QStringList{"01", "02"}));
    folder.write("sentitems.txt", folder.read("sentitems.txt") + item("03", day(2026, 12, 9)));
    showSentItems(w, [] {});
    EXPECT_EQ(monthCount(w), QStringLiteral("2"));
}

// An unreadable log is kept aside before the window's close can overwrite it.
TEST_F(SentItems, AnUnreadableLogIsKeptAsideBeforeAnythingOverwritesIt) {
    const std::string bad = kHeader + item("01", day(2026, 12, 2)) + item("02", "someday");
    folder.write("sentitems.txt", bad);
    prompter.expect(BoxKind::Error, QString());
    startForms();
    prompter.verifyAllUsed();
    EXPECT_EQ(folder.read("sentitems.txt.unreadable"), bad);
    EXPECT_EQ(numbers(*forms->frmSentItems->dxmSentItems), QStringList{"01"});
}

TEST_F(SentItems, AMissingFileGivesAnEmptyLogAndACountOfNought) {
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    showSentItems(w, [] {});
    EXPECT_EQ(w->dxmSentItems->RowCount(), 0);
    EXPECT_EQ(monthCount(w), QStringLiteral("0"));
    EXPECT_EQ(folder.read("sentitems.txt"), kHeader);
}

// The report choices read as Yes and No (the file keeps True and False); a message cut by its
// column is whole in the cell's tooltip.
TEST_F(SentItems, ReportChoicesReadYesOrNoAndTheMessageIsWholeInItsTooltip) {
    clock.set(2026, 12, 9, 9, 30);
    const std::string message(150, 'm');
    folder.write("sentitems.txt", kHeader + "01\tAnn\t01/12/2026\t10:30:00\t" + message +
                                      "\t1\t0\t" + day(2026, 12, 9) +
                                      "\tTrue\tFalse\t46000.5\t\r\n");
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    showSentItems(w, [&] {
        RecordGrid* grid = sentGrid(w);
        ASSERT_TRUE(grid);
        TableModel* m = grid->recordModel();
        auto cell = [&](const char* field, int role) {
            for (int c = 0; c < m->columnCount(); ++c)
                if (w->dxmSentItems->Field(m->fieldAt(c)).FieldName() == field)
                    return m->data(m->index(0, c), role).toString();
            return QStringLiteral("(no column)");
        };
        EXPECT_EQ(cell("status", Qt::DisplayRole), QStringLiteral("Yes"));
        EXPECT_EQ(cell("delivery", Qt::DisplayRole), QStringLiteral("No"));
        EXPECT_EQ(cell("message", Qt::ToolTipRole), QString::fromStdString(message));
        EXPECT_EQ(cell("name", Qt::ToolTipRole), QString());
    });
    EXPECT_NE(folder.read("sentitems.txt").find("\tTrue\tFalse\t"), std::string::npos);
}

// Title clicks sort; moving the mouse over the grid or posting an edit clears the sort.
TEST_F(SentItems, SortsByTitleAndKeepsAnEditedRowInPlace) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + item("02", day(2026, 12, 1)) +
                                      item("03", day(2026, 12, 3)) + item("01", day(2026, 12, 2)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    TdxMemData& t = *w->dxmSentItems;
    showSentItems(w, [&] {
        EXPECT_EQ(t.SortedField(), "create_date");
        EXPECT_EQ(numbers(t), (QStringList{"03", "01", "02"}));
        RecordGrid* grid = sentGrid(w);
        ASSERT_TRUE(grid);
        grid->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
        EXPECT_EQ(t.SortedField(), "contact_no");
        EXPECT_EQ(numbers(t), (QStringList{"01", "02", "03"}));
        // An edit that would move the row under the sort stays where it is.
        t.First();
        t.Edit();
        t.FieldNamed("contact_no").SetAsString("09");
        t.Post();
        EXPECT_EQ(t.SortedField(), "");
        EXPECT_FALSE(grid->horizontalHeader()->isSortIndicatorShown());
        EXPECT_EQ(numbers(t), (QStringList{"09", "02", "03"}));
        // Moving the mouse switches the title buttons back on without sorting.
        grid->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
        QTest::mouseMove(grid->viewport(), QPoint(20, 20));
        QMouseEvent move(QEvent::MouseMove, QPointF(30, 30), QPointF(30, 30), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &move);
        EXPECT_EQ(t.SortedField(), "");
        EXPECT_TRUE(grid->horizontalHeader()->isSortIndicatorShown());
    });
}

// A paste of several cells into one is refused; Ctrl+Del deletes the selected rows after Yes.
TEST_F(SentItems, RefusesAMisshapedPasteAndDeletesSelectedRowsOnConfirmation) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + item("01", day(2026, 12, 3)) +
                                      item("02", day(2026, 12, 2)) + item("03", day(2026, 12, 1)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    TdxMemData& t = *w->dxmSentItems;
    showSentItems(w, [&] {
        RecordGrid* grid = sentGrid(w);
        ASSERT_TRUE(grid);
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 1));
        QApplication::clipboard()->setText(QStringLiteral("Bo\tLee\r\n"));
        prompter.expect(BoxKind::Warning,
                        QStringLiteral("The information cannot be posted, because the copy area "
                                       "and the paste area are not the same size and shape. "
                                       "Select a rectangle that's the same size and shape, and "
                                       "then paste."));
        QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        prompter.verifyAllUsed();
        EXPECT_EQ(t.State(), DataSetState::Browse);
        EXPECT_EQ(t.CellText(0, t.FieldIndex("name")), "Ann");

        // A single value pastes.
        QApplication::clipboard()->setText(QStringLiteral("Bo"));
        QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(t.CellText(0, t.FieldIndex("name")), "Bo");

        for (int row : {0, 2})
            grid->selectionModel()->select(grid->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 2);
        prompter.expect(BoxKind::Confirmation, QStringLiteral("Delete 2 sent reminders?"),
                        BoxButton::No);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(t.RowCount(), 3);
        prompter.expect(BoxKind::Confirmation, QString(), BoxButton::Yes);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(numbers(t), QStringList{"02"});
    });
    EXPECT_EQ(folder.read("sentitems.txt"), kHeader + item("02", day(2026, 12, 2)));
}

// An item of the log for one name, sent on a day.
std::string sentTo(const std::string& number, const std::string& name, const std::string& sentOn) {
    return number + "\t" + name + "\t01/12/2026\t10:30:00\tHello\t1\t0\t" + sentOn +
           "\tTrue\tFalse\t46000.5\t\r\n";
}

int columnOf(RecordGrid* grid, const char* field) {
    return grid->recordModel()->columnOfField(grid->table().FieldIndex(field));
}

void clickTitle(RecordGrid* grid, int column) {
    QHeaderView* titles = grid->horizontalHeader();
    QTest::mouseClick(
        titles->viewport(), Qt::LeftButton, {},
        QPoint(titles->sectionViewportPosition(column) + titles->sectionSize(column) / 2,
               titles->height() / 2));
}

// The columns are titled in words, the batch reads as the moment it was sent, and at the
// window's first size every column is seen whole: none narrower than its title, the message
// taking the room the others leave.
TEST_F(SentItems, ColumnsAreTitledInWordsAndTheMessageTakesTheRoomLeft) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + sentTo("0871234567", "Aoife Byrne", day(2026, 12, 9)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    showSentItems(w, [&] {
        RecordGrid* grid = sentGrid(w);
        ASSERT_TRUE(grid);
        TableModel* m = grid->recordModel();
        const QStringList titles = {"Contact number",  "Name",         "Date",
                                    " Time   ",        "Message",      "Days before",
                                    "Rec.days",        "Sent on",      "Status report",
                                    "Delivery report", "Batch sent at"};
        ASSERT_EQ(m->columnCount(), titles.size());
        for (int c = 0; c < m->columnCount(); ++c)
            EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), titles[c]);
        const struct {
            const char* field;
            const char* shown;
        } cells[] = {{"create_date", "09-Dec-2026"},
                     {"status", "Yes"},
                     {"delivery", "No"},
                     {"batch", "09-Dec-2025 12:00"}};
        for (const auto& cell : cells)
            EXPECT_EQ(m->data(m->index(0, columnOf(grid, cell.field))).toString(),
                      QString::fromLatin1(cell.shown))
                << cell.field;

        // A title of two words may take two lines.
        w->resize(1280, 500);
        QCoreApplication::processEvents();
        const QHeaderView* header = grid->horizontalHeader();
        int widths = 0;
        for (int c = 0; c < m->columnCount(); ++c) {
            for (const QString& word : titles[c].split(QLatin1Char(' '), Qt::SkipEmptyParts))
                EXPECT_GE(grid->columnWidth(c), header->fontMetrics().horizontalAdvance(word))
                    << titles[c].toStdString();
            if (c != columnOf(grid, "message")) {
                EXPECT_GT(grid->columnWidth(c),
                          grid->fontMetrics().horizontalAdvance(m->data(m->index(0, c)).toString()))
                    << titles[c].toStdString();
            }
            widths += grid->columnWidth(c);
        }
        EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
        EXPECT_LE(widths, grid->viewport()->width());
        const int message = grid->columnWidth(columnOf(grid, "message"));
        EXPECT_GT(message, 30 * grid->fontMetrics().averageCharWidth());
        // The message takes what is left but a scroll bar's room.
        EXPECT_GE(widths + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2,
                  grid->viewport()->width());
        EXPECT_GE(header->height(), 2 * header->fontMetrics().height());
    });
}

// On a screen too narrow for every column, the grid scrolls sideways: the message keeps room
// for some forty letters instead of shrinking to its title, and the last column can be reached.
TEST_F(SentItems, ANarrowWindowScrollsSidewaysAndKeepsTheMessageReadable) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + sentTo("0871234567", "Aoife Byrne", day(2026, 12, 9)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    showSentItems(w, [&] {
        RecordGrid* grid = sentGrid(w);
        ASSERT_TRUE(grid);
        w->resize(600, 400);
        QCoreApplication::processEvents();
        const int message = columnOf(grid, "message");
        EXPECT_GE(grid->columnWidth(message), 40 * grid->fontMetrics().averageCharWidth());
        EXPECT_TRUE(grid->horizontalScrollBar()->isVisible());
        const int batch = columnOf(grid, "batch");
        grid->scrollTo(grid->model()->index(0, batch));
        const int left = grid->columnViewportPosition(batch);
        EXPECT_GE(left, 0);
        EXPECT_LE(left + grid->columnWidth(batch), grid->viewport()->width());
    });
}

// The title mark is on the column the log is really sorted by, in its direction: "Sent on",
// newest first, after showing; the clicked title after a click; none once an edit has put a row
// out of that order.
TEST_F(SentItems, TheSortMarkIsOnTheColumnTheLogIsSortedBy) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + sentTo("01", "Cian", day(2026, 12, 1)) +
                                      sentTo("02", "Aoife", day(2026, 12, 3)) +
                                      sentTo("03", "Brid", day(2026, 12, 2)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    TdxMemData& t = *w->dxmSentItems;
    showSentItems(w, [&] {
        RecordGrid* grid = sentGrid(w);
        ASSERT_TRUE(grid);
        QHeaderView* titles = grid->horizontalHeader();
        auto marked = [&] {
            return std::pair{titles->isSortIndicatorShown() ? titles->sortIndicatorSection() : -1,
                             titles->sortIndicatorOrder()};
        };
        EXPECT_EQ(t.SortedField(), "create_date");
        EXPECT_EQ(marked(), std::pair(columnOf(grid, "create_date"), Qt::DescendingOrder));

        clickTitle(grid, columnOf(grid, "name"));
        EXPECT_EQ(numbers(t), (QStringList{"02", "03", "01"}));
        EXPECT_EQ(marked(), std::pair(columnOf(grid, "name"), Qt::AscendingOrder));
        clickTitle(grid, columnOf(grid, "name"));
        EXPECT_EQ(numbers(t), (QStringList{"01", "03", "02"}));
        EXPECT_EQ(marked(), std::pair(columnOf(grid, "name"), Qt::DescendingOrder));

        // An edit keeps its row in place, so no column is in order any more.
        t.First();
        t.Edit();
        t.FieldNamed("name").SetAsString("Aine");
        t.Post();
        EXPECT_EQ(marked().first, -1);
        QMouseEvent move(QEvent::MouseMove, QPointF(30, 30), QPointF(30, 30), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &move);
        EXPECT_TRUE(titles->isSortIndicatorShown()); // the titles are buttons again
        EXPECT_EQ(titles->sortIndicatorSection(), -1);
    });
    // The next showing sorts by "Sent on" again, in the direction last chosen, and marks it.
    showSentItems(w, [&] {
        QHeaderView* titles = sentGrid(w)->horizontalHeader();
        EXPECT_EQ(titles->sortIndicatorSection(), columnOf(sentGrid(w), "create_date"));
        EXPECT_EQ(titles->sortIndicatorOrder(), Qt::DescendingOrder);
        EXPECT_EQ(numbers(t), (QStringList{"02", "03", "01"}));
    });
}

// The grid's current row and the log's cursor are one after a sort, a deletion and a paste.
TEST_F(SentItems, TheGridRowAndTheTableCursorStayTogether) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + sentTo("01", "Cian", day(2026, 12, 1)) +
                                      sentTo("02", "Aoife", day(2026, 12, 3)) +
                                      sentTo("03", "Brid", day(2026, 12, 2)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    TdxMemData& t = *w->dxmSentItems;
    showSentItems(w, [&] {
        RecordGrid* grid = sentGrid(w);
        ASSERT_TRUE(grid);
        TableModel* m = grid->recordModel();
        auto together = [&](const char* after) {
            SCOPED_TRACE(after);
            ASSERT_GE(t.CurrentIndex(), 0);
            EXPECT_EQ(grid->currentIndex().row(), m->modelRow(t.CurrentIndex()));
        };
        grid->setFocus();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(m->index(2, 1)).center());
        EXPECT_EQ(t.CurrentIndex(), 2);
        together("a click");
        QTest::keyClick(grid, Qt::Key_Up);
        EXPECT_EQ(t.CurrentIndex(), 1);
        together("a key");

        clickTitle(grid, columnOf(grid, "contact_no"));
        together("a sort");

        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(m->index(1, 1)).center());
        prompter.expect(BoxKind::Confirmation, QString(), BoxButton::Yes);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_EQ(t.RowCount(), 2);
        together("a deletion");

        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(m->index(1, 1)).center());
        QApplication::clipboard()->setText(QStringLiteral("Bo"));
        QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(t.CellText(t.CurrentIndex(), t.FieldIndex("name")), "Bo");
        together("a paste");
    });
}

} // namespace
