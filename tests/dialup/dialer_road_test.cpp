// The offline road: a send that finds nothing listening opens the dialer; once the dial reports
// connected the same send goes out by itself, and the dialer and the send window close. And what
// happens when that send fails after connecting. The road is taken once more over NetworkManager
// on a private bus.

#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "dialer_fixture.h"
#include "dialup/nm_codes.h"
#include "dialup/nm_remote_access.h"
#include "nm_mock.h"
#include "reminders/main_window.h"
#include "sending/progress_window.h"
#include "sending/send_boxes.h"
#include "sending/sent_items_window.h"
#include "sending/test_servers.h"

#include <QElapsedTimer>

#include <chrono>

namespace {

using testservers::LoopbackServer;

const QString kOffline = QStringLiteral(
    "The message could not be sent. You appear to be offline. Please connect and try again");

class DialerRoad : public DialerTest {
protected:
    void SetUp() override {
        startForms();
        useFakes();
        send = forms->frmSendMail;
        send->smtp.Timeouts.connect = std::chrono::milliseconds(2000);
        send->smtp.Timeouts.greeting = std::chrono::milliseconds(300);
        send->smtp.Timeouts.command = std::chrono::milliseconds(2000);
        setText(send->dbeFromAddress, "desk@shop.example");
        setText(send->dbeFromName, "Front Desk");
        setText(send->dbeMailServer, "127.0.0.1");
        TdxMemData& pending = *forms->frmMain->dxmReminders;
        for (int day : {14, 15}) {
            std::vector<FieldValue> row(static_cast<size_t>(pending.FieldCount()));
            auto set = [&](const char* f, FieldValue v) {
                row[static_cast<size_t>(pending.FieldIndex(f))] = std::move(v);
            };
            set("contact_no", std::string("041100000") + std::to_string(day % 10));
            set("name", std::string("Client ") + std::to_string(day));
            set("appointment_date", dayNumber(2026, 12, day));
            set("appointment_time", timeMs(10, 30));
            set("message", std::string("See you"));
            set("days_before_appointment", int32_t{1});
            set("recurring_days", int32_t{0});
            set("status", false);
            set("delivery", false);
            pending.AddRow(row);
        }
        pending.FieldDelimiter = kRemindersDelimiter;
        pending.WriteDelimitedFile(folder.file("reminders.txt"));
        ras.entries = {"Office"};
        writeIni("[Last]\r\nEntryName=Office\r\n");
        send->show();
    }

    static void setText(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    // Send with nothing listening: the offline box, then the dialer.
    TUplinkerForm* sendOffline() {
        send->smtp.Port = testservers::closedPort();
        prompter.expectError(kOffline);
        QTest::mouseClick(send->bmbSend, Qt::LeftButton);
        prompter.verifyAllUsed();
        TUplinkerForm* d = forms->UplinkerForm;
        EXPECT_NE(d, nullptr);
        if (d) {
            EXPECT_TRUE(d->isVisible());
            EXPECT_EQ(d->parentWidget(), send) << "owned by the send window";
        }
        EXPECT_TRUE(send->isVisible());
        return d;
    }

    void expectSuccessBoxes() { expectSendSuccessBoxes(prompter, true); }

    TfrmSendMail* send = nullptr;
};

TEST_F(DialerRoad, OfflineSendDialsAndTheBatchGoesOutByItself) {
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    const std::string stamped = folder.read("reminders.txt");

    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port(); // the connection is up: the server can be reached
    ras.dialScript = {{0}, {3}, {14}, {8192}};
    ras.playMode = ScriptedRemoteAccess::Play::OnThread;
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));

    EXPECT_EQ(server.messages(), 1);
    TdxMemData& sent = *forms->frmSentItems->dxmSentItems;
    EXPECT_EQ(sent.RowCount(), 2);
    EXPECT_EQ(folder.read("sentitems.txt"), sent.DelimitedText());
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 0);
    EXPECT_FALSE(send->isVisible());
    EXPECT_NE(stamped, "");
    // Closing saved the settings; the connection is left up and not counted.
    EXPECT_EQ(read("Last", "EntryName"), "Office");
    EXPECT_EQ(ras.count(Op::HangUp), 0);
    EXPECT_EQ(dialup::DialerWindowHandle(), nullptr);
    EXPECT_EQ(configuration.autoRuns, 1) << "the programs start before the send";
}

// The user looked over the batch's problems and chose to send before the first attempt: the
// send after connecting goes out by itself, without the check again.
TEST_F(DialerRoad, TheAnswerToTheBatchCheckHoldsForTheSendAfterConnecting) {
    TdxMemData& pending = *forms->frmMain->dxmReminders;
    pending.SetRowNumber(1);
    pending.Edit();
    pending.FieldNamed("appointment_date").SetValue(dayNumber(2026, 12, 1)); // already past
    pending.Post();
    pending.WriteDelimitedFile(folder.file("reminders.txt"));
    prompter.expectReview(true);
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(prompter.reviews.size(), 1);

    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    ras.dialScript = {{8192}};
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));
    EXPECT_EQ(server.messages(), 1);
    EXPECT_EQ(prompter.reviews.size(), 1) << "asked again after connecting";
}

TEST_F(DialerRoad, ASecondOfflineSendShowsTheSameDialer) {
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    d->hide();
    prompter.expectError(kOffline);
    QTest::mouseClick(send->bmbSend, Qt::LeftButton);
    EXPECT_EQ(forms->UplinkerForm, d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(send->findChildren<TUplinkerForm*>().size(), 1);
}

// The server refuses the resent batch: its error is shown, the dialer comes back idle and says
// so, the send window stays open, and the reminders stay pending.
TEST_F(DialerRoad, SendErrorAfterConnectingKeepsEverything) {
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    LoopbackServer server(LoopbackServer::Mode::RefuseMail);
    send->smtp.Port = server.port();
    ras.dialScript = {{8192}};
    clock.setTicks(10000);
    prompter.expectError(QStringLiteral("550 5.7.1 Relaying denied"));
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompter.pending(); }));
    QCoreApplication::processEvents();

    ASSERT_FALSE(forms->UplinkerForm.isNull());
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(lines(d).mid(1, 3),
              (QStringList{"Connected", "The batch was not sent", "Disconnecting"}));
    EXPECT_EQ(ras.count(Op::HangUp), 1);
    EXPECT_TRUE(send->isVisible());
    EXPECT_TRUE(folder.exists("reminders.txt"));
    EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 2);
    EXPECT_FALSE(folder.exists("sentitems.txt"));

    // Connect again once the server takes it: the batch goes.
    LoopbackServer good(LoopbackServer::Mode::Accept);
    send->smtp.Port = good.port();
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));
    EXPECT_EQ(good.messages(), 1);
    EXPECT_FALSE(folder.exists("reminders.txt"));
}

// Still offline after connecting: the offline box again, the same dialer back, idle.
TEST_F(DialerRoad, StillOfflineAfterConnecting) {
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    ras.dialScript = {{8192}};
    prompter.expectError(kOffline);
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompter.pending(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(forms->UplinkerForm, d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(look(d), idle());
    EXPECT_TRUE(send->isVisible());
    EXPECT_TRUE(folder.exists("reminders.txt"));
}

// The same road over the NetworkManager backend, on a private bus with NetworkManager's mock:
// Connect activates the profile, the device's steps become progress lines, and once
// NetworkManager reports the connection activated the batch goes out by itself.
class DialerRoadOverNetworkManager : public DialerRoad {
protected:
    NmMockBus bus; // started before the windows, stopped after them
    dialup::NetworkManagerAccess networkManager;
};

TEST_F(DialerRoadOverNetworkManager, OfflineSendDialsThroughNetworkManagerAndSends) {
    ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
    const QString device = bus.addDevice(QStringLiteral("ppp0"));
    bus.addProfile(QStringLiteral("Office"), QStringLiteral("pppoe"));
    bus.activationStaysActivating(device);
    forms->setRemoteAccess(&networkManager);
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(child<QComboBox>(d, "EntryNameComboBox")->currentText(), QStringLiteral("Office"));

    LoopbackServer server(LoopbackServer::Mode::Accept);
    send->smtp.Port = server.port();
    expectSuccessBoxes();
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_EQ(bus.managerCalls(QStringLiteral("ActivateConnection")).size(), 1);
    bus.setDeviceState(device, 40, 30, 0);
    bus.setDeviceState(device, 70, 40, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines(d).contains("Projection Phase Started"); }));
    EXPECT_EQ(lines(d),
              (QStringList{"Dialing 'Office'", "Opening Port", "Projection Phase Started"}));
    bus.setActiveState(QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/Dial"), 2,
                       0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));

    EXPECT_EQ(server.messages(), 1);
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_FALSE(send->isVisible());
}

class DialerOverAFaultyNetworkManager : public DialerRoadOverNetworkManager {
protected:
    void SetUp() override {
        DialerRoadOverNetworkManager::SetUp();
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
        device = bus.addDevice(QStringLiteral("ppp0"));
        bus.addProfile(QStringLiteral("Office"), QStringLiteral("pppoe"));
        forms->setRemoteAccess(&networkManager);
    }

    // The batch stays pending and nothing reached the server.
    void expectNothingSent() {
        EXPECT_EQ(server.messages(), 0);
        EXPECT_TRUE(send->isVisible());
        EXPECT_TRUE(folder.exists("reminders.txt"));
        EXPECT_EQ(forms->frmMain->dxmReminders->RowCount(), 2);
        EXPECT_FALSE(folder.exists("sentitems.txt"));
    }

    QString device;
    LoopbackServer server{LoopbackServer::Mode::Accept};
};

// NetworkManager stops while the connection is being made: it will never report the end of the
// dial, so the dialer notices the service leaving the bus and says so within seconds.
TEST_F(DialerOverAFaultyNetworkManager, NetworkManagerStoppingMidDialIsToldAndNothingIsSent) {
    bus.activationStaysActivating(device);
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    send->smtp.Port = server.port();
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines(d).contains("Dialing 'Office'"); }));
    EXPECT_EQ(look(d), dialing());

    bus.stopService();
    const QString stopped =
        QStringLiteral("NetworkManager stopped while the connection was being made");
    EXPECT_TRUE(QTest::qWaitFor([&] { return lines(d).contains(stopped); }, 3000))
        << lines(d).join(" | ").toStdString();
    EXPECT_EQ(lines(d), (QStringList{"Dialing 'Office'", "Disconnected", stopped}));
    EXPECT_EQ(look(d), idle());
    QTest::qWait(100); // nothing more follows
    EXPECT_FALSE(forms->UplinkerForm.isNull());
    expectNothingSent();
}

// A NetworkManager that takes the activation and never answers: the dial is given up after the
// call time-out, which a test can lower so that it does not wait the five seconds.
TEST_F(DialerOverAFaultyNetworkManager, ANetworkManagerThatDoesNotAnswerIsGivenUpAfterTheTimeOut) {
    bus.activationStaysActivating(device, 30);
    networkManager.setCallTimeout(std::chrono::milliseconds(300));
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    send->smtp.Port = server.port();
    QElapsedTimer waited;
    waited.start();
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    const QString noAnswer = QStringLiteral("NetworkManager did not answer in time");
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines(d).join('|').contains(noAnswer); }, 3000));

    EXPECT_LT(waited.elapsed(), 2000);
    EXPECT_EQ(lines(d),
              (QStringList{QStringLiteral("%1 %2").arg(dialup::nm::kTimedOut).arg(noAnswer)}));
    EXPECT_EQ(look(d), idle());
    expectNothingSent();
}

// A NetworkManager that takes a second and a half to answer the activation: meanwhile the
// window's event loop runs (a timer fires while the click on Connect is still being handled) and
// its Cancel works at once; the connection the service starts after all is hung up.
TEST_F(DialerOverAFaultyNetworkManager, ASlowNetworkManagerLeavesTheWindowWorkingAndCancelWorks) {
    bus.activationStaysActivating(device, 1.5);
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    send->smtp.Port = server.port();
    bool connectReturned = false;
    bool firedDuringCall = false;
    QTimer::singleShot(300, d, [&] {
        firedDuringCall = !connectReturned;
        EXPECT_EQ(look(d), dialing());
        QTest::mouseClick(child<QPushButton>(d, "CancelButton"), Qt::LeftButton);
        EXPECT_EQ(lines(d), QStringList{"Canceled"});
        EXPECT_FALSE(child<QPushButton>(d, "CancelButton")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(d, "ConnectButton")->isEnabled())
            << "until the service has answered";
    });
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    connectReturned = true;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return child<QPushButton>(d, "ConnectButton")->isEnabled(); }, 5000));

    EXPECT_TRUE(firedDuringCall);
    EXPECT_EQ(lines(d), QStringList{"Canceled"});
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(
        bus.managerCalls(QStringLiteral("DeactivateConnection")),
        QStringList{"[dbus.ObjectPath('/org/freedesktop/NetworkManager/ActiveConnection/Dial')]"})
        << "the connection started after the cancel is ended";
    QTest::qWait(100);
    expectNothingSent();
}

// The window closed while NetworkManager is still to answer goes away once it has answered,
// and the program goes on.
TEST_F(DialerOverAFaultyNetworkManager, TheDialerClosesWhileNetworkManagerIsStillToAnswer) {
    bus.activationStaysActivating(device, 1.5);
    TUplinkerForm* d = sendOffline();
    ASSERT_NE(d, nullptr);
    send->smtp.Port = server.port();
    bool closedDuringCall = false;
    bool connectReturned = false;
    QTimer::singleShot(300, d, [&] {
        closedDuringCall = !connectReturned;
        d->close();
        EXPECT_FALSE(d->isVisible());
    });
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    connectReturned = true;
    EXPECT_TRUE(closedDuringCall);
    ASSERT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }, 5000));
    EXPECT_EQ(dialup::DialerWindowHandle(), nullptr);
    EXPECT_EQ(read("Last", "EntryName"), "Office") << "closing saved the settings";
    expectNothingSent();
}

} // namespace
