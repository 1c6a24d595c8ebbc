// Reminders for a selection of contacts ("Details for Selected Contacts").

#include "contacts/contacts_window.h"
#include "contacts/select_sending_window.h"
#include "contacts_fixture.h"
#include "core/tables/date_time.h"
#include "reminders/main_window.h"
#include "ui/widgets/record_grid.h"

#include <QComboBox>
#include <QDateEdit>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

namespace {

const std::vector<Row> kBook{{"Ann", "111", "work", "111work"},
                             {"Bea", "222", "", "222"},
                             {"Cy", "333", "work", "333work"},
                             {"Dot", "444", "all", "444all"}};

class SelectForSending : public ContactsWindowTest {
protected:
    TfrmContact& show() { return showContacts(kBook); }
    static void selectRows(RecordGrid* grid, const std::vector<int>& rows) {
        grid->clearSelection();
        for (int r : rows)
            grid->selectionModel()->select(grid->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    std::vector<Row> reminders() {
        return rowsOf(*forms->frmMain->dxmReminders,
                      {"contact_no", "name", "message", "days_before_appointment", "recurring_days",
                       "Recurring", "status", "delivery", "batch", "AllKey"});
    }
};

TEST_F(SelectForSending, ThreeSelectedContactsGiveThreeRemindersAndCloseBothWindows) {
    TfrmContact& w = show();
    TfrmSelectSending& s = *forms->frmSelectSending;
    EXPECT_EQ(s.windowTitle(), QStringLiteral("Details for Selected Contacts"));
    EXPECT_EQ(s.dtpTime->time(), QTime(8, 0));
    const int before = forms->frmMain->dxmReminders->RowCount();
    // The book is kept in group order: Bea, Dot, Ann, Cy.
    ASSERT_EQ(contactRows(*w.dxContact),
              (std::vector<Row>{kBook[1], kBook[3], kBook[0], kBook[2]}));
    selectRows(w.dbgContact, {1, 2, 3});

    bool ran = false;
    whenModalOpens([&](QWidget* modal) {
        ran = true;
        EXPECT_EQ(modal, &s);
        // It says for how many contacts, and the message is the user's to choose.
        EXPECT_EQ(s.lblSelected->text(), QStringLiteral("Reminders for 3 selected contacts"));
        EXPECT_EQ(s.cboMessage->currentText(), QString());
        EXPECT_EQ(s.findChild<QLabel*>(QStringLiteral("lblBefore"))->buddy(), s.sedDaysBefore);
        s.setDateDay(dayNumber(2026, 4, 15));
        s.dtpTime->setTime(QTime(9, 45, 30));
        s.sedDaysBefore->setValue(2);
        s.sedRecurringDays->setValue(7);
        s.cboMessage->setEditText(QStringLiteral("See you soon"));
        s.cboRecurring->setCurrentText(QStringLiteral("Weekly"));
        QTest::mouseClick(s.bmbOK, Qt::LeftButton);
    });
    w.Selectforsending1Click();
    ASSERT_TRUE(ran);

    EXPECT_EQ(w.SelectedContactKeys, (std::vector<std::string>{"444all", "111work", "333work"}));
    auto* status = forms->frmMain->findChild<QLabel*>(QStringLiteral("lblSendSummary"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->text(), QStringLiteral("3 reminders added"));
    const auto rows = reminders();
    ASSERT_EQ(rows.size(), size_t(before + 3));
    const std::vector<Row> added(rows.end() - 3, rows.end());
    EXPECT_EQ(added, (std::vector<Row>{{"444", "Dot", "See you soon", "2", "7", "Weekly", "False",
                                        "False", "0", "See you soon444"},
                                       {"111", "Ann", "See you soon", "2", "7", "Weekly", "False",
                                        "False", "0", "See you soon111"},
                                       {"333", "Cy", "See you soon", "2", "7", "Weekly", "False",
                                        "False", "0", "See you soon333"}}));
    TdxMemData& r = *forms->frmMain->dxmReminders;
    for (int i = before; i < before + 3; ++i) {
        r.SetRowNumber(i + 1);
        EXPECT_EQ(r.FieldNamed("appointment_date").AsInteger(), dayNumber(2026, 4, 15));
        EXPECT_EQ(r.FieldNamed("appointment_time").AsInteger(), (9 * 60 + 45) * 60 * 1000);
    }
    // OK reset the message, the recurrence and the date; both windows closed.
    EXPECT_TRUE(s.cboMessage->currentText().isEmpty());
    EXPECT_TRUE(s.cboRecurring->currentText().isEmpty());
    EXPECT_EQ(s.dateDay(), dayNumber(2026, 3, 2));
    EXPECT_EQ(s.sedDaysBefore->value(), 2); // the other fields keep their values
    EXPECT_FALSE(s.isVisible());
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(s.closedFromSelection); // the contacts window's close read and cleared it
    EXPECT_EQ(forms->frmMain->entryMode, QStringLiteral("Add"));
    // The reminders wait for the main window's next save.
    EXPECT_FALSE(folder.exists("reminders.txt") &&
                 folder.read("reminders.txt").find("See you soon") != std::string::npos);
}

TEST_F(SelectForSending, WithNoContactSelectedOkAddsNothingAndStillClosesBothWindows) {
    TfrmContact& w = show();
    TfrmSelectSending& s = *forms->frmSelectSending;
    const auto before = reminders();
    w.dbgContact->clearSelection();
    whenModalOpens([&](QWidget*) {
        s.cboMessage->setEditText(QStringLiteral("Hello"));
        s.bmbOKClick();
    });
    w.Selectforsending1Click();
    EXPECT_TRUE(w.SelectedContactKeys.empty());
    EXPECT_EQ(reminders(), before);
    EXPECT_FALSE(s.isVisible());
    EXPECT_FALSE(w.isVisible());
}

TEST_F(SelectForSending, ABlankMessageIsRefusedAndTheWindowStaysOpen) {
    TfrmContact& w = show();
    TfrmSelectSending& s = *forms->frmSelectSending;
    const auto before = reminders();
    selectRows(w.dbgContact, {1});
    whenModalOpens([&](QWidget*) {
        prompter.expectError(QStringLiteral("Message cannot be blank"));
        s.bmbOKClick();
        EXPECT_TRUE(s.isVisible());
        EXPECT_TRUE(s.closedFromSelection);
        s.reject();
    });
    w.Selectforsending1Click();
    prompter.verifyAllUsed();
    EXPECT_EQ(reminders(), before);
    EXPECT_TRUE(w.isVisible());
    // The next close of the contacts window skips its pending cell and clears the flag.
    w.close();
    EXPECT_FALSE(s.closedFromSelection);
}

TEST_F(SelectForSending, AKeyNoContactMatchesMakesNoReminderForAnotherContact) {
    TfrmContact& w = show();
    TfrmSelectSending& s = *forms->frmSelectSending;
    const int before = forms->frmMain->dxmReminders->RowCount();
    // The contact was deleted or changed after it was selected.
    w.SelectedContactKeys = {"999gone", " 111WORK "};
    s.cboMessage->setEditText(QStringLiteral("Hi"));
    prompter.expect(BoxKind::Warning,
                    QStringLiteral("1 of the selected contacts could not be found in the contact "
                                   "book; no reminder was made for them"));
    s.bmbOKClick();
    prompter.verifyAllUsed();
    const auto rows = reminders();
    ASSERT_EQ(rows.size(), size_t(before + 1));
    // Trimmed, and found whatever the case while the book's sort options fold letters.
    EXPECT_EQ(rows.back()[0], "111");
    EXPECT_EQ(rows.back()[1], "Ann");
}

TEST_F(SelectForSending, TheMessageBoxReplacesPlaceholdersAndRefusesTheCaret) {
    show();
    TfrmSelectSending& s = *forms->frmSelectSending;
    s.setDateDay(dayNumber(2026, 5, 7));
    s.dtpTime->setTime(QTime(14, 5));
    QLineEdit* edit = s.cboMessage->lineEdit();
    ASSERT_NE(edit, nullptr);
    struct Case {
        QString typed;
        QString result;
        QString error;
    };
    const Case cases[] = {
        {QStringLiteral("On |x"), QStringLiteral("On 07/05/2026x"), {}},
        {QStringLiteral("At ~y"), QStringLiteral("At 14:05y"), {}},
        {QStringLiteral("a^b"), QStringLiteral("ab"),
         QStringLiteral("The ^ character is not allowed")},
    };
    for (const Case& c : cases) {
        s.cboMessage->setEditText(QString());
        if (!c.error.isEmpty())
            prompter.expectError(c.error);
        QTest::keyClicks(edit, c.typed);
        EXPECT_EQ(s.cboMessage->currentText(), c.result) << c.typed.toStdString();
        EXPECT_EQ(s.lblCount->text(), QStringLiteral("%1/160").arg(c.result.size()));
    }
    prompter.verifyAllUsed();
}

// Cancel (as Esc) closes the window and adds nothing, even with a message typed.
TEST_F(SelectForSending, CancelAddsNothing) {
    TfrmContact& w = show();
    TfrmSelectSending& s = *forms->frmSelectSending;
    const int before = forms->frmMain->dxmReminders->RowCount();
    selectRows(w.dbgContact, {0});
    bool ran = false;
    whenModalOpens([&](QWidget*) {
        ran = true;
        EXPECT_EQ(s.lblSelected->text(), QStringLiteral("Reminders for 1 selected contact"));
        s.cboMessage->setEditText(QStringLiteral("Typed"));
        QTest::mouseClick(s.bmbCancel, Qt::LeftButton);
    });
    w.Selectforsending1Click();
    ASSERT_TRUE(ran);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), before);
}

} // namespace
