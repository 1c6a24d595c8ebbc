// The sent items log: loading, the 40-day purge, the month count, sorting, the paste check,
// deletion and saving.

#include "harness/window_test.h"

#include "ui/table_model.h"
#include "core/tables/date_time.h"
#include "sending/progress_window.h"
#include "sending/sent_items_window.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
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

std::string day(int y, int m, int d) { return formatDate(dayNumber(y, m, d)); }

QStringList numbers(TdxMemData& t) {
    QStringList out;
    for (int r = 0; r < t.RowCount(); ++r)
        out << QString::fromStdString(t.CellText(r, t.FieldIndex("contact_no")));
    return out;
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
                                      item("02", day(2026, 10, 30)) +
                                      item("03", day(2026, 12, 1)) +
                                      item("04", day(2026, 10, 31)) +
                                      item("05", day(2026, 11, 15)) +
                                      item("06", day(2026, 10, 1)) +
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
    EXPECT_EQ(w->lblmonth->text(), QStringLiteral("2"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Sent Items"));
    // Closing wrote the purged log.
    EXPECT_EQ(folder.read("sentitems.txt"),
              kHeader + item("01", day(2026, 12, 9)) + item("03", day(2026, 12, 1)) +
                  item("05", day(2026, 11, 15)) + item("04", day(2026, 10, 31)));

    // At midnight the cut-off is the start of 30/10 itself; the next day's item stays.
    clock.set(2026, 12, 10, 0, 0);
    showSentItems(w, [] {});
    EXPECT_EQ(w->dxmSentItems->RowCount(), 4);
    EXPECT_EQ(w->lblmonth->text(), QStringLiteral("2"));
}

TEST_F(SentItems, ShowingTwiceCountsTheSameAndPicksUpItemsSentBetween) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + item("01", day(2026, 12, 2)) + item("02", ""));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    showSentItems(w, [] {});
    EXPECT_EQ(w->lblmonth->text(), QStringLiteral("1"));
    showSentItems(w, [] {});
    EXPECT_EQ(w->lblmonth->text(), QStringLiteral("1"));
    // An item with no create_date is kept and sorts last.
    EXPECT_EQ(numbers(*w->dxmSentItems), (QStringList{"01", "02"}));
    folder.write("sentitems.txt", folder.read("sentitems.txt") + item("03", day(2026, 12, 9)));
    showSentItems(w, [] {});
    EXPECT_EQ(w->lblmonth->text(), QStringLiteral("2"));
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
    EXPECT_EQ(w->lblmonth->text(), QStringLiteral("0"));
    EXPECT_EQ(folder.read("sentitems.txt"), kHeader);
}

// The report choices read as Yes and No (the file keeps True and False); a message cut by its
// column is whole in the cell's tooltip.
TEST_F(SentItems, ReportChoicesReadYesOrNoAndTheMessageIsWholeInItsTooltip) {
    clock.set(2026, 12, 9, 9, 30);
    const std::string message(150, 'm');
    folder.write("sentitems.txt", kHeader + "01\tAnn\t01/12/2026\t10:30:00\t" + message +
                                      "\t1\t0\t" + day(2026, 12, 9) + "\tTrue\tFalse\t46000.5\t\r\n");
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    showSentItems(w, [&] {
        TableModel* m = w->model;
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
                                      item("03", day(2026, 12, 3)) +
                                      item("01", day(2026, 12, 2)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    TdxMemData& t = *w->dxmSentItems;
    showSentItems(w, [&] {
        EXPECT_EQ(t.SortedField(), "create_date");
        EXPECT_EQ(numbers(t), (QStringList{"03", "01", "02"}));
        w->dbgSentItems->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
        EXPECT_EQ(t.SortedField(), "contact_no");
        EXPECT_EQ(numbers(t), (QStringList{"01", "02", "03"}));
        // An edit that would move the row under the sort stays where it is.
        t.First();
        t.Edit();
        t.FieldNamed("contact_no").SetAsString("09");
        t.Post();
        EXPECT_EQ(t.SortedField(), "");
        EXPECT_FALSE(w->dbgSentItems->horizontalHeader()->isSortIndicatorShown());
        EXPECT_EQ(numbers(t), (QStringList{"09", "02", "03"}));
        // Moving the mouse switches the title buttons back on without sorting.
        w->dbgSentItems->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
        QTest::mouseMove(w->dbgSentItems->viewport(), QPoint(20, 20));
        QMouseEvent move(QEvent::MouseMove, QPointF(30, 30), QPointF(30, 30), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w->dbgSentItems->viewport(), &move);
        EXPECT_EQ(t.SortedField(), "");
        EXPECT_TRUE(w->dbgSentItems->horizontalHeader()->isSortIndicatorShown());
    });
}

// A paste of several cells into one is refused; Ctrl+Del deletes the selected rows after Yes.
TEST_F(SentItems, RefusesAMisshapedPasteAndDeletesSelectedRowsOnConfirmation) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("sentitems.txt", kHeader + item("01", day(2026, 12, 3)) +
                                      item("02", day(2026, 12, 2)) +
                                      item("03", day(2026, 12, 1)));
    startForms();
    TfrmSentItems* w = forms->frmSentItems;
    TdxMemData& t = *w->dxmSentItems;
    showSentItems(w, [&] {
        QTableView* grid = w->dbgSentItems;
        grid->setFocus();
        grid->setCurrentIndex(w->model->index(0, 1));
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
            grid->selectionModel()->select(w->model->index(row, 0), QItemSelectionModel::Select |
                                                                        QItemSelectionModel::Rows);
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

} // namespace
