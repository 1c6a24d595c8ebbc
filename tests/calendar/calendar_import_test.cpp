// "Import Appointments": read a calendar, match it to the contact book, pick a contact for an
// event that matched none, add, import again, and follow a moved and a cancelled appointment.

#include "calendar/calendar_import_window.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "support/https_server.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <ctime>
#include <fstream>

namespace {

const std::string kHeader = "contact_no^name^appointment_date^appointment_time^message^"
                            "days_before_appointment^recurring_days^Recurring^status^delivery^"
                            "batch^AllKey^\r\n";

std::string line(const std::string& number, const std::string& name, const std::string& date,
                 const std::string& time) {
    const std::string message = "See you on " + date + " at " + time.substr(0, 5);
    return number + "^" + name + "^" + date + "^" + time + "^" + message + "^1^0^^False^False^0^" +
           message + number + "^\r\n";
}

std::string event(const std::string& uid, const std::string& lines) {
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20261201T000000Z\r\n" + lines +
           "END:VEVENT\r\n";
}

std::string calendar(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + events +
           "END:VCALENDAR\r\n";
}

// A week of a salon's appointments, in London time.
std::string week(const std::string& zoeStart = "20261214T093000",
                 const std::string& samStatus = "CONFIRMED") {
    return calendar(
        event("zoe", "DTSTART;TZID=Europe/London:" + zoeStart +
                         "\r\nSUMMARY:Cut and colour\r\nDESCRIPTION:Mobile: 07700 900123\r\n") +
        event("sam", "DTSTART:20261215T143000Z\r\nSUMMARY:Trim - sam patel\r\nSTATUS:" + samStatus +
                         "\r\n") +
        event("jo", "DTSTART:20261216T160000\r\nSUMMARY:Highlights for Jo Smith\r\n") +
        event("walkin", "DTSTART:20261217T100000\r\nSUMMARY:Walk-in\r\n"));
}

class CalendarImportTest : public WindowTest {
protected:
    void SetUp() override {
        ::setenv("TZ", "Europe/London", 1);
        ::tzset();
        clock.set(2026, 12, 11, 9, 0);
        folder.write("dxContact.txt", "contact\tnumber\tgroup\tcontactKey\t\r\n"
                                      "Zoe O'Brien\t07700 900123\t\t07700 900123\t\r\n"
                                      "Sam Patel\t07700 900456\t\t07700 900456\t\r\n"
                                      "Jo Smith\t07700 900789\t\t07700 900789\t\r\n"
                                      "Jo Smith\t07700 900790\twork\t07700 900790work\t\r\n");
        folder.write("message.txt", "message\t\r\nSee you on | at ~\t\r\n");
        startForms();
        window = forms->frmCalendarImport;
    }
    void TearDown() override {
        window->hide();
        WindowTest::TearDown();
    }

    // Shows the window without waiting for it, so that the test can drive it.
    void open() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }

    void read(const std::string& ics) {
        if (!window->isVisible())
            open();
        folder.write("salon.ics", ics);
        child<QComboBox>(window, "cboCalendarSource")
            ->setEditText(QString::fromStdString(folder.file("salon.ics")));
        child<QComboBox>(window, "cboMessage")->setCurrentIndex(0);
        QTest::mouseClick(child<QPushButton>(window, "bmbReadCalendar"), Qt::LeftButton);
    }

    void add(const QString& summary) {
        prompter.expect(BoxKind::Information, summary, BoxButton::Ok,
                        QStringLiteral("Import Appointments"));
        QTest::mouseClick(child<QPushButton>(window, "bmbAddAppointments"), Qt::LeftButton);
        prompter.verifyAllUsed();
    }

    QString cell(int row, int column) const {
        if (QWidget* w = child<QTableWidget>(window, "dbgCalendarRows")->cellWidget(row, column))
            return static_cast<QComboBox*>(w)->currentText();
        const QTableWidgetItem* item =
            child<QTableWidget>(window, "dbgCalendarRows")->item(row, column);
        return item ? item->text() : QString();
    }

    // Each row as time, title, contact, state and reason.
    QStringList rows() const {
        QStringList out;
        for (int r = 0; r < child<QTableWidget>(window, "dbgCalendarRows")->rowCount(); ++r)
            out << QStringList{cell(r, TfrmCalendarImport::ColDate),
                               cell(r, TfrmCalendarImport::ColTime),
                               cell(r, TfrmCalendarImport::ColTitle),
                               cell(r, TfrmCalendarImport::ColContact),
                               cell(r, TfrmCalendarImport::ColState),
                               cell(r, TfrmCalendarImport::ColReason)}
                       .join(QStringLiteral(" | "));
        return out;
    }

    TfrmCalendarImport* window = nullptr;
};

TEST_F(CalendarImportTest, TheMainWindowsMenuAndCtrlIOpenItWithItsDefaults) {
    TfrmMain* main = forms->frmMain;
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    EXPECT_TRUE(child<QMenu>(main, "pumMain")->actions().contains(main->ImportAppointments1));
    EXPECT_EQ(main->ImportAppointments1->text(), QStringLiteral("Import Appointments..."));
    bool opened = false;
    whenModalOpens([&](QWidget* modal) {
        opened = modal == window;
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Import Appointments"));
        EXPECT_EQ(child<QDateEdit>(window, "dtpFrom")->date(), QDate(2026, 12, 12));
        EXPECT_EQ(child<QDateEdit>(window, "dtpTo")->date(), QDate(2026, 12, 25));
        EXPECT_EQ(child<QSpinBox>(window, "sedDaysBefore")->value(), 1);
        static_cast<QDialog*>(modal)->reject();
    });
    QTest::keyClick(main, Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(opened);
}

TEST_F(CalendarImportTest, ReadMatchPickAContactAddAndImportAgainAddingNothing) {
    read(week());
    EXPECT_EQ(rows(),
              (QStringList{
                  "14/12/2026 | 09:30 | Cut and colour | Zoe O'Brien (07700 900123) | New | ",
                  "15/12/2026 | 14:30 | Trim - sam patel | Sam Patel (07700 900456) | New | ",
                  "16/12/2026 | 16:00 | Highlights for Jo Smith | no match | Skipped | Matches 2 "
                  "contacts",
                  "17/12/2026 | 10:00 | Walk-in | no match | Skipped | No contact matches",
              }));
    // The two Jo Smiths are offered; picking one makes the row new and ticked.
    auto* picker = static_cast<QComboBox*>(child<QTableWidget>(window, "dbgCalendarRows")
                                               ->cellWidget(2, TfrmCalendarImport::ColContact));
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->count(), 3);
    EXPECT_EQ(picker->itemText(2), QStringLiteral("Jo Smith (07700 900790)"));
    emit picker->activated(2);
    EXPECT_EQ(cell(2, TfrmCalendarImport::ColState), QStringLiteral("New"));
    EXPECT_EQ(child<QTableWidget>(window, "dbgCalendarRows")
                  ->item(2, TfrmCalendarImport::ColTick)
                  ->checkState(),
              Qt::Checked);
    // The walk-in matched nobody: the whole book is offered.
    EXPECT_EQ(static_cast<QComboBox*>(child<QTableWidget>(window, "dbgCalendarRows")
                                          ->cellWidget(3, TfrmCalendarImport::ColContact))
                  ->count(),
              5);
    EXPECT_FALSE(folder.exists("reminders.txt")); // nothing changes before "Add"

    add(QStringLiteral("Added: 3\nRescheduled: 0\nRemoved: 0\nSkipped: 1"));
    const std::string pending = kHeader +
                                line("07700 900123", "Zoe O'Brien", "14/12/2026", "09:30:00") +
                                line("07700 900456", "Sam Patel", "15/12/2026", "14:30:00") +
                                line("07700 900790", "Jo Smith", "16/12/2026", "16:00:00");
    EXPECT_EQ(folder.read("reminders.txt"), pending);
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 3);
    EXPECT_TRUE(folder.exists("calendar_links.txt"));

    read(week());
    EXPECT_EQ(cell(0, TfrmCalendarImport::ColState), QStringLiteral("Already pending"));
    EXPECT_EQ(cell(2, TfrmCalendarImport::ColState), QStringLiteral("Already pending"));
    add(QStringLiteral("Added: 0\nRescheduled: 0\nRemoved: 0\nSkipped: 1"));
    EXPECT_EQ(folder.read("reminders.txt"), pending);
}

TEST_F(CalendarImportTest, AMovedAppointmentMovesItsReminderAndACancelledOneIsRemovedOnceAsked) {
    read(week());
    add(QStringLiteral("Added: 2\nRescheduled: 0\nRemoved: 0\nSkipped: 2"));

    read(week("20261215T110000", "CANCELLED"));
    EXPECT_EQ(cell(0, TfrmCalendarImport::ColState), QStringLiteral("Moved"));
    EXPECT_EQ(cell(0, TfrmCalendarImport::ColReason), QStringLiteral("Was 14/12/2026 09:30"));
    EXPECT_EQ(cell(1, TfrmCalendarImport::ColState), QStringLiteral("Cancelled"));
    prompter.expect(BoxKind::Confirmation,
                    QStringLiteral("1 cancelled appointment(s) still have a pending reminder. "
                                   "Delete those reminders from the pending list?"),
                    BoxButton::Yes);
    add(QStringLiteral("Added: 0\nRescheduled: 1\nRemoved: 1\nSkipped: 2"));
    const std::string moved = "See you on 15/12/2026 at 11:00";
    EXPECT_EQ(folder.read("reminders.txt"),
              kHeader + "07700 900123^Zoe O'Brien^15/12/2026^11:00:00^" + moved +
                  "^1^0^^False^False^0^See you on 14/12/2026 at 09:3007700 900123^\r\n");
}

TEST_F(CalendarImportTest, ADeclinedQuestionKeepsTheCancelledReminder) {
    read(week());
    add(QStringLiteral("Added: 2\nRescheduled: 0\nRemoved: 0\nSkipped: 2"));
    read(week("20261214T093000", "CANCELLED"));
    prompter.expect(BoxKind::Confirmation, QString(), BoxButton::No);
    add(QStringLiteral("Added: 0\nRescheduled: 0\nRemoved: 0\nSkipped: 3"));
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 2);
}

TEST_F(CalendarImportTest, ASubscriptionAddressIsReadLikeAFileAndKeptForNextTime) {
    // The calendar program's webcal:// address of a calendar served over HTTPS by a server
    // only the test's own authority vouches for.
    testpki::TestPki pki;
    const testpki::ServerCert cert = pki.issue();
    const std::string served = pki.dir().string();
    std::ofstream(served + "/salon.ics", std::ios::binary) << week();
    HttpsServer server(cert, served);
    TrustOnly trust(pki.caFile());
    const QString address =
        QString::fromStdString("webcal://" + server.url("/salon.ics").substr(8));
    const auto readAddress = [&] {
        child<QComboBox>(window, "cboCalendarSource")->setEditText(address);
        child<QComboBox>(window, "cboMessage")->setCurrentIndex(0);
        QTest::mouseClick(child<QPushButton>(window, "bmbReadCalendar"), Qt::LeftButton);
    };
    open();
    readAddress();
    ASSERT_EQ(child<QTableWidget>(window, "dbgCalendarRows")->rowCount(), 4);
    EXPECT_EQ(rows().first(),
              "14/12/2026 | 09:30 | Cut and colour | Zoe O'Brien (07700 900123) | New | ");
    add(QStringLiteral("Added: 2\nRescheduled: 0\nRemoved: 0\nSkipped: 2"));
    const std::string pending = kHeader +
                                line("07700 900123", "Zoe O'Brien", "14/12/2026", "09:30:00") +
                                line("07700 900456", "Sam Patel", "15/12/2026", "14:30:00");
    EXPECT_EQ(folder.read("reminders.txt"), pending);

    // The links name the address: reading it again adds nothing.
    readAddress();
    EXPECT_EQ(cell(0, TfrmCalendarImport::ColState), QStringLiteral("Already pending"));
    EXPECT_EQ(cell(1, TfrmCalendarImport::ColState), QStringLiteral("Already pending"));

    // Kept for next time: offered by the window of the next start.
    EXPECT_NE(folder.read("calendar_sources.txt").find(address.toStdString()), std::string::npos);
    window->hide();
    stopForms();
    startForms();
    window = forms->frmCalendarImport;
    EXPECT_GE(child<QComboBox>(window, "cboCalendarSource")->findText(address), 0);
}

TEST_F(CalendarImportTest, BadSourcesGiveOneClearBoxAndChangeNothing) {
    struct Case {
        QString source;
        QString start; // the box's text begins so
    };
    folder.write("notes.ics", "Name\tNumber\r\n");
    const Case cases[] = {
        {QStringLiteral("http://cal.example/salon.ics"),
         QStringLiteral("Plain http:// addresses are refused")},
        {QString::fromStdString(folder.file("missing.ics")), QStringLiteral("Cannot open file ")},
        {QString::fromStdString(folder.file("notes.ics")),
         QStringLiteral("This is not a calendar: it holds no BEGIN:VCALENDAR")},
        {QString(),
         QStringLiteral("Choose a calendar file, or type or paste a subscription address")},
    };
    open();
    for (const Case& c : cases) {
        child<QComboBox>(window, "cboCalendarSource")->setEditText(c.source);
        child<QComboBox>(window, "cboMessage")->setCurrentIndex(0);
        prompter.expect(BoxKind::Error, QString());
        QTest::mouseClick(child<QPushButton>(window, "bmbReadCalendar"), Qt::LeftButton);
        prompter.verifyAllUsed();
        ASSERT_FALSE(prompter.shown.isEmpty());
        EXPECT_TRUE(prompter.shown.back().text.startsWith(c.start))
            << prompter.shown.back().text.toStdString();
    }
    EXPECT_EQ(child<QTableWidget>(window, "dbgCalendarRows")->rowCount(), 0);
    EXPECT_FALSE(folder.exists("reminders.txt"));
    // An address typed is not kept when refused.
    EXPECT_EQ(child<QComboBox>(window, "cboCalendarSource")
                  ->findText(QStringLiteral("http://cal.example/salon.ics")),
              -1);
}

TEST_F(CalendarImportTest, TheFileDialogFillsTheSource) {
    open();
    prompter.expectOpenFile(QStringLiteral("/home/salon/export.ics"));
    QTest::mouseClick(child<QToolButton>(window, "btnCalendarSource"), Qt::LeftButton);
    EXPECT_EQ(child<QComboBox>(window, "cboCalendarSource")->currentText(),
              QStringLiteral("/home/salon/export.ics"));
}

} // namespace
