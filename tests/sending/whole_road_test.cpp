// The whole road of a batch through the windows: reminders typed into the main window's entry
// panel, "Send SMS", authentication ticked and answered, "&Send" to a real SMTP server that
// requires STARTTLS (named with its port in the server box), then the boxes, the sent items and
// a main window ready for the next batch.

#include "core/smtp/tls_fixture.h"
#include "core/tables/version_info.h"
#include "reminders/main_window_fixture.h"
#include "send_boxes.h"
#include "sending/auth_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"
#include "support/mail_headers.h"
#include "test_servers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using WholeRoad = MainWindowTest;

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

TEST_F(WholeRoad, RemindersTypedInTheMainWindowReachTheServerAndTheSentItems) {
    const auto& cert = tlsfixture::localhostCert();
    testservers::AiosmtpdServer server("deskuser", "pa ss", cert.certFile, cert.keyFile);
    std::string error;
    const uint16_t port = server.waitForPort(error);
    ASSERT_NE(port, 0) << error;

    clock.set(2026, 12, 9, 9, 30, 15);
    start();
    setVersionText("v.1.0.0.5");
    TfrmSendMail* send = forms->frmSendMail;
    tlsfixture::trustTestAuthority(send->smtp);
    send->smtp.Environment.UtcOffsetMinutes = [](double) { return 600; };

    addReminder("ann lee", "0411000001", "See you at 10:30", dayNumber(2026, 12, 14), 10, 30);
    addReminder("bo ray", "0411000002", "Dental check", dayNumber(2026, 12, 15), 11, 0);
    ASSERT_EQ(reminders().RowCount(), 2);
    w<QCheckBox>("chkStatus")->setChecked(true);

    std::string saved; // reminders.txt as "Send SMS" saved it
    bool ran = false;
    whenModalOpens([&](QWidget* modal) {
        ran = true;
        struct Closer {
            TfrmSendMail* w;
            ~Closer() {
                if (w->isVisible()) {
                    ADD_FAILURE() << "the send window stayed open";
                    w->reject();
                }
            }
        } closer{send};
        ASSERT_EQ(modal, send);
        saved = folder.read("reminders.txt");
        child<QLineEdit>(send, "dbeFromAddress")->selectAll();
        QTest::keyClicks(child<QLineEdit>(send, "dbeFromAddress"), "desk@shop.example");
        child<QLineEdit>(send, "dbeFromName")->selectAll();
        QTest::keyClicks(child<QLineEdit>(send, "dbeFromName"), "Front Desk");
        child<QLineEdit>(send, "dbeMailServer")->selectAll();
        QTest::keyClicks(child<QLineEdit>(send, "dbeMailServer"),
                         QString::fromStdString("localhost:" + std::to_string(port)));
        send->DBEStartTime->selectAll();
        QTest::keyClicks(send->DBEStartTime, "08:15");
        child<QLineEdit>(send, "dbeToBlindCarbonCopy")
            ->setText("boss@shop.example, bk@shop.example");
        emit child<QLineEdit>(send, "dbeToBlindCarbonCopy")
            ->textEdited(child<QLineEdit>(send, "dbeToBlindCarbonCopy")->text());
        QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
        TfrmAuth* auth = forms->frmAuth;
        ASSERT_TRUE(auth->isVisible());
        QTest::keyClicks(child<QLineEdit>(auth, "edtUserName"), "deskuser");
        QTest::keyClicks(child<QLineEdit>(auth, "edtPassword"), "pa ss");
        QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
        expectSendSuccessBoxes(prompter);
        QTest::mouseClick(child<QPushButton>(send, "bmbSend"), Qt::LeftButton);
    });
    QTest::mouseClick(w<QPushButton>("bmbSendMail"), Qt::LeftButton);
    settle();
    ASSERT_TRUE(ran);
    prompter.verifyAllUsed();
    ASSERT_FALSE(saved.empty());

    // The server stored one message: its body is reminders.txt as stamped.
    const std::string batch = fieldtext::format(FieldKind::Float, send->lastBatch());
    const std::string stamped = replaceAll(saved, "^False^False^0^", "^True^False^" + batch + "^");
    EXPECT_NE(stamped, saved);
    EXPECT_EQ(server.envelope(), "AUTH deskuser\n"
                                 "MAIL desk@shop.example\n"
                                 "RCPT sms@gateway.example.com\n"
                                 "RCPT boss@shop.example\n"
                                 "RCPT bk@shop.example\n");
    EXPECT_EQ(server.content(), headerBlock({.from = "desk@shop.example",
                                             .subject = "Tallyminder v.1.0.0.5",
                                             .to = "sms@gateway.example.com",
                                             .replyTo = "desk@shop.example",
                                             .date = "Wed, 9 Dec 2026 09:30:15 +1000"}) +
                                    stamped);

    // The sent items and their file; the pending list gone; the main window ready.
    TdxMemData& sent = *forms->frmSentItems->dxmSentItems;
    ASSERT_EQ(sent.RowCount(), 2);
    EXPECT_EQ(folder.read("sentitems.txt"), sent.DelimitedText());
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(sent.CellText(r, sent.FieldIndex("create_date")), "09/12/2026");
        EXPECT_EQ(sent.CellText(r, sent.FieldIndex("batch")), batch);
        EXPECT_EQ(sent.CellText(r, sent.FieldIndex("status")), "True");
    }
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_EQ(reminders().RowCount(), 0);
    EXPECT_EQ(w<QTimeEdit>("dtpTime")->time(), QTime(8, 15));
    EXPECT_FALSE(w<QCheckBox>("chkStatus")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(send, "chkAuth")->isChecked());
    EXPECT_EQ(send->smtp.AuthenticationType, TIdSMTPAuthenticationType::atNone);
    EXPECT_FALSE(send->isVisible());
}

} // namespace
