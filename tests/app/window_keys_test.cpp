// The keyboard in every window besides the main one: Tab walks the controls in reading order
// and Shift+Tab walks them back, and every button and label has its own Alt key.

#include "calendar/calendar_import_window.h"
#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "contacts/select_sending_window.h"
#include "core/tables/mem_data.h"
#include "harness/keyboard_walk.h"
#include "harness/window_test.h"
#include "reminders/long_message_window.h"
#include "replies/inbox_password_window.h"
#include "replies/inbox_settings_window.h"
#include "replies/replies_window.h"
#include "sending/auth_window.h"
#include "sending/send_mail_window.h"
#include "ui/widgets/record_grid.h"

#include <QApplication>
#include <QTest>

namespace {

struct WindowKeys {
    const char* window;
    // Shows the window (and whatever it needs); returns it.
    QWidget* (*open)(Forms& forms);
    // The controls Tab reaches from the first, in order; the walk goes round to the first.
    std::vector<const char*> chain;
};

void PrintTo(const WindowKeys& c, std::ostream* os) {
    *os << c.window;
}

QWidget* showWindow(QWidget* w) {
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
    QCoreApplication::processEvents();
    return w;
}

const WindowKeys kWindows[] = {
    {"Contacts", [](Forms& f) { return showWindow(f.frmContact); }, {"edtSearch", "dbgContact"}},
    {"StandardMessages", [](Forms& f) { return showWindow(f.frmMessage); }, {"dbgMessage"}},
    {"SelectedContacts",
     [](Forms& f) { return showWindow(f.frmSelectSending); },
     {"dtpDate", "dtpTime", "sedDaysBefore", "sedRecurringDays", "cboMessage", "cboRecurring",
      "bmbOK", "bmbCancel"}},
    {"Send",
     [](Forms& f) { return showWindow(f.frmSendMail); },
     {"dbeFromName", "dbeFromAddress", "dbeMailServer", "chkAuth", "DBEStartTime", "DBEIncMins",
      "bmbSend", "bmbCancel"}},
    {"Authentication",
     [](Forms& f) {
         showWindow(f.frmSendMail);
         f.frmAuth->showAuth();
         return showWindow(f.frmAuth);
     },
     {"edtUserName", "edtPassword", "chkRemember", "bmbOK", "bmbCancel"}},
    {"LongMessage", [](Forms& f) { return showWindow(f.frmLongMessage); }, {"Memo1", "btnClose"}},
    {"ImportAppointments",
     [](Forms& f) { return showWindow(f.frmCalendarImport); },
     {"cboCalendarSource", "btnCalendarSource", "dtpFrom", "dtpTo", "sedDaysBefore", "cboMessage",
      "bmbReadCalendar", "dbgCalendarRows", "bmbAddAppointments", "bmbClose"}},
    {"Replies",
     [](Forms& f) { return showWindow(f.frmReplies); },
     {"cboReplyKind", "bmbCheckReplies", "bmbInboxSettings", "dbgReplies", "bmbClose"}},
    {"InboxSettings",
     [](Forms& f) {
         f.frmReplies->frmInboxSettings->load();
         return showWindow(f.frmReplies->frmInboxSettings);
     },
     {"dbeImapServer", "dbeImapUser", "dbeImapFolder", "dbeGatewaySenders", "cboReplyForm",
      "bmbTestReplyForm", "dbeConfirmWords", "dbeCancelWords", "dbeStopWords", "dbeReportWords",
      "sedCheckEvery", "bmbOK", "bmbCancel"}},
    {"InboxPassword",
     [](Forms& f) -> QWidget* {
         auto* ask = new TfrmInboxPassword(f.frmReplies);
         return showWindow(ask);
     },
     {"edtPassword", "chkRemember", "bmbOK", "bmbCancel"}},
};

class WindowKeysTest : public WindowTest, public ::testing::WithParamInterface<WindowKeys> {};

TEST_P(WindowKeysTest, TabWalksTheWindowInReadingOrderAndShiftTabGoesBack) {
    startForms();
    const WindowKeys& c = GetParam();
    QWidget* window = c.open(*forms);
    ASSERT_TRUE(window);
    QStringList chain;
    for (const char* name : c.chain)
        chain << QString::fromLatin1(name);
    QWidget* first = window->findChild<QWidget*>(chain.first());
    ASSERT_TRUE(first);
    first->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    ASSERT_EQ(focusName(), chain.first());

    // Once round, back to the first, and once round the other way.
    QStringList ahead = chain.mid(1);
    ahead << chain.first();
    EXPECT_EQ(walk(static_cast<int>(chain.size())), ahead);
    QStringList back = chain;
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(walk(static_cast<int>(chain.size()), true), back);
}

TEST_P(WindowKeysTest, EveryButtonAndLabelHasItsOwnAltKey) {
    startForms();
    QWidget* window = GetParam().open(*forms);
    ASSERT_TRUE(window);
    EXPECT_EQ(mnemonicProblems(window), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowKeysTest, ::testing::ValuesIn(kWindows),
                         [](const ::testing::TestParamInfo<WindowKeys>& info) {
                             return std::string(info.param.window);
                         });

} // namespace

namespace {

// In a grid edited in place Tab goes to the next cell; Ctrl+Tab leaves the grid with what was
// typed into the cell kept, and Ctrl+Shift+Tab leaves it backwards.
TEST_F(WindowTest, CtrlTabLeavesAGridEditedInPlaceWithTheTypedCellKept) {
    startForms();
    TfrmContact* w = forms->frmContact;
    w->dxContact->AddRow({FieldValue{}, std::string("Old Name"), std::string("0870000000"),
                          std::string(), std::string("0870000000")});
    showWindow(w);
    RecordGrid* grid = child<RecordGrid>(w, "dbgContact");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, 'A'); // the first key opens the editor
    ASSERT_TRUE(grid->editor());
    QTest::keyClicks(grid->editor(), QStringLiteral("oife Byrne"));
    QTest::keyClick(grid->editor(), Qt::Key_Tab);
    EXPECT_EQ(focusName(), "dbgContact");
    EXPECT_EQ(grid->currentIndex().column(), 1);
    ASSERT_TRUE(grid->editor());
    grid->editor()->clear();
    QTest::keyClicks(grid->editor(), QStringLiteral("0871111111"));
    QTest::keyClick(grid->editor(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(focusName(), "edtSearch");
    EXPECT_EQ(grid->editor(), nullptr);
    EXPECT_EQ(w->dxContact->FieldNamed("contact").AsString(), "Aoife Byrne");
    EXPECT_EQ(w->dxContact->FieldNamed("number").AsString(), "0871111111");

    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(focusName(), "edtSearch");
}

} // namespace
