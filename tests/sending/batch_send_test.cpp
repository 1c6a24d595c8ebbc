// The batch send: the checks, the stamping, the e-mail as the server receives it, and what the
// pending list, reminders.txt and the sent items hold after success and after each failure.

#include "core/smtp/tls_fixture.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/version_info.h"
#include "harness/pdf_text.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "send_boxes.h"
#include "sending/auth_window.h"
#include "sending/progress_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"
#include "support/mail_headers.h"
#include "test_servers.h"
#include "ui/password_keeper.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <filesystem>

namespace {

using testservers::AiosmtpdServer;
using testservers::LoopbackServer;

const QString kOffline = QStringLiteral(
    "The message could not be sent. You appear to be offline. Please connect and try again");

class BatchSend : public WindowTest {
protected:
    void SetUp() override {
        startForms();
        setVersionText("v.1.0.0.5"); // as the version block of the program file would give
        send = forms->frmSendMail;
        pending = forms->frmMain->dxmReminders;
        sent = forms->frmSentItems->dxmSentItems;
        send->smtp.Environment.UtcOffsetMinutes = [](double) { return 600; };
        send->smtp.Environment.LocalName = "desk.shop.example";
        // Short waits: a server that does not answer is given up quickly.
        send->smtp.Timeouts.connect = std::chrono::milliseconds(2000);
        send->smtp.Timeouts.greeting = std::chrono::milliseconds(300);
        send->smtp.Timeouts.command = std::chrono::milliseconds(2000);
        setText(child<QLineEdit>(send, "dbeFromAddress"), "desk@shop.example");
        setText(child<QLineEdit>(send, "dbeFromName"),
                "Front Desk"); // copies the address into Reply-To
        setText(child<QLineEdit>(send, "dbeMailServer"), "127.0.0.1");
    }

    static void setText(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        else
            QTest::keyClicks(edit, text);
    }

    void addReminder(const std::string& number, const std::string& name, int day,
                     const std::string& message) {
        std::vector<FieldValue> row(static_cast<size_t>(pending->FieldCount()));
        auto set = [&](const char* f, FieldValue v) {
            row[static_cast<size_t>(pending->FieldIndex(f))] = std::move(v);
        };
        set("contact_no", number);
        set("name", name);
        set("appointment_date", dayNumber(2026, 12, day));
        set("appointment_time", timeMs(10, 30));
        set("message", message);
        set("days_before_appointment", int32_t{1});
        set("recurring_days", int32_t{0});
        set("status", false);
        set("delivery", false);
        pending->AddRow(row);
    }

    // What "Send SMS" does before it opens the send window.
    void saveReminders() {
        pending->FieldDelimiter = kRemindersDelimiter;
        pending->WriteDelimitedFile(folder.file("reminders.txt"));
    }

    void twoReminders() {
        addReminder("0411000001", "Ann Lee", 14, "See you at 10:30");
        addReminder("0411000002", "Bo Ray", 15, "Dental check");
        saveReminders();
    }

    void expectSuccessBoxes() { expectSendSuccessBoxes(prompter); }

    QCheckBox* mainTick(const char* name) {
        return forms->frmMain->findChild<QCheckBox*>(QString::fromLatin1(name));
    }

    // Every pending reminder carries the batch identifier and the report choices.
    void expectStamped(double batch, bool status, bool delivery) {
        for (int r = 0; r < pending->RowCount(); ++r) {
            EXPECT_EQ(pending->CellText(r, pending->FieldIndex("batch")),
                      fieldtext::format(FieldKind::Float, batch));
            EXPECT_EQ(pending->CellValue(r, pending->FieldIndex("status")), FieldValue(status));
            EXPECT_EQ(pending->CellValue(r, pending->FieldIndex("delivery")), FieldValue(delivery));
        }
    }

    // The state after a failed attempt: all reminders still pending, stamped, in reminders.txt,
    // nothing in the sent items, the send window open and usable.
    void expectFailedAttempt(int reminders) {
        EXPECT_EQ(pending->RowCount(), reminders);
        ASSERT_TRUE(folder.exists("reminders.txt"));
        TdxMemData& check = *forms->frmMain->dxmReminders;
        EXPECT_EQ(folder.read("reminders.txt"), check.DelimitedText());
        EXPECT_EQ(sent->RowCount(), 0);
        EXPECT_FALSE(folder.exists("sentitems.txt"));
        EXPECT_TRUE(send->isVisible());
        EXPECT_FALSE(forms->frmProgress->isVisible());
        EXPECT_EQ(send->cursor().shape(), Qt::ArrowCursor);
        expectStamped(send->lastBatch(), false, false);
    }

    TfrmSendMail* send = nullptr;
    TdxMemData* pending = nullptr;
    TdxMemData* sent = nullptr;
};

// The whole road through the windows against a real server with STARTTLS and AUTH LOGIN: the
// settings typed, authentication ticked and answered, "&Send" (Enter on the default button).
TEST_F(BatchSend, SendsTheStampedListThroughARealServerAndMovesItToTheSentItems) {
    const auto& cert = tlsfixture::localhostCert();
    AiosmtpdServer server("deskuser", "pa ss", cert.certFile, cert.keyFile);
    std::string error;
    const uint16_t port = server.waitForPort(error);
    ASSERT_NE(port, 0) << error;
    send->smtp.Port = port;
    tlsfixture::trustTestAuthority(send->smtp);
    clock.set(2026, 12, 9, 9, 30, 15);
    twoReminders();
    if (QCheckBox* status = mainTick("chkStatus"))
        status->setChecked(true);

    bool ran = false;
    whenModalOpens([&](QWidget* modal) {
        ran = true;
        ASSERT_EQ(modal, send);
        setText(send->DBEStartTime, "08:15");
        // Bcc and Reply-To are stored settings without a visible box.
        setText(child<QLineEdit>(send, "dbeToBlindCarbonCopy"),
                "boss@shop.example, \"Back, Of\" <bk@shop.example>");
        QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
        TfrmAuth* auth = forms->frmAuth;
        ASSERT_TRUE(auth->isVisible());
        setText(child<QLineEdit>(auth, "edtUserName"), "deskuser");
        setText(child<QLineEdit>(auth, "edtPassword"), "pa ss");
        QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
        EXPECT_FALSE(auth->isVisible());
        EXPECT_TRUE(child<QLineEdit>(auth, "edtPassword")->text().isEmpty());
        expectSuccessBoxes();
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        if (send->isVisible()) {
            ADD_FAILURE() << "the send window stayed open";
            send->reject();
        }
    });
    send->exec();
    ASSERT_TRUE(ran);
    EXPECT_FALSE(send->isVisible());

    const double batch = send->lastBatch();
    EXPECT_DOUBLE_EQ(batch, dateTimeValue(dayNumber(2026, 12, 9), timeMs(9, 30, 15)));
    const bool statusTicked = mainTick("chkStatus") != nullptr;

    // The envelope: the authenticated user, the sender, the gateway and both blind copies.
    EXPECT_EQ(server.envelope(), "AUTH deskuser\n"
                                 "MAIL desk@shop.example\n"
                                 "RCPT sms@gateway.example.com\n"
                                 "RCPT boss@shop.example\n"
                                 "RCPT bk@shop.example\n");
    // The body is reminders.txt as stamped, byte for byte.
    const std::string header = "contact_no^name^appointment_date^appointment_time^message^"
                               "days_before_appointment^recurring_days^Recurring^status^delivery^"
                               "batch^AllKey^\r\n";
    const std::string stamp = std::string(statusTicked ? "True" : "False") + "^False^" +
                              fieldtext::format(FieldKind::Float, batch) + "^^"; // AllKey empty
    const std::string body =
        header + "0411000001^Ann Lee^14/12/2026^10:30:00^See you at 10:30^1^0^^" + stamp + "\r\n" +
        "0411000002^Bo Ray^15/12/2026^10:30:00^Dental check^1^0^^" + stamp + "\r\n";
    EXPECT_EQ(server.content(), headerBlock({.from = "desk@shop.example",
                                             .subject = "Tallyminder v.1.0.0.5",
                                             .to = "sms@gateway.example.com",
                                             .replyTo = "desk@shop.example",
                                             .date = "Wed, 9 Dec 2026 09:30:15 +1000"}) +
                                    body);

    // After the boxes: the sent items hold the batch, the pending list is gone.
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_EQ(pending->RowCount(), 0);
    ASSERT_EQ(sent->RowCount(), 2);
    const std::string log = folder.read("sentitems.txt");
    EXPECT_EQ(log, sent->DelimitedText());
    const std::string sentStamp = "09/12/2026\t" + std::string(statusTicked ? "True" : "False") +
                                  "\tFalse\t" + fieldtext::format(FieldKind::Float, batch) +
                                  "\t\r\n";
    EXPECT_NE(
        log.find("0411000001\tAnn Lee\t14/12/2026\t10:30:00\tSee you at 10:30\t1\t0\t" + sentStamp),
        std::string::npos)
        << log;
    EXPECT_NE(
        log.find("0411000002\tBo Ray\t15/12/2026\t10:30:00\tDental check\t1\t0\t" + sentStamp),
        std::string::npos)
        << log;
    // Ready for the next batch: no authentication until ticked again, the time box at the
    // start time, the report ticks cleared.
    EXPECT_FALSE(child<QCheckBox>(send, "chkAuth")->isChecked());
    EXPECT_EQ(send->smtp.AuthenticationType, TIdSMTPAuthenticationType::atNone);
    EXPECT_EQ(forms->frmMain->entryMode, QStringLiteral("Add"));
    if (forms->frmMain->dtpTime) {
        EXPECT_EQ(forms->frmMain->dtpTime->time(), QTime(8, 15));
    }
    if (QCheckBox* status = mainTick("chkStatus")) {
        EXPECT_FALSE(status->isChecked());
    }
    EXPECT_FALSE(send->smtp.Connected());
}

// Each check stops the send with its box and its focus; blanks alone pass the checks.
TEST_F(BatchSend, ChecksTheSenderFieldsInOrderAndLetsBlanksPass) {
    twoReminders();
    const std::string before = folder.read("reminders.txt");
    struct Case {
        QString name, address, server, message;
        QLineEdit* TfrmSendMail::*focus;
    };
    const Case cases[] = {
        {"", "", "", "Please fill in your name", &TfrmSendMail::dbeFromName},
        {"Jo", "", "", "Please fill in your e-mail address", &TfrmSendMail::dbeFromAddress},
        {"Jo", "jo@x.example", "", "Please fill in the name of your SMTP server",
         &TfrmSendMail::dbeMailServer},
        {"", "jo@x.example", "mail.example.net", "Please fill in your name",
         &TfrmSendMail::dbeFromName},
        // The first start's examples are refused like empty fields, all named in one box.
        {"Pat Sample", "jo@x.example", "smtp.x.example",
         "Please fill in your name (\"Pat Sample\" is the program's example).",
         &TfrmSendMail::dbeFromName},
        {"Jo", "pat.sample@example.com", "mail.example.net",
         "Please fill in your e-mail address (\"pat.sample@example.com\" is the program's "
         "example), the name of your SMTP server (\"mail.example.net\" is the program's "
         "example).",
         &TfrmSendMail::dbeFromAddress},
    };
    send->show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        setText(child<QLineEdit>(send, "dbeFromName"), c.name);
        setText(child<QLineEdit>(send, "dbeFromAddress"), c.address);
        setText(child<QLineEdit>(send, "dbeMailServer"), c.server);
        child<QPushButton>(send, "bmbCancel")->setFocus();
        prompter.expectError(c.message);
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        prompter.verifyAllUsed();
        EXPECT_EQ(send->focusWidget(), send->*c.focus);
        EXPECT_TRUE(send->isVisible());
        EXPECT_EQ(folder.read("reminders.txt"), before);
        EXPECT_EQ(send->lastBatch(), 0.0);
    }

    // Blanks pass; with nothing to send the window closes and nothing changes.
    setText(child<QLineEdit>(send, "dbeFromName"), " ");
    setText(child<QLineEdit>(send, "dbeFromAddress"), " ");
    setText(child<QLineEdit>(send, "dbeMailServer"), " ");
    std::filesystem::remove(folder.file("reminders.txt"));
    prompter.expectError(QStringLiteral("There are no messages to send"));
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_FALSE(send->isVisible());
    EXPECT_EQ(pending->RowCount(), 2);
    EXPECT_EQ(send->lastBatch(), 0.0);
    EXPECT_FALSE(folder.exists("sentitems.txt"));
}

// A pending list with problems is shown before anything is stamped or mailed: Cancel changes
// nothing, "Send anyway" sends it as it is. (A clean list is sent without the review: every
// other test here would fail on an unexpected one.)
TEST_F(BatchSend, ProblemsAreListedBeforeSendingAndCancelChangesNothing) {
    clock.set(2026, 12, 10, 9, 0);
    addReminder("0411000001", "Ann Lee", 14, "See you at 10:30");
    addReminder("123", "Bo Ray", 1, "Dental check");
    saveReminders();
    const std::string before = folder.read("reminders.txt");
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    send->show();

    prompter.expectReview(false);
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    prompter.verifyAllUsed();
    ASSERT_EQ(prompter.reviews.size(), 1);
    const ListReview& list = prompter.reviews.front();
    EXPECT_EQ(list.acceptText, QStringLiteral("Send anyway"));
    EXPECT_EQ(list.rejectText, QStringLiteral("Cancel"));
    EXPECT_EQ(list.rows, (QList<QStringList>{
                             {"2", "123", "Bo Ray", "Appointment already past"},
                             {"2", "123", "Bo Ray", "Not a valid number"},
                         }));
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(folder.read("reminders.txt"), before);
    EXPECT_EQ(send->lastBatch(), 0.0);
    EXPECT_TRUE(send->isVisible());

    prompter.expectReview(true);
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(server.messages(), 1);
    EXPECT_EQ(sent->RowCount(), 2);
}

// Offline (nothing listens), then a second attempt that succeeds: the second attempt stamps
// again with a new identifier, and only the accepted batch reaches the sent items.
TEST_F(BatchSend, OfflineKeepsEverythingAndASecondAttemptSendsWithANewBatch) {
    twoReminders();
    send->show();
    const uint16_t closed = testservers::closedPort();
    send->smtp.Port = closed;
    prompter.expectError(kOffline);
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    prompter.verifyAllUsed();
    // The details say what failed: a refused connection is not a missing network.
    EXPECT_EQ(prompter.shown.back().details,
              QStringLiteral("Server 127.0.0.1, port %1: Connection refused").arg(closed));
    expectFailedAttempt(2);
    const double first = send->lastBatch();
    EXPECT_GT(first, 0.0);

    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(server.messages(), 1);
    EXPECT_GT(send->lastBatch(), first);
    ASSERT_EQ(sent->RowCount(), 2);
    for (int r = 0; r < 2; ++r)
        EXPECT_EQ(sent->CellText(r, sent->FieldIndex("batch")),
                  fieldtext::format(FieldKind::Float, send->lastBatch()));
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_FALSE(send->isVisible());
}

// A server that refuses the sender, and one that never answers: the first reaches the general
// error display with the server's line, the second ends by the time-out as "offline".
TEST_F(BatchSend, RefusedAndHangingServersLeaveTheListPending) {
    twoReminders();
    send->show();
    {
        LoopbackServer server(LoopbackServer::Mode::RefuseMail);
        send->smtp.Port = server.port();
        prompter.expectError(QStringLiteral("550 5.7.1 Relaying denied"));
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        prompter.verifyAllUsed();
        expectFailedAttempt(2);
        EXPECT_EQ(server.messages(), 0);
    }
    {
        LoopbackServer server(LoopbackServer::Mode::Hang);
        send->smtp.Port = server.port();
        prompter.expectError(kOffline);
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        prompter.verifyAllUsed();
        expectFailedAttempt(2);
        EXPECT_EQ(server.connections(), 1);
    }
}

// A server that takes the connection and never greets: while the send waits, the progress
// window is shown, modal to the whole program, and the events keep flowing; its Cancel ends the
// wait at once like a failure (everything pending and on disk, the send window open, no
// offline box and no dial-up window), and the next Send goes out normally.
TEST_F(BatchSend, CancelDuringAHangingServerKeepsEverythingAndTheNextSendWorks) {
    twoReminders();
    send->show();
    int dialerWanted = 0;
    QObject::connect(send, &TfrmSendMail::dialerWanted, [&] { ++dialerWanted; });
    {
        LoopbackServer server(LoopbackServer::Mode::Hang);
        send->smtp.Port = server.port();
        send->smtp.Timeouts.greeting = std::chrono::seconds(60);
        TfrmProgress* progress = forms->frmProgress;
        bool sawModalProgress = false;
        QTimer::singleShot(300, [&] {
            sawModalProgress = progress->isVisible() &&
                               QApplication::activeModalWidget() == progress &&
                               child<QPushButton>(progress, "btnCancel")->isVisible();
            QTest::mouseClick(child<QPushButton>(progress, "btnCancel"), Qt::LeftButton);
        });
        prompter.expect(BoxKind::Information,
                        QStringLiteral("Sending was cancelled. The reminders are still in the "
                                       "pending list."));
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        EXPECT_LT(clock.elapsed(), 10000);
        prompter.verifyAllUsed();
        EXPECT_TRUE(sawModalProgress);
        expectFailedAttempt(2);
        EXPECT_EQ(server.connections(), 1);
        EXPECT_EQ(dialerWanted, 0);
    }
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    prompter.verifyAllUsed();
    EXPECT_EQ(server.messages(), 1);
    EXPECT_EQ(sent->RowCount(), 2);
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_FALSE(forms->frmProgress->isVisible());
}

// A certificate for another name, and a server that offers AUTH without encryption: each
// failure reaches the general error display with its reason, nothing is stored by the server
// (no password, no message) and the list stays pending.
TEST_F(BatchSend, ARefusedCertificateOrAClearPasswordSendsNothing) {
    twoReminders();
    send->show();
    tlsfixture::trustTestAuthority(send->smtp);
    const auto otherName = tlsfixture::pki().issue("DNS:mail.example.com");
    struct Case {
        std::string cert, key;
        QString message;
    };
    const Case cases[] = {
        {otherName.certFile, otherName.keyFile,
         QStringLiteral("The server's certificate was refused: IP address does not match "
                        "(127.0.0.1). Nothing was sent.")},
        {"", "",
         QStringLiteral("The server does not offer encryption, so the password was not sent. "
                        "Use port 587 or 465, or ask your provider for the encrypted setting.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        AiosmtpdServer server("deskuser", "pa ss", c.cert, c.key);
        std::string error;
        const uint16_t port = server.waitForPort(error);
        ASSERT_NE(port, 0) << error;
        send->smtp.Port = port;
        send->smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
        send->smtp.UserId = "deskuser";
        send->smtp.Password = "pa ss";
        // The loopback server stands in for a distant one.
        send->smtp.Environment.PeerIsThisMachine = [](const TcpConnection&) { return false; };
        prompter.expectError(c.message);
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        prompter.verifyAllUsed();
        expectFailedAttempt(2);
        EXPECT_FALSE(server.stored());
    }
}

// After a send one box says how many reminders went, to which gateway and when; "Print Them"
// prints the batch just sent (the list is emptied only afterwards). The main window's status
// line keeps the news until the next reminder. No reminder to disconnect: the program did not
// dial this connection.
TEST_F(BatchSend, TheSuccessBoxSaysWhatWentWhereAndWhenAndPrintsTheBatch) {
    twoReminders();
    clock.set(2026, 12, 10, 9, 12);
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    send->show();
    const QString pdf = QString::fromStdString(folder.file("batch.pdf"));
    prompter.expect(BoxKind::Information, sendSuccessText(2, QStringLiteral("09:12")),
                    BoxButton::Yes, QStringLiteral("Sent"));
    prompter.expectPrintTo([pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    });
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(server.messages(), 1);
    ASSERT_FALSE(prompter.shown.isEmpty());
    const Box& box = prompter.shown.first();
    EXPECT_EQ(box.text, "2 reminders sent to sms@gateway.example.com at 09:12.");
    EXPECT_EQ(box.captions, QStringList({QStringLiteral("Print Them"), QStringLiteral("Close")}));
    EXPECT_EQ(box.defaultButton, BoxButton::No);
    EXPECT_EQ(prompter.shown.size(), 1); // nothing more to answer
    EXPECT_EQ(prompter.printJobs, QStringList{QStringLiteral("List")});
    const QString text = readPdfLayout(pdf);
    EXPECT_TRUE(text.contains(QLatin1String("Ann Lee")));
    EXPECT_TRUE(text.contains(QLatin1String("Bo Ray")));
    EXPECT_TRUE(text.contains(QLatin1String("Front Desk")));
    EXPECT_EQ(pending->RowCount(), 0);
    auto* status = forms->frmMain->findChild<QLabel*>(QStringLiteral("lblSendSummary"));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->text(), "2 reminders sent at 09:12");
    // It stays while the list is empty, and goes with the next reminder.
    forms->frmMain->FormActivate();
    EXPECT_EQ(status->text(), "2 reminders sent at 09:12");
    pending->AddRow(std::vector<FieldValue>(static_cast<size_t>(pending->FieldCount())));
    EXPECT_EQ(status->text(), "");
}

// The whole batch went out and the server hung up before confirming it: it may have been
// delivered. Not "offline"; the list stays pending, and a second Send asks first.
TEST_F(BatchSend, ABatchTheServerNeverConfirmedIsNotSentAgainWithoutAsking) {
    twoReminders();
    send->show();
    {
        LoopbackServer server(LoopbackServer::Mode::DropAfterData);
        send->smtp.Port = server.port();
        prompter.expectError(QStringLiteral(
            "The server did not confirm the batch. It may have been delivered: check with the "
            "gateway before sending again.\n\nThe server closed the connection while the "
            "program waited for its answer to the end of the message (the final \".\")."));
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        prompter.verifyAllUsed();
        expectFailedAttempt(2);
        EXPECT_EQ(server.messages(), 1);
        EXPECT_TRUE(send->batchUnconfirmed());
    }
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    const QString again = QStringLiteral(
        "The server did not confirm the last batch, so it may have been delivered already. "
        "Send the pending reminders again?");
    prompter.expect(BoxKind::Confirmation, again, BoxButton::No);
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    prompter.verifyAllUsed();
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(pending->RowCount(), 2);

    prompter.expect(BoxKind::Confirmation, again, BoxButton::Yes);
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(server.messages(), 1);
    EXPECT_EQ(sent->RowCount(), 2);
    EXPECT_FALSE(send->batchUnconfirmed());
}

// reminders.txt with its header line alone: the header goes as the body, nothing is logged.
TEST_F(BatchSend, AHeaderOnlyListIsSentAndNothingIsLogged) {
    saveReminders();
    const std::string header = folder.read("reminders.txt");
    ASSERT_EQ(std::count(header.begin(), header.end(), '\n'), 1);
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    send->show();
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(server.messages(), 1);
    EXPECT_EQ(sent->RowCount(), 0);
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_TRUE(folder.exists("sentitems.txt"));
}

// The log is written before the pending file goes: when the log cannot be written after the
// server accepted the batch, the pending list and reminders.txt stay, so nothing is lost.
TEST_F(BatchSend, ALogThatCannotBeWrittenKeepsThePendingList) {
    twoReminders();
    std::filesystem::create_directory(folder.file("sentitems.txt"));
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    send->show();
    prompter.expect(BoxKind::Error, QString()); // the file error, whatever its wording
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(server.messages(), 1);
    EXPECT_TRUE(folder.exists("reminders.txt"));
    EXPECT_EQ(pending->RowCount(), 2);
    std::filesystem::remove(folder.file("sentitems.txt"));
}

// Reply-To is the sender's own address at every send: after the address changed without a key
// in the name box, and over a stored example.
TEST_F(BatchSend, ReplyToIsTheSendersAddressWhateverOrderTheBoxesWereFilledIn) {
    struct Case {
        const char* name;
        std::function<void()> fill;
    };
    const Case cases[] = {
        {"addressAfterName",
         [&] { setText(child<QLineEdit>(send, "dbeFromAddress"), "front@shop.example"); }},
        {"storedExample",
         [&] {
             setText(child<QLineEdit>(send, "dbeReply"), "pat.sample@example.com");
             send->commitEdits();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        twoReminders();
        c.fill();
        LoopbackServer server(LoopbackServer::Mode::Accept);
        send->smtp.Port = server.port();
        send->show();
        expectSuccessBoxes();
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
        ASSERT_EQ(server.messages(), 1);
        const std::string address = child<QLineEdit>(send, "dbeFromAddress")->text().toStdString();
        EXPECT_NE(server.headers().find("\r\nReply-To: " + address + "\r\n"), std::string::npos)
            << server.headers();
        EXPECT_EQ(send->dmMail->FieldNamed("ReplyTo").AsString(), address);
    }
}

// "Server requires authentication" ticked with no user name: refused before any connection,
// with a box that says what to do (the server would only answer "535").
TEST_F(BatchSend, AnEmptyUserNameWithTheTickIsRefusedBeforeConnecting) {
    twoReminders();
    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    send->show();
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    forms->frmAuth->close(); // the frame: the tick stays, no user name
    ASSERT_TRUE(child<QCheckBox>(send, "chkAuth")->isChecked());
    prompter.expectError(
        QStringLiteral("Please fill in the user name the server asks for (untick \"Server requires "
                       "authentication\" when it asks for none)."));
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(pending->RowCount(), 2);
}

// The offline box's details name the port the program tried: the server's own after a colon.
TEST_F(BatchSend, TheOfflineDetailsNameThePortTried) {
    twoReminders();
    send->show();
    const uint16_t closed = testservers::closedPort();
    setText(child<QLineEdit>(send, "dbeMailServer"), QStringLiteral("127.0.0.1:%1").arg(closed));
    prompter.expectError(kOffline);
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_EQ(prompter.shown.back().details,
              QStringLiteral("Server 127.0.0.1, port %1: Connection refused").arg(closed));
}

// A password kept in the keyring that the server refuses is forgotten, so the next time the
// Authentication box asks for it instead of offering it again.
TEST_F(BatchSend, AKeptPasswordTheServerRefusesIsForgotten) {
    const auto& cert = tlsfixture::localhostCert();
    AiosmtpdServer server("deskuser", "pa ss", cert.certFile, cert.keyFile);
    std::string error;
    const uint16_t port = server.waitForPort(error);
    ASSERT_NE(port, 0) << error;
    send->smtp.Port = port;
    tlsfixture::trustTestAuthority(send->smtp);
    MemoryPasswordKeeper keyring;
    forms->setPasswordKeeper(&keyring);
    twoReminders();
    send->show();
    setText(child<QLineEdit>(send, "dbeMailServer"), QStringLiteral("localhost"));
    const QString login = QStringLiteral("smtp:deskuser@localhost");
    keyring.keep(login, QStringLiteral("old one"));
    keyring.keep(QStringLiteral("smtp:other@localhost"), QStringLiteral("kept"));

    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    TfrmAuth* auth = forms->frmAuth;
    setText(child<QLineEdit>(auth, "edtUserName"), "deskuser");
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    ASSERT_EQ(send->smtp.Password, "old one");
    prompter.expect(BoxKind::Error, {});
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    prompter.verifyAllUsed();
    EXPECT_FALSE(server.stored());
    EXPECT_TRUE(prompter.shown.back().text.startsWith(QStringLiteral("535")))
        << prompter.shown.back().text.toStdString();
    EXPECT_EQ(keyring.find(login), std::nullopt);
    EXPECT_EQ(keyring.find(QStringLiteral("smtp:other@localhost")), QStringLiteral("kept"));
    expectFailedAttempt(2);

    // Asked again; the right one is kept and the batch goes.
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton); // off
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    EXPECT_FALSE(child<QCheckBox>(auth, "chkRemember")->isChecked());
    setText(child<QLineEdit>(auth, "edtPassword"), "pa ss");
    child<QCheckBox>(auth, "chkRemember")->click();
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    EXPECT_TRUE(server.stored());
    EXPECT_EQ(keyring.find(login), QStringLiteral("pa ss"));
    forms->setPasswordKeeper(nullptr);
}

// A certificate from an authority this computer does not trust: said in the program's words,
// OpenSSL's kept in the details; not "offline", and the batch stays pending.
TEST_F(BatchSend, AnUntrustedAuthorityIsSaidInTheProgramsWords) {
    const auto& cert = tlsfixture::localhostCert();
    AiosmtpdServer server("deskuser", "pa ss", cert.certFile, cert.keyFile);
    std::string error;
    const uint16_t port = server.waitForPort(error);
    ASSERT_NE(port, 0) << error;
    send->smtp.Port = port;
    setText(child<QLineEdit>(send, "dbeMailServer"), QStringLiteral("localhost"));
    twoReminders();
    send->show();
    prompter.expectError(QStringLiteral("The server's certificate is not from an authority this "
                                        "computer trusts. Nothing was sent."));
    QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    prompter.verifyAllUsed();
    EXPECT_TRUE(prompter.shown.back().details.contains(
        QStringLiteral("unable to get local issuer certificate")))
        << prompter.shown.back().details.toStdString();
    expectFailedAttempt(2);
}

} // namespace
