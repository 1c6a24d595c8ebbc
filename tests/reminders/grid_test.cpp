// The grid: deleting, "Clear All", widths, the paste guard, copy and paste, "Send SMS".

#include "core/tables/ini_file.h"
#include "reminders/main_window_fixture.h"
#include "sending/send_mail_window.h"
#include "ui/widgets/paste_guard.h"
#include "ui/widgets/record_grid.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QTableView>

namespace {

class Grid : public MainWindowTest {
protected:
    std::string rows(std::initializer_list<int> numbers) {
        std::string text = kRemindersHeader;
        for (int n : numbers) {
            const std::string no = "000" + std::to_string(n);
            text +=
                reminderLine(no, "Client " + std::to_string(n), "24/12/2026", "10:00:00",
                             "Message " + std::to_string(n), "Message " + std::to_string(n) + no);
        }
        return text;
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect r =
            w<RecordGrid>("dbgReminders")->visualRect(main()->remindersModel->index(row, 1));
        QTest::mouseClick(w<RecordGrid>("dbgReminders")->viewport(), Qt::LeftButton, modifiers,
                          r.center());
    }
};

TEST_F(Grid, DeletingThreeSelectedRowsRemovesExactlyThemAndRewritesTheFile) {
    folder.write("reminders.txt", rows({1, 2, 3, 4, 5}));
    start();
    clickRow(0);
    clickRow(2, Qt::ControlModifier);
    clickRow(4, Qt::ControlModifier);
    ASSERT_EQ(main()->selectedRows(), (std::vector<int>{0, 2, 4}));
    prompter.expect(BoxKind::Confirmation, "Delete 3 reminders?", BoxButton::No);
    QTest::mouseClick(w<QPushButton>("bmbDelete"), Qt::LeftButton);
    EXPECT_EQ(reminders().RowCount(), 5);

    prompter.expect(BoxKind::Confirmation, "Delete 3 reminders?", BoxButton::Yes);
    QTest::mouseClick(w<QPushButton>("bmbDelete"), Qt::LeftButton);
    EXPECT_EQ(folder.read("reminders.txt"), rows({2, 4}));
    EXPECT_EQ(main()->entryMode, "Add");
}

// The question names the one reminder it deletes, or counts several.
TEST_F(Grid, CtrlDelInTheGridNamesWhatItDeletesAndSavesNothing) {
    folder.write("reminders.txt", rows({1, 2, 3}));
    start();
    w<RecordGrid>("dbgReminders")->setFocus();
    clickRow(1);
    prompter.expect(BoxKind::Confirmation,
                    "Delete the reminder for Client 2 on 24-Dec-2026 at 10:00?", BoxButton::No);
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(reminders().RowCount(), 3);
    clickRow(2, Qt::ShiftModifier);
    prompter.expect(BoxKind::Confirmation, "Delete 2 reminders?", BoxButton::Yes);
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(field(0, "contact_no"), "0001");
    EXPECT_EQ(folder.read("reminders.txt"), rows({1, 2, 3}));
}

// Enter on a box that would delete rows keeps them: its default button is the one that does not
// delete.
TEST_F(Grid, EveryDeletingBoxDefaultsToKeepingTheRows) {
    folder.write("reminders.txt", rows({1, 2}));
    start();
    clickRow(0);
    prompter.expect(BoxKind::Confirmation,
                    "Delete the reminder for Client 1 on 24-Dec-2026 at 10:00?", BoxButton::No);
    QTest::mouseClick(w<QPushButton>("bmbDelete"), Qt::LeftButton);
    w<RecordGrid>("dbgReminders")->setFocus();
    clickRow(1);
    prompter.expect(BoxKind::Confirmation,
                    "Delete the reminder for Client 2 on 24-Dec-2026 at 10:00?", BoxButton::No);
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_Delete, Qt::ControlModifier);
    // Del alone in the list asks the same, and keeps the rows on No.
    prompter.expect(BoxKind::Confirmation,
                    "Delete the reminder for Client 2 on 24-Dec-2026 at 10:00?", BoxButton::No);
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_Delete);
    prompter.expect(BoxKind::Confirmation, "Are you sure you want to delete all the records?",
                    BoxButton::No);
    QTest::mouseClick(w<QPushButton>("bmbClearAll"), Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 4);
    for (const Box& box : prompter.shown)
        EXPECT_EQ(box.defaultButton, BoxButton::No) << box.text.toStdString();
    EXPECT_EQ(reminders().RowCount(), 2);
}

// Ctrl+Z in the grid brings back the rows of the last deletion, in their places and with every
// field, once; the file follows as after the deletion. A change in between ends the chance.
TEST_F(Grid, UndoBringsBackTheLastDeletionOnceUntilTheListChanges) {
    folder.write("reminders.txt", rows({1, 2, 3}));
    start();
    clickRow(1);
    prompter.expect(BoxKind::Confirmation,
                    "Delete the reminder for Client 2 on 24-Dec-2026 at 10:00?", BoxButton::Yes);
    QTest::mouseClick(w<QPushButton>("bmbDelete"), Qt::LeftButton);
    EXPECT_EQ(folder.read("reminders.txt"), rows({1, 3}));
    w<RecordGrid>("dbgReminders")->setFocus();
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(folder.read("reminders.txt"), rows({1, 2, 3}));
    EXPECT_EQ(reminders().DelimitedText(), rows({1, 2, 3}));
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_Z, Qt::ControlModifier); // nothing left
    EXPECT_EQ(reminders().RowCount(), 3);
    EXPECT_EQ(prompter.beeps, 1);

    // Clear All, then the "Undo" entry of the grid's menu.
    prompter.expect(BoxKind::Confirmation, "Are you sure you want to delete all the records?",
                    BoxButton::Yes);
    QTest::mouseClick(w<QPushButton>("bmbClearAll"), Qt::LeftButton);
    ASSERT_EQ(reminders().RowCount(), 0);
    main()->Undo1->trigger();
    EXPECT_EQ(reminders().DelimitedText(), rows({1, 2, 3}));

    // A deletion followed by another change cannot be undone.
    clickRow(0);
    prompter.expect(BoxKind::Confirmation,
                    "Delete the reminder for Client 1 on 24-Dec-2026 at 10:00?", BoxButton::Yes);
    QTest::mouseClick(w<QPushButton>("bmbDelete"), Qt::LeftButton);
    reminders().First();
    reminders().Edit();
    reminders().FieldNamed("name").SetAsString("Changed");
    reminders().Post();
    main()->Undo1->trigger();
    EXPECT_EQ(reminders().RowCount(), 2);
    EXPECT_EQ(prompter.beeps, 2);
}

// At the usual screen sizes every column of the pending list is seen whole, without scrolling,
// each at least as wide as its title; the message takes what is left.
TEST_F(Grid, EveryColumnIsSeenWithoutScrollingAtTheUsualWindowSizes) {
    folder.write("reminders.txt", rows({1, 2}));
    start();
    EXPECT_LE(main()->minimumSizeHint().width(), 1024) << "the window fits a 1024 px screen";
    QTableView* grid = w<RecordGrid>("dbgReminders");
    for (QSize size : {QSize(1024, 768), QSize(1280, 800), QSize(1920, 1080)}) {
        main()->resize(size);
        settle();
        main()->loadContactCombo(); // the showing step's widths
        settle();
        SCOPED_TRACE(size.width());
        const QHeaderView* header = grid->horizontalHeader();
        for (int c = 0; c < main()->remindersModel->columnCount(); ++c) {
            if (grid->isColumnHidden(c))
                continue;
            const QString title = main()->remindersModel->headerData(c, Qt::Horizontal).toString();
            EXPECT_GE(grid->columnWidth(c), header->fontMetrics().horizontalAdvance(title))
                << title.toStdString();
            EXPECT_LE(grid->columnViewportPosition(c) + grid->columnWidth(c),
                      grid->viewport()->width())
                << title.toStdString();
        }
        EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    }
}

// The grid's current row and the pending list's cursor are one: a click, a key, a move of the
// table, a deletion and a paste of rows each leave them on the same reminder.
TEST_F(Grid, TheGridRowAndTheTableCursorStayTogether) {
    folder.write("reminders.txt", rows({3, 1, 2}));
    start();
    auto* grid = main()->findChild<RecordGrid*>(QStringLiteral("dbgReminders"));
    ASSERT_TRUE(grid);
    TableModel* model = grid->recordModel();
    auto together = [&](const char* after) {
        SCOPED_TRACE(after);
        ASSERT_GE(reminders().CurrentIndex(), 0);
        EXPECT_EQ(grid->currentIndex().row(), model->modelRow(reminders().CurrentIndex()));
    };
    clickRow(2);
    EXPECT_EQ(field(reminders().CurrentIndex(), "contact_no"), "0003"); // read in number order
    together("a click");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(reminders().CurrentIndex(), 1);
    together("a key");
    reminders().First();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    together("a move of the table");

    clickRow(1);
    prompter.expect(BoxKind::Confirmation, QString(), BoxButton::Yes);
    QTest::mouseClick(w<QPushButton>("bmbDelete"), Qt::LeftButton);
    ASSERT_EQ(reminders().RowCount(), 2);
    together("a deletion");

    clickRow(0);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(reminders().RowCount(), 3);
    together("a paste of rows");
}

TEST_F(Grid, ClearAllEmptiesTheListAfterAskingAndResetsTheTime) {
    start();
    QTest::mouseClick(w<QPushButton>("bmbClearAll"), Qt::LeftButton); // empty: nothing asked
    stopForms();
    folder.write("reminders.txt", rows({1, 2}));
    start();
    prompter.expect(BoxKind::Confirmation, "Are you sure you want to delete all the records?",
                    BoxButton::No);
    QTest::mouseClick(w<QPushButton>("bmbClearAll"), Qt::LeftButton);
    EXPECT_EQ(reminders().RowCount(), 2);

    TdxMemData& mail = *forms->frmSendMail->dmMail;
    ASSERT_GT(mail.RowCount(), 0);
    mail.First();
    mail.Edit();
    mail.FieldNamed("StartTime").SetValue(int32_t(timeMs(8, 15)));
    mail.Post();
    prompter.expect(BoxKind::Confirmation, "Are you sure you want to delete all the records?",
                    BoxButton::Yes);
    QTest::mouseClick(w<QPushButton>("bmbClearAll"), Qt::LeftButton);
    EXPECT_EQ(reminders().RowCount(), 0);
    EXPECT_EQ(w<QTimeEdit>("dtpTime")->time(), QTime(8, 15));
    EXPECT_EQ(w<TDateBox>("dtpDate")->day(), clock.today());
    EXPECT_EQ(folder.read("reminders.txt"), rows({1, 2})); // untouched until the end
    stopForms();
    EXPECT_FALSE(folder.exists("reminders.txt"));
}

// The first start is maximised; a size and place the user gives the window are there again at
// the next start.
TEST_F(Grid, TheWindowComesBackWhereAndAsLargeAsItWasLeft) {
    start();
    EXPECT_TRUE(main()->isMaximized());
    main()->setWindowState(Qt::WindowNoState);
    main()->setGeometry(40, 30, 1100, 720);
    settle();
    main()->close();
    stopForms();
    EXPECT_EQ(TIniFile(folder.file("width.ini")).ReadInteger("window", "Width", -1), 1100);
    start();
    EXPECT_FALSE(main()->isMaximized());
    EXPECT_EQ(main()->geometry().size(), QSize(1100, 720));
}

TEST_F(Grid, WidthIniHoldsEightKeysFromTheFirstStartAndKeepsADraggedWidth) {
    startForms();
    const IniDocument first = TIniFile(folder.file("width.ini")).Load();
    const int defaults[] = {83, 95, 92, 35, 270, 71, 60, 60};
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(first.ReadInteger("widths", "col" + std::to_string(n), -1), defaults[n]);
    stopForms();

    start();
    w<RecordGrid>("dbgReminders")->horizontalHeader()->resizeSection(7, 150); // dragged
    QTest::mouseClick(w<RecordGrid>("dbgReminders")->horizontalHeader()->viewport(),
                      Qt::LeftButton);
    EXPECT_EQ(TIniFile(folder.file("width.ini")).ReadInteger("widths", "col7", -1), 150);
    // Adding a reminder redraws every row and keeps the widths.
    w<QCheckBox>("chkAll")->setChecked(false);
    addReminder("ann", "0123", "Hello", dayNumber(2026, 12, 24), 10, 0);
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(w<RecordGrid>("dbgReminders")->columnWidth(7), 150);
    main()->close();
    stopForms();
    EXPECT_EQ(TIniFile(folder.file("width.ini")).ReadInteger("widths", "col7", -1), 150);
    startForms();
    EXPECT_EQ(forms->frmMain->dbgReminders->columnWidth(7), 150);

    // A value that is not a number gives the default of its key.
    stopForms();
    folder.write("width.ini", "[widths]\r\ncol4=wide\r\n");
    startForms();
    EXPECT_EQ(forms->frmMain->dbgReminders->columnWidth(4), 270);
}

// The columns other than the message take their share of the grid's width in characters, but
// never less than their titles; the message takes what is left (see the next test).
TEST_F(Grid, ProportionalWidthsFollowTheGridWidthButNoneIsNarrowerThanItsTitle) {
    start();
    w<RecordGrid>("dbgReminders")->resize(1060, 300);
    main()->loadContactCombo();
    // Each share is the pixels of its characters: (width of "0") x characters + 4.
    const int zero =
        w<RecordGrid>("dbgReminders")->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int share[] = {1060 / 53, 1060 / 38, 1060 / 80, 1060 / 160, 0, 1060 / 399, 1060 / 399};
    const QHeaderView* header = w<RecordGrid>("dbgReminders")->horizontalHeader();
    for (int c = 0; c < 7; ++c) {
        if (c == 4)
            continue;
        const int title = header->fontMetrics().horizontalAdvance(
                              main()->remindersModel->headerData(c, Qt::Horizontal).toString()) +
                          16;
        EXPECT_EQ(w<RecordGrid>("dbgReminders")->columnWidth(c),
                  std::max(zero * share[c] + 4, title))
            << "column " << c;
    }
}

TEST_F(Grid, APasteOfSeveralCellsIntoOneFieldIsRefusedAndLeavesTheRowAlone) {
    folder.write("reminders.txt", rows({1}));
    start();
    clickRow(0);
    w<RecordGrid>("dbgReminders")->setCurrentIndex(main()->remindersModel->index(0, 4));
    w<RecordGrid>("dbgReminders")->setFocus();
    QApplication::clipboard()->setText("two\tcells");
    prompter.expect(BoxKind::Warning, kPasteShapeMessage);
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field(0, "message"), "Message 1");
    EXPECT_EQ(reminders().State(), DataSetState::Browse);

    // One cell's text goes into the current field.
    QApplication::clipboard()->setText("Pasted");
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field(0, "message"), "Pasted");

    // Lines from a mail run on as one: each break a blank, the last one dropped.
    QApplication::clipboard()->setText("See you\r\non Monday\nat ten\r\n");
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field(0, "message"), "See you on Monday at ten");
}

TEST(LineBreaksToBlanks, MakesEachBreakInsideOneBlankAndDropsTheBreaksAtTheEnd) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},           {"one", "one"},     {"a\r\nb", "a b"}, {"a\nb\rc", "a b c"},
        {"a\n\nb", "a  b"}, {"a\r\n\r\n", "a"}, {"\nb", " b"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(lineBreaksToBlanks(in), out) << in;
}

TEST_F(Grid, CopiedRowsGoToTheClipboardInSeveralFormsAndPasteBackWhole) {
    folder.write("reminders.txt", rows({1, 2}));
    start();
    w<RecordGrid>("dbgReminders")->setFocus();
    clickRow(0);
    clickRow(1, Qt::ControlModifier);
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->text().startsWith("0001\tClient 1\t24-Dec-2026\t10:00\tMessage 1\t0\t0\t"));
    EXPECT_TRUE(data->hasFormat("text/csv"));
    EXPECT_TRUE(data->hasHtml());
    QTest::keyClick(w<RecordGrid>("dbgReminders"), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(reminders().RowCount(), 4);
    main()->saveReminders();
    // The list is still in number order until its first post, which places the first pasted
    // row by its number and ends the sorting.
    EXPECT_EQ(folder.read("reminders.txt"), rows({1, 1, 2, 2}));
}

TEST_F(Grid, SendSmsRewritesTheFileBeforeTheSendWindowOpens) {
    folder.write("reminders.txt", rows({1}));
    start({{"Bob", "0002", ""}});
    // An unsaved addition.
    w<QCheckBox>("chkAll")->setChecked(true);
    w<QComboBox>("cboMessage")->setEditText("Message 2");
    main()->AddEditAll();
    w<QCheckBox>("chkAll")->setChecked(false);
    ASSERT_EQ(reminders().RowCount(), 2);
    EXPECT_EQ(folder.read("reminders.txt"), rows({1}));

    std::string seen;
    whenModalOpens([&](QWidget* modal) {
        seen = folder.read("reminders.txt");
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::mouseClick(w<QPushButton>("bmbSendMail"), Qt::LeftButton);
    settle();
    EXPECT_EQ(seen, kRemindersHeader +
                        reminderLine("0001", "Client 1", "24/12/2026", "10:00:00", "Message 1",
                                     "Message 10001") +
                        "0002^Bob^" + field(1, "appointment_date") + "^" +
                        field(1, "appointment_time") +
                        "^Message 2^0^0^^False^False^0^Message 20002^\r\n");
}

} // namespace
