// Contact, number and group pickers: the number lookup, groups added and deleted, refused keys.

#include "core/tables/charset.h"
#include "reminders/main_window_fixture.h"
#include "ui/prompter.h"
#include "ui/qt_charset.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace {

using Pickers = MainWindowTest;

// The Windows-1252 bytes of a UTF-8 text, as the table files hold them.
std::string cp(const char* utf8) {
    return cp1252FromUtf8(utf8).value();
}

const std::string kGroups = "groupName\t\r\n\t\r\nall\t\r\nvip\t\r\n";

TEST_F(Pickers, AContactWithThreeNumbersOffersThemSortedAfterAPrompt) {
    folder.write("groups.txt", kGroups);
    start({{"Ann", "0333", "vip"},
           {"Ann", "0111", "vip"},
           {"Ann", "0222", "vip"},
           {"Ann", "0999", ""},
           {"Bob", "0555", "vip"},
           {"Bob", "0555", "vip"}});
    w<QComboBox>("cboGroup")->setEditText("vip");
    main()->loadContactCombo();
    ASSERT_FALSE(w<QComboBox>("cboContactName")->isHidden());
    EXPECT_TRUE(w<QComboBox>("cboAll")->isHidden());
    // Under its own group a contact goes by its bare name.
    EXPECT_EQ(w<QComboBox>("cboContactName")->findText("Ann"), 0);
    EXPECT_EQ(w<QComboBox>("cboContactName")->findText("Ann (vip)"), -1);

    type(w<QComboBox>("cboContactName"), "ann");
    ASSERT_TRUE(main()->numberListShown());
    EXPECT_TRUE(w<QLineEdit>("mskContactNo")->isHidden());
    EXPECT_EQ(w<QComboBox>("cboNumber")->currentText(), "Please select number");
    QStringList numbers;
    for (int i = 0; i < w<QComboBox>("cboNumber")->count(); ++i)
        numbers << w<QComboBox>("cboNumber")->itemText(i);
    EXPECT_EQ(numbers, QStringList({"0111", "0222", "0333"})); // the other group's number is not

    // Two records with the same name and number: the number box shows it alone.
    w<QComboBox>("cboContactName")->setEditText(QString());
    type(w<QComboBox>("cboContactName"), "bob");
    EXPECT_FALSE(main()->numberListShown());
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "0555");

    // OK while the list still asks for a choice: no number.
    w<QComboBox>("cboContactName")->setEditText("ann");
    type(w<QComboBox>("cboContactName"), " ");
    w<QComboBox>("cboMessage")->setEditText("Hi");
    prompter.expectError("Please enter a contact number");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    EXPECT_EQ(reminders().RowCount(), 0);
    EXPECT_FALSE(main()->numberListShown());
}

TEST_F(Pickers, TheGroupAllListsEveryContactWithItsGroupAndFindsItsNumbers) {
    folder.write("groups.txt", kGroups);
    start({{"Ann", "0111", "vip"}, {"Bob", "0222", ""}});
    ASSERT_FALSE(w<QComboBox>("cboAll")->isHidden());
    EXPECT_TRUE(w<QComboBox>("cboContactName")->isHidden());
    ASSERT_EQ(w<QComboBox>("cboAll")->count(), 2);
    EXPECT_EQ(w<QComboBox>("cboAll")->itemText(0), "Ann (vip)");
    EXPECT_EQ(w<QComboBox>("cboAll")->itemText(1), "Bob");
    w<QComboBox>("cboAll")->setCurrentIndex(0);
    emit w<QComboBox>("cboAll")->activated(0);
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "0111");
    EXPECT_FALSE(main()->numberListShown());
}

// A name that begins with an accented capital is found like any other (its number filled in,
// OK adds the reminder), and sorts among its base letter's names in both name pickers.
TEST_F(Pickers, ANameBeginningWithAnAccentedCapitalIsPickedAndSortedWithItsBaseLetter) {
    folder.write("groups.txt", kGroups);
    start({{"Zoe", "0100", "vip"},
           {cp("Úna Power"), "0200", "vip"},
           {cp("Íde Nolan"), "0300", ""},
           {"Ian", "0400", "vip"},
           {"Ursula", "0500", "vip"}});
    auto items = [](QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i)
            out << box->itemText(i);
        return out;
    };
    EXPECT_EQ(items(w<QComboBox>("cboAll")),
              QStringList({"Ian (vip)", QStringLiteral("Íde Nolan"),
                           QStringLiteral("Úna Power (vip)"), "Ursula (vip)", "Zoe (vip)"}));

    const int ide = w<QComboBox>("cboAll")->findText(QStringLiteral("Íde Nolan"));
    ASSERT_GE(ide, 0);
    w<QComboBox>("cboAll")->setCurrentIndex(ide);
    emit w<QComboBox>("cboAll")->activated(ide);
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "0300");
    w<QComboBox>("cboMessage")->setEditText("Hello");
    QTest::mouseClick(w<QPushButton>("bmbOK"), Qt::LeftButton);
    settle();
    ASSERT_EQ(reminders().RowCount(), 1);
    EXPECT_EQ(field(0, "contact_no"), "0300");
    EXPECT_EQ(field(0, "name"), cp("Íde Nolan"));

    w<QComboBox>("cboGroup")->setEditText("vip");
    main()->loadContactCombo();
    EXPECT_EQ(items(w<QComboBox>("cboContactName")),
              QStringList({"Ian", QStringLiteral("Úna Power"), "Ursula", "Zoe"}));
    // Typed as a keyboard sends it: a key event carrying the accented letter.
    w<QComboBox>("cboContactName")->setFocus();
    QKeyEvent accented(QEvent::KeyPress, Qt::Key_Uacute, Qt::NoModifier, QStringLiteral("ú"));
    QApplication::sendEvent(w<QComboBox>("cboContactName")->lineEdit(), &accented);
    QTest::keyClicks(w<QComboBox>("cboContactName"), "na power");
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "0200");
}

TEST_F(Pickers, ATypedGroupIsOfferedAndAddedOnlyOnYes) {
    folder.write("groups.txt", kGroups);
    start();
    for (BoxButton answer : {BoxButton::No, BoxButton::Yes}) {
        w<QComboBox>("cboGroup")->setFocus();
        w<QComboBox>("cboGroup")->setEditText(QString());
        type(w<QComboBox>("cboGroup"), "Golf"); // typed letters become lower case
        EXPECT_EQ(w<QComboBox>("cboGroup")->currentText(), "golf");
        prompter.expect(BoxKind::Confirmation, "Group golf not found. Would you like to add?",
                        answer);
        w<QTimeEdit>("dtpTime")->setFocus(); // leaving the group picker
        settle();
        prompter.verifyAllUsed();
        if (answer == BoxButton::No) {
            EXPECT_EQ(folder.read("groups.txt"), kGroups);
            EXPECT_EQ(w<QComboBox>("cboGroup")->currentText(), "golf"); // the typed group stays
        }
    }
    // Written as added (the new group last); read back in name order.
    EXPECT_EQ(folder.read("groups.txt"), kGroups + "golf\t\r\n");
    EXPECT_EQ(main()->dxGroup->CellText(2, 1), "golf");
    EXPECT_GE(w<QComboBox>("cboGroup")->findText("golf"), 0);
    EXPECT_FALSE(w<QComboBox>("cboContactName")->isHidden()); // the group's own name picker
    // A known group asks nothing.
    w<QComboBox>("cboGroup")->setFocus();
    w<QComboBox>("cboGroup")->setEditText("vip");
    w<QTimeEdit>("dtpTime")->setFocus();
    settle();
}

TEST_F(Pickers, DeletingAGroupMovesItsContactsToNoGroup) {
    folder.write("groups.txt", kGroups);
    start({{"Ann", "0111", "vip"},
           {"Bob", "0222", "vip"},
           {"Cid", "0333", ""},
           {"Dan", "0444", "vip"}});
    auto deleteRecord = [&] {
        w<QComboBox>("cboGroup")->setFocus();
        settle();
        QTest::keyClick(w<QComboBox>("cboGroup"), Qt::Key_Delete, Qt::ControlModifier);
        settle();
    };
    // The system groups stay.
    for (const char* system : {"all", ""}) {
        w<QComboBox>("cboGroup")->setEditText(system);
        prompter.expectError("This is a system group and can not be deleted.");
        deleteRecord();
    }
    // No keeps the group.
    w<QComboBox>("cboGroup")->setEditText("vip");
    const QString ask = "Delete current Group? - Any Contact belonging to this Group will be set "
                        "back to \"no Group\"";
    prompter.expect(BoxKind::Confirmation, ask, BoxButton::No);
    deleteRecord();
    EXPECT_EQ(folder.read("groups.txt"), kGroups);

    prompter.expect(BoxKind::Confirmation, ask, BoxButton::Yes);
    deleteRecord();
    EXPECT_EQ(folder.read("groups.txt"), "groupName\t\r\n\t\r\nall\t\r\n");
    const int group = contacts().FieldIndex("group");
    for (int row = 0; row < contacts().RowCount(); ++row)
        EXPECT_EQ(contacts().CellText(row, group), "") << "row " << row;
    EXPECT_EQ(w<QComboBox>("cboGroup")->currentText(), "all");
    EXPECT_FALSE(main()->groupDeleteInProgress);
    // The former members are listed by their bare names.
    EXPECT_GE(w<QComboBox>("cboAll")->findText("Ann"), 0);
    EXPECT_EQ(w<QComboBox>("cboAll")->findText("Ann (vip)"), -1);
}

struct RefusedKey {
    const char* box;
    QString key;
    QStringList messages;
};

TEST_F(Pickers, RefusedKeysAreDroppedWithTheirMessage) {
    const RefusedKey cases[] = {
        {"cboAll", "(", {"The ( character is not allowed"}},
        {"cboAll", ")", {"The ) character is not allowed"}},
        {"cboAll", "^", {"The ^ character is not allowed"}},
        {"mskContactNo", "a", {"Only Numeric values allowed"}},
        {"mskContactNo", "-", {"Only Numeric values allowed"}},
        {"cboNumber", "x", {"Only Numeric values allowed"}},
        {"cboNumber", "^", {"The ^ character is not allowed", "Only Numeric values allowed"}},
    };
    start();
    for (const RefusedKey& c : cases) {
        SCOPED_TRACE(std::string(c.box) + " " + c.key.toStdString());
        QWidget* box = w<QWidget>(c.box);
        w<QLineEdit>("mskContactNo")->setVisible(std::string(c.box) != "cboNumber");
        w<QComboBox>("cboNumber")->setVisible(std::string(c.box) == "cboNumber");
        QLineEdit* edit = std::string(c.box) == "mskContactNo"
                              ? w<QLineEdit>("mskContactNo")
                              : static_cast<QComboBox*>(box)->lineEdit();
        edit->setText("12");
        main()->keyRejected = false;
        for (const QString& m : c.messages)
            prompter.expectError(m);
        type(box, c.key);
        prompter.verifyAllUsed();
        EXPECT_EQ(edit->text(), std::string(c.box) == "cboNumber" && c.key == "^" ? "" : "12");
    }
    // Digits, blank and Backspace pass.
    w<QLineEdit>("mskContactNo")->setVisible(true);
    w<QLineEdit>("mskContactNo")->clear();
    type(w<QLineEdit>("mskContactNo"), "01 2");
    QTest::keyClick(w<QLineEdit>("mskContactNo"), Qt::Key_Backspace);
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "01 ");
    // A refused name key stops the lookup until a key is released in the number list, which
    // then empties that list's text.
    main()->keyRejected = false;
    prompter.expectError("The ( character is not allowed");
    type(w<QComboBox>("cboAll"), "(");
    EXPECT_TRUE(main()->keyRejected);
    w<QComboBox>("cboNumber")->setVisible(true);
    QTest::keyClick(w<QComboBox>("cboNumber"), Qt::Key_1);
    EXPECT_FALSE(main()->keyRejected);
    EXPECT_EQ(w<QComboBox>("cboNumber")->currentText(), "");
}

TEST_F(Pickers, PastedTextThatCannotBeStoredIsRefusedWhereItLands) {
    start();
    w<QLineEdit>("mskContactNo")->setText("01");
    QApplication::clipboard()->setText("12ab");
    prompter.expectError("Only Numeric values allowed");
    w<QLineEdit>("mskContactNo")->setFocus();
    w<QLineEdit>("mskContactNo")->paste();
    EXPECT_EQ(w<QLineEdit>("mskContactNo")->text(), "01");

    QLineEdit* name = w<QComboBox>("cboAll")->lineEdit();
    name->setText("Ann");
    QApplication::clipboard()->setText(QString::fromUtf8("\xc5\x81ukasz")); // Ł
    prompter.expectError(uncarriableMessage(QString::fromUtf8("\xc5\x81")));
    name->paste();
    EXPECT_EQ(name->text(), "Ann");
}

} // namespace
