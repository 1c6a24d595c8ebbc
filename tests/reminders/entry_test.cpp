// Reminder entry: OK's refusals, adding, editing, "Send All", the contact book kept growing,
// the next default date and time.

#include "reminders/main_window_fixture.h"

#include <algorithm>

namespace {

using Entry = MainWindowTest;

struct Refusal {
    const char* what;
    QString name, number, message, box;
};

TEST_F(Entry, OkRefusesAnIncompleteEntryAndChangesNothing) {
    const Refusal cases[] = {
        {"no name", "", "0123", "Hello", "Contact field may not be empty"},
        {"no message", "ann", "0123", "", "Message cannot be blank"},
        {"number begins with a blank", "ann", " 0123", "Hello", "Number cannot be blank"},
        // The separator of reminders.txt, arrived from a file edited outside the program.
        {"caret in the message", "ann", "0123", "Due ^ soon", "The ^ character is not allowed"},
    };
    start();
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        main()->PrepareForNew();
        type(main()->visibleNamePicker(), c.name);
        type(w<QLineEdit>("mskContactNo"), c.number);
        w<QComboBox>("cboMessage")->setEditText(c.message);
        prompter.expectError(c.box);
        QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
        settle();
        prompter.verifyAllUsed();
        EXPECT_EQ(reminders().RowCount(), 0);
        EXPECT_FALSE(folder.exists("reminders.txt"));
        EXPECT_EQ(w<QComboBox>("cboMessage")->currentText(),
                  c.message); // the panel keeps its texts
        EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), c.number);
    }
}

TEST_F(Entry, AMissingNumberIsRefusedButTheContactBookIsStillWritten) {
    start();
    type(main()->visibleNamePicker(), "ann");
    w<QComboBox>("cboMessage")->setEditText("Hello");
    prompter.expectError("Please enter a contact number");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    EXPECT_EQ(reminders().RowCount(), 0);
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_TRUE(folder.exists("dxContact.txt"));
    // The common tail still empties the panel.
    EXPECT_EQ(w<QComboBox>("cboMessage")->currentText(), "");
    EXPECT_EQ(main()->visibleNamePicker()->currentText(), "");
    EXPECT_FALSE(w<QLineEdit>("mskContactNo")->isHidden());
}

TEST_F(Entry, ASingleAddIsWrittenByteForByteAndTheNameCapitalised) {
    start();
    addReminder("ann smith", "0123456789", "See you soon", dayNumber(2026, 12, 10), 14, 30);
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(folder.read("reminders.txt"),
              kRemindersHeader + reminderLine("0123456789", "Ann smith", "10/12/2026", "14:30:00",
                                              "See you soon", "See you soon0123456789"));
    EXPECT_EQ(main()->entryMode, "Add");
    EXPECT_EQ(w<QComboBox>("cboMessage")->currentText(), "");

    // The same number again: single adds never check for duplicates.
    addReminder("ann smith", "0123456789", "See you soon", dayNumber(2026, 12, 10), 15, 0);
    EXPECT_EQ(reminders().RowCount(), 2);
}

TEST_F(Entry, TheNextDefaultTimeFollowsTheLastReminderAndWrapsPastMidnight) {
    start();
    main()->incMins = 15;
    addReminder("ann", "0123", "Late one", dayNumber(2026, 12, 20), 23, 50);
    EXPECT_EQ(w<QTimeEdit>("dtpTime")->time(), QTime(0, 5));
    EXPECT_EQ(w<TDateBox>("dtpDate")->day(), dayNumber(2026, 12, 20));
    // A time with seconds is stored in whole minutes.
    w<QTimeEdit>("dtpTime")->setTime(QTime(9, 10, 42));
    addReminder("bob", "0456", "Next", dayNumber(2026, 12, 21), 9, 10);
    EXPECT_EQ(field(1, "appointment_time"), "09:10:00");
}

TEST_F(Entry, ANumberForAnUnknownContactJoinsTheContactBookWithTheShownGroup) {
    folder.write("groups.txt", "groupName\t\r\n\t\r\nall\t\r\nvip\t\r\n");
    start();
    addReminder("ann", "0111", "Hello", dayNumber(2026, 12, 10), 10, 0);
    w<QComboBox>("cboGroup")->setEditText("vip");
    main()->loadContactCombo();
    addReminder("bob", "0222", "Hello", dayNumber(2026, 12, 10), 11, 0);

    TdxMemData& book = contacts();
    const int ann = book.FindRowNumber(std::string("0111"), "number");
    const int bob = book.FindRowNumber(std::string("0222"), "number");
    ASSERT_GT(ann, 0);
    ASSERT_GT(bob, 0);
    EXPECT_EQ(book.CellText(ann - 1, book.FieldIndex("group")), ""); // "all" is no group
    EXPECT_EQ(book.CellText(bob - 1, book.FieldIndex("group")), "vip");
    const std::string file = folder.read("dxContact.txt");
    EXPECT_NE(file.find("0111\t\t"), std::string::npos);
    EXPECT_NE(file.find("0222\tvip\t"), std::string::npos);
    // The group's picker lists the new contact by name, "all" with its group.
    EXPECT_GE(w<QComboBox>("cboContactName")->findText("Bob"), 0);
    EXPECT_GE(w<QComboBox>("cboAll")->findText("Bob (vip)"), 0);

    // A contact already in the book is not added twice.
    addReminder("bob", "0222", "Again", dayNumber(2026, 12, 10), 12, 0);
    EXPECT_EQ(book.RowCount(), 2);
}

TEST_F(Entry, AContactOfTheContactsWindowIsFoundUnderItsGroupWhateverItsCaseAndBlanks) {
    // Windows-1252: 0xC9 is "\u00C9", 0xE9 "\u00E9", 0xA0 the no-break space.
    folder.write("groups.txt", "groupName\t\r\n\t\r\nall\t\r\ncaf\xE9\t\r\n");
    start();
    TdxMemData& book = contacts();
    book.Append(); // through the contacts window's own posting rule
    book.FieldNamed("contact").SetAsString("Zoe");
    book.FieldNamed("number").SetAsString("0333");
    book.FieldNamed("group").SetAsString("CAF\xC9\xA0");
    book.Post();
    ASSERT_EQ(book.RowCount(), 1);
    EXPECT_EQ(book.CellText(0, book.FieldIndex("contactKey")), "0333caf\xE9");

    w<QComboBox>("cboGroup")->setEditText(QString::fromUtf8("CAF\u00C9\u00A0"));
    main()->loadContactCombo();
    addReminder("Zoe", "0333", "Hello", dayNumber(2026, 12, 10), 10, 0);
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(book.RowCount(), 1); // the same contact, not a second one
}

TEST_F(Entry, EditingARowKeepsItsKeyAndSendStamps) {
    folder.write("reminders.txt",
                 kRemindersHeader +
                     "0123^Ann^24/12/2026^10:00:00^Old text^1^0^^True^True^46000.5^OLDKEY^\r\n");
    start();
    QTest::mouseClick(
        w<RecordGrid>("dbgReminders")->viewport(), Qt::LeftButton, {},
        w<RecordGrid>("dbgReminders")->visualRect(main()->remindersModel->index(0, 0)).center());
    EXPECT_EQ(main()->entryMode, "Edit");
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "0123");
    EXPECT_EQ(w<QComboBox>("cboMessage")->currentText(), "Old text");
    EXPECT_EQ(w<QSpinBox>("sedDaysBefore")->value(), 1);
    w<QComboBox>("cboMessage")->setEditText("New text");
    w<QLineEdit>("mskContactNo")->setText("0999");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    EXPECT_EQ(folder.read("reminders.txt"),
              kRemindersHeader +
                  "0999^Ann^24/12/2026^10:00:00^New text^1^0^^True^True^46000.5^OLDKEY^\r\n");
    EXPECT_EQ(main()->entryMode, "Add");
}

TEST_F(Entry, SendAllMakesOneReminderPerContactOfTheGroupOnce) {
    folder.write("groups.txt", "groupName\t\r\n\t\r\nall\t\r\nvip\t\r\n");
    start({{"Ann", "111", "vip"}, {"Bob", "222", "vip"}, {"Cid", "333", ""}, {"Dan", "", "vip"}});
    w<QComboBox>("cboGroup")->setEditText("vip");
    main()->loadContactCombo();
    auto sendAll = [&](const QString& message) {
        QTest::mouseClick(w<QCheckBox>("chkAll"), Qt::LeftButton);
        ASSERT_TRUE(w<QCheckBox>("chkAll")->isChecked());
        EXPECT_FALSE(w<QComboBox>("cboContactName")->isEnabled());
        w<QComboBox>("cboMessage")->setEditText(message);
        QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
        settle();
        EXPECT_FALSE(w<QCheckBox>("chkAll")->isChecked());
        EXPECT_TRUE(w<QComboBox>("cboContactName")->isEnabled());
    };
    const QString ask = "Dan has no contact number. Would you like to delete this record?";
    prompter.expect(BoxKind::Warning, ask, BoxButton::No);
    sendAll("Hello");
    EXPECT_EQ(reminders().RowCount(), 2);
    EXPECT_EQ(field(0, "AllKey"), "Hello111");
    EXPECT_EQ(field(1, "contact_no"), "222");

    prompter.expect(BoxKind::Warning, ask, BoxButton::Yes);
    sendAll("Hello"); // nothing new
    EXPECT_EQ(reminders().RowCount(), 2);
    EXPECT_EQ(contacts().FindRowNumber(std::string("Dan"), "contact"), -1);

    sendAll(" Hello "); // the blanks make the lookup miss the stored key
    EXPECT_EQ(reminders().RowCount(), 4);
    EXPECT_EQ(field(3, "AllKey"), "Hello222");

    // "Send All" saves nothing by itself.
    EXPECT_FALSE(folder.exists("reminders.txt"));

    // The group "all": every contact with a number, whatever its group.
    w<QComboBox>("cboGroup")->setEditText("all");
    main()->loadContactCombo();
    sendAll("Other");
    EXPECT_EQ(reminders().RowCount(), 7);
}

// Each contact without a number is asked about in the book's order, and exactly those answered
// Yes (or without a name to ask about) are gone afterwards, the others staying in their order.
TEST_F(Entry, SendAllDeletesExactlyTheContactsWithoutANumberAnsweredYes) {
    start({{"Ann", "", ""},
           {"Bob", "", ""},
           {"Cid", "333", ""},
           {"Eve", "", ""},
           {"Fay", "", ""},
           {"Gus", "777", ""}});
    w<QComboBox>("cboGroup")->setEditText("all");
    main()->loadContactCombo();
    const std::pair<const char*, BoxButton> asked[] = {{"Ann", BoxButton::Yes},
                                                       {"Bob", BoxButton::No},
                                                       {"Eve", BoxButton::Yes},
                                                       {"Fay", BoxButton::No}};
    for (const auto& [name, answer] : asked)
        prompter.expect(BoxKind::Warning,
                        QString(name) +
                            " has no contact number. Would you like to delete this record?",
                        answer);
    QTest::mouseClick(w<QCheckBox>("chkAll"), Qt::LeftButton);
    w<QComboBox>("cboMessage")->setEditText("Hello");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    std::vector<std::string> kept;
    for (int row = 0; row < contacts().RowCount(); ++row)
        kept.push_back(contacts().CellText(row, contacts().FieldIndex("contact")));
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"Bob", "Cid", "Fay", "Gus"}));
    EXPECT_EQ(reminders().RowCount(), 2);
}

// Names holding "^" (the separator of reminders.txt, from a contact book edited outside the
// program) are not offered by the pickers and are left out of "Send All" with the refusal's box:
// the pending list opens whole at the next start.
TEST_F(Entry, ACaretFromTheContactBookNeverReachesThePendingList) {
    start({{"Ann", "111", ""}, {"O^Brien", "222", ""}, {"Bob", "3^33", ""}});
    main()->loadAllCombo();
    for (int i = 0; i < w<QComboBox>("cboAll")->count(); ++i)
        EXPECT_FALSE(w<QComboBox>("cboAll")->itemText(i).contains(QLatin1Char('^')));
    EXPECT_EQ(w<QComboBox>("cboAll")->count(), 2); // Ann and Bob; Bob's number is checked at OK
    QTest::mouseClick(w<QCheckBox>("chkAll"), Qt::LeftButton);
    w<QComboBox>("cboMessage")->setEditText("Hello");
    prompter.expectError("The ^ character is not allowed");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    prompter.verifyAllUsed();
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(field(0, "name"), "Ann");
    main()->saveReminders();
    stopForms();
    start();
    EXPECT_EQ(reminders().RowCount(), 1);
}

// A group capitalised by hand in dxContact.txt, and the contacts window's title sort (which
// drops the case-blind comparison): a reminder to that contact still finds it, and no second
// contact is made for it.
TEST_F(Entry, AContactWhoseFileGroupHasCapitalsIsNotAddedTwice) {
    folder.write("groups.txt", "groupName\t\r\n\t\r\nall\t\r\ndental\t\r\n");
    folder.write("dxContact.txt",
                 "contact\tnumber\tgroup\tcontactKey\t\r\nAnn\t0123\tDental\t0123Dental\t\r\n");
    start();
    contacts().SetSortOptions(0); // as a title click in the contacts window leaves it
    w<QComboBox>("cboGroup")->setEditText("dental");
    main()->loadContactCombo();
    addReminder("Ann", "0123", "Hello", dayNumber(2026, 12, 10), 10, 0);
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(contacts().RowCount(), 1);
}

// Once the date box has had the focus, today is its earliest date: a new entry after an older
// last reminder proposes today instead of stopping half-way with a box, and a click on a past
// reminder shows the box and leaves the panel exactly as it was (never half of each reminder).
TEST_F(Entry, AnEarlierDateThanTodayIsRefusedOnceTheDateBoxHadTheFocus) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("reminders.txt",
                 kRemindersHeader +
                     "0123^Ann^01/12/2026^10:00:00^Old^0^0^^False^False^0^Old0123^\r\n");
    start();
    EXPECT_EQ(w<TDateBox>("dtpDate")->day(), dayNumber(2026, 12, 1)); // no earliest date yet
    w<TDateBox>("dtpDate")->setFocus();
    settle();
    ASSERT_TRUE(w<TDateBox>("dtpDate")->minimumDay().has_value());
    w<QSpinBox>("sedDaysBefore")->setValue(5);
    QTest::keyClick(main(), Qt::Key_F2); // a new entry
    settle();
    EXPECT_EQ(w<TDateBox>("dtpDate")->day(), dayNumber(2026, 12, 9));
    EXPECT_EQ(w<QSpinBox>("sedDaysBefore")->value(), 0); // the whole preparation ran

    type(w<QLineEdit>("mskContactNo"), "0999");
    w<QComboBox>("cboMessage")->setEditText("Typed");
    prompter.expectError("Date is less than minimum of 09/12/2026");
    QTest::mouseClick(
        w<RecordGrid>("dbgReminders")->viewport(), Qt::LeftButton, {},
        w<RecordGrid>("dbgReminders")->visualRect(main()->remindersModel->index(0, 0)).center());
    settle();
    prompter.verifyAllUsed();
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "0999");
    EXPECT_EQ(w<QComboBox>("cboMessage")->currentText(), "Typed");
    EXPECT_EQ(w<TDateBox>("dtpDate")->day(), dayNumber(2026, 12, 9));
    EXPECT_EQ(main()->entryMode, "Add");
}

// A click on a past reminder is refused while the panel edits another reminder: OK then edits the
// reminder the panel shows (the one added just before, here), never the past reminder's row.
TEST_F(Entry, OkAfterARefusedClickOnAPastReminderEditsTheReminderThePanelShows) {
    clock.set(2026, 12, 9, 9, 30);
    folder.write("reminders.txt",
                 kRemindersHeader +
                     "0123^Ann^01/12/2026^10:00:00^Old^0^0^^False^False^0^Old0123^\r\n");
    start();
    w<TDateBox>("dtpDate")->setFocus();
    settle();
    ASSERT_TRUE(w<TDateBox>("dtpDate")->minimumDay().has_value());
    QTest::keyClick(main(), Qt::Key_F2);
    settle();
    addReminder("Bob", "0456", "New", dayNumber(2026, 12, 20), 11, 0);
    ASSERT_EQ(reminders().RowCount(), 2);

    auto clickRow = [&](int row) {
        QTest::mouseClick(w<RecordGrid>("dbgReminders")->viewport(), Qt::LeftButton, {},
                          w<RecordGrid>("dbgReminders")
                              ->visualRect(main()->remindersModel->index(row, 0))
                              .center());
        settle();
    };
    clickRow(1); // the new reminder into the panel
    ASSERT_EQ(main()->entryMode, "Edit");
    ASSERT_EQ(w<QComboBox>("cboMessage")->currentText(), "New");
    prompter.expectError("Date is less than minimum of 09/12/2026");
    clickRow(0); // the past one: refused
    prompter.verifyAllUsed();
    EXPECT_EQ(w<QComboBox>("cboMessage")->currentText(), "New");

    w<QComboBox>("cboMessage")->setEditText("New, changed");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    EXPECT_EQ(folder.read("reminders.txt"),
              kRemindersHeader +
                  reminderLine("0123", "Ann", "01/12/2026", "10:00:00", "Old", "Old0123") +
                  reminderLine("0456", "Bob", "20/12/2026", "11:00:00", "New, changed", "New0456"));
}

} // namespace

namespace {

// Digits typed into the date and time boxes change them, section by section.
TEST_F(Entry, TypedDigitsChangeTheDateAndTimeBoxes) {
    start();
    w<QTimeEdit>("dtpTime")->setFocus();
    settle();
    QTest::keyClicks(w<QTimeEdit>("dtpTime"), "0930");
    EXPECT_EQ(w<QTimeEdit>("dtpTime")->time(), QTime(9, 30));
    w<TDateBox>("dtpDate")->setFocus();
    settle();
    QTest::keyClicks(w<TDateBox>("dtpDate"), "25122026");
    EXPECT_EQ(w<TDateBox>("dtpDate")->date(), QDate(2026, 12, 25));
}
} // namespace
