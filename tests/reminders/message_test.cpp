// The message box (placeholders, count, refusals) and the long message editor.

#include "reminders/long_message_window.h"
#include "reminders/main_window_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>

namespace {

using Message = MainWindowTest;

TEST_F(Message, PlaceholdersAreReplacedAtTheNextKeyAndOnLeaving) {
    start();
    w<TDateBox>("dtpDate")->setDay(dayNumber(2026, 12, 10));
    w<QTimeEdit>("dtpTime")->setTime(QTime(14, 30));
    QComboBox* box = w<QComboBox>("cboMessage");
    type(box, "See you |");
    EXPECT_EQ(box->currentText(), "See you |");
    EXPECT_EQ(w<QLabel>("lblCount")->text(), "9/160");
    type(box, " "); // replaces the bar; the blank follows the date
    EXPECT_EQ(box->currentText(), "See you 10/12/2026 ");
    EXPECT_EQ(w<QLabel>("lblCount")->text(), "19/160");
    type(box, "at ~");
    w<QSpinBox>("sedDaysBefore")->setFocus(); // leaving the box
    settle();
    EXPECT_EQ(box->currentText(), "See you 10/12/2026 at 14:30");
    EXPECT_EQ(w<QLabel>("lblCount")->text(), "0/160"); // whatever the length
}

// Beside the count, what the message costs once the placeholders are filled in: a date is ten
// characters, so 150 letters and a bar make one full SMS and one letter more makes two.
TEST_F(Message, TheMeterCountsTheFilledInMessageAndNamesACharacterThatNeedsUnicode) {
    start();
    QComboBox* box = w<QComboBox>("cboMessage");
    QLabel* meter = w<QLabel>("lblSegments");
    ASSERT_NE(meter, nullptr);
    struct Case {
        QString text, meter;
    };
    const Case cases[] = {
        {QString(150, QLatin1Char('a')) + QLatin1Char('|'), QStringLiteral("1 SMS")},
        {QString(151, QLatin1Char('a')) + QLatin1Char('|'), QStringLiteral("2 SMS")},
        {QStringLiteral("Caf\u00e2 at ~"), QStringLiteral("1 SMS: '\u00e2' needs Unicode")},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        box->setEditText(c.text);
        EXPECT_EQ(meter->text(), c.meter) << c.text.toStdString();
    }
    type(box, "Hi");
    EXPECT_EQ(meter->text(), QStringLiteral("1 SMS"));
}

// The date and time a placeholder put into the message, or those a loaded reminder's text holds,
// follow the date and time boxes: a rescheduled customer is told the new day.
TEST_F(Message, TheDateAndTimeInTheMessageFollowTheBoxes) {
    folder.write("reminders.txt", kRemindersHeader + "0123^Ann^24/12/2026^10:00:00^Due 24/12/2026 "
                                                     "at 10:00^0^0^^False^False^0^Due0123^\r\n");
    start();
    w<TDateBox>("dtpDate")->setDay(dayNumber(2026, 12, 10));
    QComboBox* box = w<QComboBox>("cboMessage");
    type(box, "See you |");
    type(box, " ");
    ASSERT_EQ(box->currentText(), "See you 10/12/2026 ");
    w<TDateBox>("dtpDate")->setDay(dayNumber(2026, 12, 11));
    EXPECT_EQ(box->currentText(), "See you 11/12/2026 ");

    QTest::mouseClick(
        w<RecordGrid>("dbgReminders")->viewport(), Qt::LeftButton, {},
        w<RecordGrid>("dbgReminders")->visualRect(main()->remindersModel->index(0, 0)).center());
    ASSERT_EQ(main()->entryMode, "Edit");
    w<TDateBox>("dtpDate")->setDay(dayNumber(2026, 12, 27));
    w<QTimeEdit>("dtpTime")->setTime(QTime(11, 15));
    EXPECT_EQ(box->currentText(), "Due 27/12/2026 at 11:15");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    EXPECT_EQ(field(0, "message"), "Due 27/12/2026 at 11:15");

    // Rescheduled in the grid's cell instead: the stored text follows as well.
    reminders().First();
    reminders().Edit();
    reminders().FieldNamed("appointment_date").SetValue(int32_t(dayNumber(2026, 12, 28)));
    reminders().Post();
    EXPECT_EQ(field(0, "message"), "Due 28/12/2026 at 11:15");
}

TEST_F(Message, TheCaretCharacterIsRefusedAndTheBoxTakesAtMost160Characters) {
    start();
    QComboBox* box = w<QComboBox>("cboMessage");
    type(box, "Hello");
    prompter.expectError("The ^ character is not allowed");
    type(box, "^");
    EXPECT_EQ(box->currentText(), "Hello");
    EXPECT_EQ(w<QLabel>("lblCount")->text(), "5/160");
    EXPECT_TRUE(main()->keyRejected);

    // Pasted text holding it is refused as well.
    QApplication::clipboard()->setText("a^b");
    prompter.expectError("The ^ character is not allowed");
    box->lineEdit()->paste();
    EXPECT_EQ(box->currentText(), "Hello");

    box->setEditText(QString());
    type(box, QString(170, QLatin1Char('x')));
    EXPECT_EQ(box->currentText().size(), 160);
}

// However OK is reached (Enter in the box or a click), the customer gets the date, never "|".
TEST_F(Message, AStandardMessageConfirmedWithEnterOrAClickHasItsBarReplaced) {
    startForms();
    forms->frmMessage->dxmMessage->AddRow({FieldValue{}, std::string("Due on |")});
    start();
    ASSERT_EQ(w<QComboBox>("cboMessage")->count(), 1);
    for (bool withEnter : {true, false}) {
        type(w<QComboBox>("cboAll"), "ann");
        type(w<QLineEdit>("mskContactNo"), "0123");
        w<TDateBox>("dtpDate")->setDay(dayNumber(2026, 12, 24));
        w<QComboBox>("cboMessage")->setFocus();
        w<QComboBox>("cboMessage")->setCurrentIndex(0);
        if (withEnter)
            QTest::keyClick(w<QComboBox>("cboMessage"), Qt::Key_Return);
        else
            QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
        settle();
    }
    ASSERT_EQ(reminders().RowCount(), 2);
    EXPECT_EQ(field(0, "message"), "Due on 24/12/2026");
    EXPECT_EQ(field(1, "message"), "Due on 24/12/2026");
}

TEST_F(Message, TheLongMessageEditorUpdatesTheGridAtOnceAndTheFileAtTheNextSave) {
    const std::string file =
        kRemindersHeader + "0123^Ann^24/12/2026^10:00:00^Short^0^0^^False^False^0^Short0123^\r\n";
    folder.write("reminders.txt", file);
    start();
    const QRect cell =
        w<RecordGrid>("dbgReminders")->visualRect(main()->remindersModel->index(0, 4));
    QTest::mouseClick(w<RecordGrid>("dbgReminders")->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(w<RecordGrid>("dbgReminders")->viewport(), Qt::LeftButton, {},
                       cell.center());
    settle();
    TfrmLongMessage* editor = forms->frmLongMessage;
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->windowTitle(), "Message");
    EXPECT_EQ(editor->Memo1->toPlainText(), "Short");

    editor->Memo1->setFocus();
    QTest::keyClicks(editor->Memo1, " and longer");
    QTest::keyClick(editor->Memo1, Qt::Key_Return); // no line break
    prompter.expectError("The ^ character is not allowed");
    QTest::keyClicks(editor->Memo1, "^");
    EXPECT_EQ(editor->Memo1->toPlainText(), "Short and longer");

    QTest::mouseClick(editor->btnClose, Qt::LeftButton);
    settle();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(main()->remindersModel->index(0, 4).data().toString(), "Short and longer");
    EXPECT_EQ(field(0, "AllKey"), "Short0123");
    EXPECT_EQ(folder.read("reminders.txt"), file);
    main()->saveReminders();
    EXPECT_NE(folder.read("reminders.txt").find("^Short and longer^"), std::string::npos);
}

TEST_F(Message, PastedLineBreaksInTheEditorBecomeBlanks) {
    folder.write("reminders.txt",
                 kRemindersHeader + "0123^Ann^24/12/2026^10:00:00^Short^0^0^^False^False^0^K^\r\n");
    start();
    main()->dbgRemindersDblClick();
    forms->frmLongMessage->Memo1->setPlainText("two\nlines");
    QTest::mouseClick(forms->frmLongMessage->btnClose, Qt::LeftButton);
    settle();
    EXPECT_EQ(field(0, "message"), "two lines");
}

// Update in the long message editor fills "|" and "~" from the row's own date and time, as OK
// does; a row without a time keeps its "~" (which the batch check then lists).
TEST_F(Message, TheLongMessageEditorFillsThePlaceholdersFromTheRow) {
    folder.write("reminders.txt",
                 kRemindersHeader + "0123^Ann^24/12/2026^09:15:00^Short^0^0^^False^False^0^K^\r\n" +
                     "0456^Bo^28/12/2026^^Short^0^0^^False^False^0^K^\r\n");
    start();
    for (int row : {0, 1}) {
        reminders().SetRowNumber(row + 1);
        main()->dbgRemindersDblClick();
        forms->frmLongMessage->setMessage(QStringLiteral("Hygienist visit | at ~. Please arrive"));
        QTest::mouseClick(forms->frmLongMessage->btnClose, Qt::LeftButton);
        settle();
    }
    EXPECT_EQ(field(0, "message"), "Hygienist visit 24/12/2026 at 09:15. Please arrive");
    EXPECT_EQ(field(1, "message"), "Hygienist visit 28/12/2026 at ~. Please arrive");
}

} // namespace
