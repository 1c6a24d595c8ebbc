// The keyboard: Tab walks each window's controls in reading order (and Shift+Tab back), every
// button and label has its own Alt key within its window, and the main actions have keys that
// their tooltips tell.

#include "contacts/contacts_window.h"
#include "core/tables/mem_data.h"
#include "harness/keyboard_walk.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "ui/widgets/date_box.h"
#include "ui/widgets/name_completer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

class Keyboard : public WindowTest {
protected:
    TfrmMain* showMain() {
        startForms();
        TfrmMain* main = forms->frmMain;
        main->show();
        main->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(main));
        main->FormActivate();
        QCoreApplication::processEvents();
        return main;
    }
};

TEST_F(Keyboard, TabWalksTheMainWindowInReadingOrderAndShiftTabGoesBack) {
    TfrmMain* main = showMain();
    const QStringList chain = {"cboGroup",       "chkAll",      "cboAll",        "mskContactNo",
                               "dtpDate",        "dtpTime",     "sedDaysBefore", "sedRecurringDays",
                               "cboRecurring",   "cboMessage",  "chkStatus",     "chkDelivery",
                               "bmbOK",          "bmbDelete",   "BitBtn1",       "bmbClearAll",
                               "bmbSaveAndExit", "bmbSendMail", "dbgReminders",  "bmbSentItems",
                               "btnHelp"};
    child<QComboBox>(main, "cboGroup")->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(focusName(), chain.first());
    EXPECT_EQ(walk(chain.size() - 1), chain.mid(1));
    QStringList back = chain.mid(0, chain.size() - 1);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(walk(chain.size() - 1, true), back);
}

TEST_F(Keyboard, EveryButtonAndLabelOfTheMainWindowHasItsOwnAltKey) {
    TfrmMain* main = showMain();
    EXPECT_EQ(mnemonicProblems(main), QStringList());
    // An Alt key takes the focus to its control.
    child<QComboBox>(main, "cboMessage")->setFocus();
    QTest::keyClick(child<QComboBox>(main, "cboMessage"), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(focusName(), "cboRecurring");
}

TEST_F(Keyboard, TheMainActionsHaveKeysThatTheirTooltipsTell) {
    TfrmMain* main = showMain();
    const struct {
        const char* button;
        const char* key;
    } cases[] = {
        {"bmbSendMail", "Ctrl+Return"}, {"btnContact", "Ctrl+B"}, {"btnMessage", "Ctrl+M"},
        {"bmbSentItems", "Ctrl+H"},     {"BitBtn1", "Ctrl+P"},    {"bmbSaveAndExit", "Ctrl+Q"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        auto* b = find<QAbstractButton>(main, c.button);
        ASSERT_TRUE(b);
        const QKeySequence key(QString::fromLatin1(c.key));
        EXPECT_TRUE(b->toolTip().endsWith(
            QStringLiteral("(%1)").arg(key.toString(QKeySequence::NativeText))))
            << b->toolTip().toStdString();
        bool bound = false;
        for (QAction* a : main->findChildren<QAction*>())
            bound |= a->shortcut() == key && a->isEnabled();
        EXPECT_TRUE(bound);
    }
    EXPECT_TRUE(find<QAbstractButton>(main, "bmbDelete")->toolTip().contains(QLatin1String("Del")));
}

// One click into a section of the date or time box, then digits: they replace that section.
TEST_F(Keyboard, DigitsTypedAfterOneClickGoInAtTheClickedSection) {
    TfrmMain* main = showMain();
    // Wide enough for the panel's boxes to show their whole text.
    main->setWindowState(Qt::WindowNoState);
    main->setGeometry(0, 0, 1280, 800);
    QCoreApplication::processEvents();
    child<TDateBox>(main, "dtpDate")->setDay(dayOfDate(QDate(2026, 12, 15)));
    child<QTimeEdit>(main, "dtpTime")->setTime(QTime(10, 30));
    const struct {
        QDateTimeEdit* box;
        int charIndex; // a character inside the section clicked
        const char* digits;
        const char* shown;
    } cases[] = {
        {child<QTimeEdit>(main, "dtpTime"), 4, "45", "10:45"},
        {child<QTimeEdit>(main, "dtpTime"), 0, "09", "09:45"},
        {child<TDateBox>(main, "dtpDate"), 9, "2027", "15-Dec-2027"},
        {child<TDateBox>(main, "dtpDate"), 1, "03", "03-Dec-2027"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        auto* edit = c.box->findChild<QLineEdit*>();
        ASSERT_TRUE(edit);
        // The first point of the text where the cursor would land at charIndex.
        QPoint at;
        for (int x = 0; x < edit->width(); ++x)
            if (edit->cursorPositionAt(QPoint(x, edit->height() / 2)) == c.charIndex) {
                at = QPoint(x + 1, edit->height() / 2);
                break;
            }
        ASSERT_FALSE(at.isNull());
        child<QComboBox>(main, "cboMessage")
            ->setFocus(); // the click brings the focus, as a user's would
        QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, at);
        QCoreApplication::processEvents();
        QTest::keyClicks(edit, QString::fromLatin1(c.digits));
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.shown));
    }
}

TEST(FoldForSearch, IgnoresCaseAndAccents) {
    EXPECT_EQ(foldForSearch(QStringLiteral("Se\u00e1n \u00d3 Briain")), "sean o briain");
    EXPECT_EQ(foldForSearch(QStringLiteral("AOIFE B")), "aoife b");
}

// The name picker lists, as the user types, the contacts holding the typed text anywhere in
// their name, capitals and accents ignored; Down and Enter pick one, number and all.
TEST_F(Keyboard, TheNamePickerCompletesOnAnyPartOfTheName) {
    startForms();
    TdxMemData& book = *forms->frmContact->dxContact;
    const std::vector<std::array<std::string, 3>> contacts = {
        {"Aoife Byrne", "0871111111", "dental"},
        {"Se\xe1n \xd3 Briain", "0862222222", ""},
        {"Niamh Byrne", "0853333333", "dental"}};
    for (const auto& c : contacts)
        book.AddRow({FieldValue{}, c[0], c[1], c[2], c[1] + c[2]});
    TfrmMain* main = forms->frmMain;
    main->show();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    main->FormActivate();
    QCoreApplication::processEvents();
    ASSERT_TRUE(child<QComboBox>(main, "cboAll")->isVisible()); // group "all"

    const auto completions = [&](const QString& typed) {
        child<QComboBox>(main, "cboAll")->setFocus();
        child<QComboBox>(main, "cboAll")->lineEdit()->clear();
        QTest::keyClicks(child<QComboBox>(main, "cboAll")->lineEdit(), typed);
        QStringList found;
        QCompleter* c = child<QComboBox>(main, "cboAll")->completer();
        for (int i = 0; c && c->setCurrentRow(i); ++i)
            found << c->currentCompletion();
        return found;
    };
    EXPECT_EQ(completions(QStringLiteral("aoife b")), QStringList{"Aoife Byrne (dental)"});
    EXPECT_EQ(completions(QStringLiteral("BYRNE")),
              QStringList({"Aoife Byrne (dental)", "Niamh Byrne (dental)"}));
    EXPECT_EQ(completions(QStringLiteral("sean o")),
              QStringList{QStringLiteral("Se\u00e1n \u00d3 Briain")});

    // Picked from the list, the contact's number comes with it.
    completions(QStringLiteral("niamh"));
    QAbstractItemView* popup = child<QComboBox>(main, "cboAll")->completer()->popup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(child<QComboBox>(main, "cboAll")->currentText(), "Niamh Byrne (dental)");
    EXPECT_EQ(child<QLineEdit>(main, "mskContactNo")->text().trimmed(), "0853333333");

    // Under a group the names stand bare, and complete the same way.
    child<QComboBox>(main, "cboGroup")->setEditText(QStringLiteral("dental"));
    main->loadContactCombo();
    ASSERT_TRUE(child<QComboBox>(main, "cboContactName")->isVisible());
    const auto groupCompletions = [&](const QString& typed) {
        child<QComboBox>(main, "cboContactName")->setFocus();
        child<QComboBox>(main, "cboContactName")->lineEdit()->clear();
        QTest::keyClicks(child<QComboBox>(main, "cboContactName")->lineEdit(), typed);
        QStringList found;
        QCompleter* c = child<QComboBox>(main, "cboContactName")->completer();
        for (int i = 0; c && c->setCurrentRow(i); ++i)
            found << c->currentCompletion();
        return found;
    };
    EXPECT_EQ(groupCompletions(QStringLiteral("aoife b")), QStringList{"Aoife Byrne"});
    EXPECT_EQ(groupCompletions(QStringLiteral("BYRNE")),
              QStringList({"Aoife Byrne", "Niamh Byrne"}));
    EXPECT_EQ(child<QLineEdit>(main, "mskContactNo")->text().trimmed(),
              QString()); // two names: none chosen yet
}

} // namespace
