// The "Replies" window: the list newest first, its filter, the count on the main window's
// button, "Check Now" against a real IMAP server, and "Test" in the settings.

#include "harness/window_test.h"
#include "support/dovecot_server.h"
#include "core/smtp/test_pki.h"

#include "core/replies/inbox_settings.h"
#include "core/store/schemas.h"
#include "reminders/main_window.h"
#include "replies/inbox_settings_window.h"
#include "replies/replies_window.h"
#include "ui/table_model.h"
#include "ui/widgets/record_grid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <chrono>

using namespace std::chrono_literals;

namespace {

const char kHeader[] = "received\tnumber\tname\tappointment_date\tappointment_time\tkind\ttext\t"
                       "message_id\tread\t\r\n";

// Four replies of three days, two of them unread and asking for attention.
const std::string kReplies = std::string(kHeader) +
    "46364.5\t447700900123\tAnn\t10/12/2026\t14:30:00\tConfirmed\tYES\ta@gw\tFalse\t\r\n"
    "46366.25\t447700900456\tBob\t11/12/2026\t09:15:00\tCancelled\tNo sorry\tb@gw\tFalse\t\r\n"
    "46365.75\t447700900999\t\t\t\tOther\tWho is this?\tc@gw\tFalse\t\r\n"
    "46365.5\t447700900123\tAnn\t10/12/2026\t14:30:00\tReport\tDELIVERED\td@gw\tTrue\t\r\n"
    "46363.5\t447700900777\tCy\t09/12/2026\t10:00:00\tCancelled\tCANCEL\te@gw\tTrue\t\r\n";

class RepliesWindowTest : public WindowTest {
protected:
    TfrmReplies& replies() { return *forms->frmReplies; }
    QStringList column(const char* field) {
        TableModel* model = replies().dbgReplies->recordModel();
        const int c = model->columnOfField(replies().dxmReplies->FieldIndex(field));
        QStringList out;
        for (int row = 0; row < model->rowCount(); ++row)
            out << model->data(model->index(row, c)).toString();
        return out;
    }
};

TEST_F(RepliesWindowTest, TheListShowsNewestFirstAndTheFilterKeepsOneKind) {
    folder.write(kRepliesFile, kReplies);
    startForms();
    replies().show();
    EXPECT_EQ(column(fields::text),
              QStringList({"No sorry", "Who is this?", "DELIVERED", "YES", "CANCEL"}));
    EXPECT_EQ(column(fields::received).first(), "10/12/2026 06:00");

    QComboBox* kind = find<QComboBox>(&replies(), "cboReplyKind");
    const struct {
        const char* entry;
        QStringList texts;
    } cases[] = {{"Cancelled", {"No sorry", "CANCEL"}}, {"Reports", {"DELIVERED"}},
                 {"Confirmed", {"YES"}}, {"Stop", {}}, {"Other", {"Who is this?"}},
                 {"All", {"No sorry", "Who is this?", "DELIVERED", "YES", "CANCEL"}}};
    for (const auto& c : cases) {
        kind->setCurrentText(QString::fromLatin1(c.entry));
        EXPECT_EQ(column(fields::text), c.texts) << c.entry;
    }
    replies().reject();
}

TEST_F(RepliesWindowTest, TheMainButtonCountsUnreadCancellationsAndUnknownsUntilTheyAreSeen) {
    folder.write(kRepliesFile, kReplies);
    startForms();
    QToolButton* button = find<QToolButton>(forms->frmMain, "bmbReplies");
    EXPECT_EQ(button->text(), "Replies (2)");

    whenModalOpens([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    QTest::mouseClick(button, Qt::LeftButton);

    EXPECT_EQ(button->text(), "Replies");
    EXPECT_EQ(folder.read(kRepliesFile).find("False"), std::string::npos);
}

// Against Dovecot on loopback; the settings name its STARTTLS port.
class RepliesCheckTest : public RepliesWindowTest {
protected:
    RepliesCheckTest() : cert_(pki_.issue()), server_(cert_.certFile, cert_.keyFile) {
        InboxSettings s;
        s.server = "127.0.0.1:" + std::to_string(server_.startTlsPort());
        s.user = "user1";
        s.gatewaySenders = "sms.gateway.example";
        writeInboxSettings(folder.file(kInboxSettingsFile), s);
    }
    void prepare(const QString& password) {
        startForms();
        replies().trustFile = pki_.caFile();
        replies().timeouts = {10s, 20s, 20s};
        replies().askPassword = [this, password](const QString& account) {
            asked_ << account;
            return std::optional(std::make_pair(password, false));
        };
    }
    void deliver(const std::string& number, const std::string& text, const std::string& id) {
        server_.deliver("user1", "From: " + number + "@sms.gateway.example\r\nMessage-ID: <" +
                                     id + ">\r\nDate: Wed, 09 Dec 2026 10:00:00 +0000\r\n"
                                     "Subject: SMS\r\n\r\n" + text + "\r\n");
    }

    testpki::TestPki pki_;
    testpki::ServerCert cert_;
    testservers::DovecotServer server_;
    QStringList asked_;
};

TEST_F(RepliesCheckTest, CheckNowShowsTheRepliesAndPutsAStopOnTheDoNotTextList) {
    deliver("447700900123", "STOP", "s1@gw");
    deliver("447700900456", "maybe later", "s2@gw");
    prepare("secret");
    replies().show();
    QTest::mouseClick(find<QPushButton>(&replies(), "bmbCheckReplies"), Qt::LeftButton);

    EXPECT_EQ(asked_, QStringList({"imap:user1@127.0.0.1:" + QString::number(server_.startTlsPort())}));
    EXPECT_EQ(column(fields::kind).size(), 2);
    EXPECT_TRUE(column(fields::kind).contains("Stop"));
    EXPECT_NE(folder.read(kRepliesFile).find("maybe later"), std::string::npos);
    EXPECT_NE(folder.read(kDoNotTextFile).find("447700900123"), std::string::npos);
    EXPECT_NE(folder.read(kDoNotTextFile).find("replied STOP"), std::string::npos);
    EXPECT_EQ(find<QToolButton>(forms->frmMain, "bmbReplies")->text(), "Replies (1)");
    replies().reject();
}

TEST_F(RepliesCheckTest, AWrongPasswordIsOneErrorBoxAndChangesNothing) {
    deliver("447700900123", "YES", "w1@gw");
    prepare("wrong");
    const QString server = "127.0.0.1:" + QString::number(server_.startTlsPort());
    prompter.expectError("The incoming mail server " + server +
                         " cannot be read: it refused the user name or the password.");
    QTest::mouseClick(find<QPushButton>(&replies(), "bmbCheckReplies"), Qt::LeftButton);
    EXPECT_FALSE(folder.exists(kRepliesFile));
    EXPECT_EQ(replies().dxmReplies->RowCount(), 0);
}

TEST_F(RepliesCheckTest, TestShowsWhatTheFormReadsFromTheNewestGatewayEMail) {
    deliver("447700900123", "YES old", "t1@gw");
    deliver("447700900456", "No thanks", "t2@gw");
    server_.deliver("user1", "From: friend@example.com\r\nSubject: hi\r\n\r\nlater one\r\n");
    prepare("secret");
    replies().show();
    prompter.expect(BoxKind::Information, {}, BoxButton::Ok, "Test");
    whenModalOpens([this](QWidget* w) {
        auto* settings = static_cast<TfrmInboxSettings*>(w);
        EXPECT_EQ(settings->dbeGatewaySenders->text(), "sms.gateway.example");
        QTest::mouseClick(settings->bmbTestReplyForm, Qt::LeftButton);
        settings->reject();
    });
    QTest::mouseClick(find<QPushButton>(&replies(), "bmbInboxSettings"), Qt::LeftButton);
    ASSERT_FALSE(prompter.shown.isEmpty());
    const QString text = prompter.shown.last().text;
    EXPECT_TRUE(text.contains("Number: 447700900456")) << text.toStdString();
    EXPECT_TRUE(text.contains("Text: No thanks")) << text.toStdString();
    EXPECT_TRUE(text.contains("Kind: Cancelled")) << text.toStdString();
    EXPECT_EQ(replies().dxmReplies->RowCount(), 0); // a test reads, it keeps nothing
    replies().reject();
}

} // namespace
