// The "Replies" window: the list newest first, its filter, the count on the main window's
// button, "Check Now" against a real IMAP server, and "Test" in the settings.

#include "replies/replies_window.h"

#include "core/replies/inbox_settings.h"
#include "core/smtp/test_pki.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "harness/private_bus.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "replies/inbox_settings_window.h"
#include "sending/sent_items_window.h"
#include "support/dovecot_server.h"
#include "ui/password_keeper.h"
#include "ui/table_model.h"
#include "ui/widgets/record_grid.h"

#include <QComboBox>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <chrono>

using namespace std::chrono_literals;

namespace {

const char kHeader[] = "received\tnumber\tname\tappointment_date\tappointment_time\tkind\ttext\t"
                       "message_id\tread\t\r\n";

// Four replies of three days, two of them unread and asking for attention.
const std::string kReplies =
    std::string(kHeader) +
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
    } cases[] = {{"Cancelled", {"No sorry", "CANCEL"}},
                 {"Reports", {"DELIVERED"}},
                 {"Confirmed", {"YES"}},
                 {"Stop", {}},
                 {"Other", {"Who is this?"}},
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
        server_.deliver("user1", "From: " + number + "@sms.gateway.example\r\nMessage-ID: <" + id +
                                     ">\r\nDate: Wed, 09 Dec 2026 10:00:00 +0000\r\n"
                                     "Subject: SMS\r\n\r\n" +
                                     text + "\r\n");
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

    EXPECT_EQ(asked_,
              QStringList({"imap:user1@127.0.0.1:" + QString::number(server_.startTlsPort())}));
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
        QTest::mouseClick(child<QPushButton>(settings, "bmbTestReplyForm"), Qt::LeftButton);
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

// The desktop's notification service: python3-dbusmock's template on a private session bus.
class NotificationService {
public:
    NotificationService() : bus_(PrivateBus::Session) {
        bus_.startMock(QStringLiteral("notification_daemon"),
                       QStringLiteral("org.freedesktop.Notifications"));
    }
    bool ok() const { return bus_.ok(); }
    std::string error() const { return bus_.error().toStdString(); }
    // The summaries and bodies of the Notify calls received so far.
    QStringList notes() {
        const QDBusMessage reply =
            bus_.call(QStringLiteral("org.freedesktop.Notifications"),
                      QStringLiteral("/org/freedesktop/Notifications"),
                      QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetMethodCalls"),
                      {QStringLiteral("Notify")});
        QStringList out;
        if (reply.type() != QDBusMessage::ReplyMessage) {
            ADD_FAILURE() << reply.errorMessage().toStdString();
            return out;
        }
        const QDBusArgument calls = reply.arguments().value(0).value<QDBusArgument>();
        calls.beginArray();
        while (!calls.atEnd()) {
            quint64 when = 0;
            QVariantList args;
            calls.beginStructure();
            calls >> when >> args;
            calls.endStructure();
            const auto text = [&](int i) {
                const QVariant v = args.value(i);
                return v.canConvert<QDBusVariant>() ? v.value<QDBusVariant>().variant().toString()
                                                    : v.toString();
            };
            out << text(0) + " | " + text(3) + " | " + text(4);
        }
        calls.endArray();
        return out;
    }

private:
    PrivateBus bus_;
};

class RepliesNotificationTest : public RepliesCheckTest {
protected:
    // Bob's reminder was sent; Bob cancels, Ann (no reminder) says yes.
    void cancellationArrives() {
        deliver("447700900456", "No sorry", "n1@gw");
        deliver("447700900123", "YES", "n2@gw");
    }
    void prepareWithSentItem() {
        prepare("secret");
        forms->frmSentItems->dxmSentItems->AddRow(
            {FieldValue{}, std::string("07700 900456"), std::string("Bob"), dayNumber(2026, 12, 11),
             timeMs(9, 15), std::string("m"), 1, 0, dayNumber(2026, 12, 9), false, false, 46365.3});
    }
};

TEST_F(RepliesNotificationTest, ACheckFindingACancellationRaisesOneNotificationNamingTheCustomer) {
    NotificationService service;
    ASSERT_TRUE(service.ok()) << service.error();
    cancellationArrives();
    prepareWithSentItem();
    replies().show();
    QTest::mouseClick(find<QPushButton>(&replies(), "bmbCheckReplies"), Qt::LeftButton);
    ASSERT_EQ(column(fields::kind).size(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !service.notes().isEmpty(); }, 5000));
    QTest::qWait(200); // a second note would have come by now
    EXPECT_EQ(service.notes(),
              QStringList({"Tallyminder | Bob cancelled 11/12/2026 09:15 | \"No sorry\""}));
    // A check that finds nothing new raises nothing.
    QTest::mouseClick(find<QPushButton>(&replies(), "bmbCheckReplies"), Qt::LeftButton);
    QTest::qWait(200);
    EXPECT_EQ(service.notes().size(), 1);
    EXPECT_TRUE(prompter.shown.isEmpty());
    replies().reject();
}

// The periodic check is off until inbox.ini sets it; it asks nothing and uses the kept password.
TEST_F(RepliesNotificationTest, ThePeriodicCheckFindsTheStopAndRaisesTheNotification) {
    NotificationService service;
    ASSERT_TRUE(service.ok()) << service.error();
    deliver("447700900456", "STOP", "p1@gw");
    prepareWithSentItem();
    QTimer* timer = find<QTimer>(&replies(), "tmrCheck");
    EXPECT_FALSE(timer->isActive());
    InboxSettings s = readInboxSettings(folder.file(kInboxSettingsFile));
    s.checkEveryMinutes = 5;
    writeInboxSettings(folder.file(kInboxSettingsFile), s);
    replies().applyCheckInterval();
    ASSERT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 5 * 60 * 1000);

    MemoryPasswordKeeper keyring;
    keyring.keep("imap:user1@" + QString::fromStdString(s.server), QStringLiteral("secret"));
    forms->setPasswordKeeper(&keyring);
    timer->start(1); // the five minutes have passed
    EXPECT_TRUE(QTest::qWaitFor([&] { return !service.notes().isEmpty(); }, 10000));
    timer->stop();
    EXPECT_EQ(service.notes(), QStringList({"Tallyminder | Bob replied STOP | "
                                            "447700900456 is on the do-not-text list now."}));
    EXPECT_TRUE(asked_.isEmpty());
    EXPECT_NE(folder.read(kDoNotTextFile).find("replied STOP"), std::string::npos);
    EXPECT_TRUE(prompter.shown.isEmpty());
    forms->setPasswordKeeper(nullptr);
}

// No notification service, or no session bus at all: the check is the same, without a box.
TEST_F(RepliesNotificationTest, WithoutANotificationServiceTheCheckIsTheSame) {
    PrivateBus busWithoutService(PrivateBus::Session);
    ASSERT_TRUE(busWithoutService.ok()) << busWithoutService.error().toStdString();
    cancellationArrives();
    prepareWithSentItem();
    replies().show();
    QTest::mouseClick(find<QPushButton>(&replies(), "bmbCheckReplies"), Qt::LeftButton);
    EXPECT_EQ(column(fields::kind).size(), 2);
    EXPECT_EQ(replies().lblCheckResult->text(), "2 new replies");

    qputenv("DBUS_SESSION_BUS_ADDRESS",
            "unix:path=" + busWithoutService.folder().toUtf8() + "/none");
    deliver("447700900456", "cancel after all", "n3@gw");
    QTest::mouseClick(find<QPushButton>(&replies(), "bmbCheckReplies"), Qt::LeftButton);
    EXPECT_EQ(column(fields::kind).size(), 3);
    EXPECT_EQ(replies().lblCheckResult->text(), "1 new reply");
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_NE(folder.read(kRepliesFile).find("cancel after all"), std::string::npos);
    replies().reject();
}

} // namespace
