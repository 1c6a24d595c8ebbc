// Reminders to numbers on the do-not-text list: "Send All" leaves them out and says how many;
// a single reminder to one is added only when the user says so.

#include "core/store/do_not_text.h"
#include "reminders/main_window_fixture.h"

namespace {

class DoNotTextEntry : public MainWindowTest {
protected:
    // The list is in its file when the program starts, as a user's earlier marks left it.
    void listNumbers(const std::vector<std::string>& numbers) {
        auto list = schemas::makeDoNotText();
        markDoNotText(*list, numbers, clock.today(), "said stop");
        list->WriteDelimitedFile(folder.file("donottext.txt"));
    }
};

TEST_F(DoNotTextEntry, SendAllSkipsTheMarkedNumbersInOneBox) {
    listNumbers({"447700900123", "0412 345 678"});
    start({{"Ann", "+44 7700 900123", ""}, {"Bob", "222", ""}, {"Cid", "0412345678", ""}});
    QTest::mouseClick(w<QCheckBox>("chkAll"), Qt::LeftButton);
    w<QComboBox>("cboMessage")->setEditText("Hello");
    prompter.expect(BoxKind::Information,
                    QStringLiteral("2 contacts on the do-not-text list were skipped."));
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    prompter.verifyAllUsed();
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(field(0, "name"), "Bob");

    // Nothing to skip, no box.
    unmarkDoNotText(*forms->tables().dxDoNotText, {"447700900123", "0412345678"});
    QTest::mouseClick(w<QCheckBox>("chkAll"), Qt::LeftButton);
    w<QComboBox>("cboMessage")->setEditText("Hello");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    EXPECT_EQ(reminders().RowCount(), 3);
}

TEST_F(DoNotTextEntry, ASingleReminderToAMarkedNumberIsAddedOnlyOnYes) {
    listNumbers({"0412 345 678"});
    start();
    const QString question =
        QStringLiteral("0412345678 is on the do-not-text list. Add the reminder anyway?");
    prompter.expect(BoxKind::Confirmation, question, BoxButton::No);
    addReminder("ann", "0412345678", "See you", dayNumber(2026, 12, 10), 9, 0);
    prompter.verifyAllUsed();
    EXPECT_EQ(prompter.shown.back().defaultButton, BoxButton::No);
    EXPECT_EQ(reminders().RowCount(), 0);
    EXPECT_FALSE(folder.exists("reminders.txt"));
    // The entry stays as typed, to be changed or confirmed.
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "0412345678");
    EXPECT_EQ(w<QComboBox>("cboMessage")->currentText(), "See you");

    prompter.expect(BoxKind::Confirmation, question, BoxButton::Yes);
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    prompter.verifyAllUsed();
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(field(0, "contact_no"), "0412345678");

    // A number not on the list asks nothing.
    addReminder("bob", "0412345679", "See you", dayNumber(2026, 12, 10), 9, 0);
    EXPECT_EQ(reminders().RowCount(), 2);
}

} // namespace
