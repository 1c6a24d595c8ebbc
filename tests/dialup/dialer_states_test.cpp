// The dialer's connection states: every transition with the lines it adds, the buttons, the
// captions and the check timer; progress of other dials; Connect while a dial is in progress.

#include "dialer_fixture.h"

namespace {

class DialerStates : public DialerTest {
protected:
    TUplinkerForm* openOffice() {
        ras.entries = {"Office", "Home"};
        ras.playMode = ScriptedRemoteAccess::Play::Manually;
        ras.dialScript = {{0}, {14}, {8192}};
        ras.texts[678] = "The remote computer did not respond";
        writeIni("[Last]\r\nEntryName=Office\r\nUserName=ann\r\nMonthlyDuration=0\r\n");
        TUplinkerForm* d = open();
        child<QListWidget>(d, "InfoListBox")->clear();
        return d;
    }
    // Dials and plays the first two steps: the window is dialling.
    void dial(TUplinkerForm* d) {
        QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
        ras.play(2);
        QCoreApplication::processEvents();
    }
    // Enters the connected state without the automatic send that the window then runs.
    void enterConnected(TUplinkerForm* d) {
        dial(d);
        ASSERT_TRUE(d->logic().DialEvent(ras.lastHandle(), 8192, 0));
        child<QListWidget>(d, "InfoListBox")->clear();
    }
};

TEST_F(DialerStates, IdleToDialingAndItsProgress) {
    TUplinkerForm* d = openOffice();
    EXPECT_EQ(look(d), idle());
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(look(d), dialing());
    EXPECT_EQ(lines(d), (QStringList{"Dialing 'Office'"}));
    EXPECT_EQ(ras.callsOf(Op::Dial).at(0).args, (QStringList{"Office", "ann", ""}));
    EXPECT_EQ(d->logic().state(), dialup::UplinkerLogic::State::Dialing);
    ras.play(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines(d).size() == 3; }));
    EXPECT_EQ(lines(d), (QStringList{"Dialing 'Office'", "Opening Port", "Authenticated"}));
    EXPECT_EQ(look(d), dialing());
}

// A service that runs the event loop while it answers the dial: progress that comes meanwhile
// waits until the dial has its handle and its "Dialing" line, then follows in order.
TEST_F(DialerStates, ProgressDuringTheDialsAnswerFollowsItsLine) {
    TUplinkerForm* d = openOffice();
    ras.playMode = ScriptedRemoteAccess::Play::AtDial;
    ras.dialScript = {{0}, {3}};
    QStringList linesWhileAnswering;
    ras.whileAnswering = [&] {
        QTest::qWait(50);
        linesWhileAnswering = lines(d);
    };
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_TRUE(linesWhileAnswering.isEmpty()) << linesWhileAnswering.join('|').toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines(d).size() == 3; }));
    EXPECT_EQ(lines(d), (QStringList{"Dialing 'Office'", "Opening Port", "Device Connected"}));
    EXPECT_EQ(look(d), dialing());
}

TEST_F(DialerStates, DialingEndsDisconnected) {
    TUplinkerForm* d = openOffice();
    ras.dialScript = {{5}, {8193, 678}};
    dial(d);
    EXPECT_EQ(lines(d), (QStringList{"Dialing 'Office'", "Starting Authentication", "Disconnected",
                                     "The remote computer did not respond"}));
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(ras.callsOf(Op::HangUp).at(0).args, QStringList{QString::number(ras.lastHandle())});
}

TEST_F(DialerStates, DialingIsCanceled) {
    TUplinkerForm* d = openOffice();
    dial(d);
    child<QListWidget>(d, "InfoListBox")->clear();
    QTest::mouseClick(child<QPushButton>(d, "CancelButton"), Qt::LeftButton);
    EXPECT_EQ(lines(d), QStringList{"Canceled"});
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(ras.count(Op::HangUp), 1);
    // The rest of that dial's progress changes nothing.
    ras.play(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(lines(d), QStringList{"Canceled"});
    EXPECT_EQ(look(d), idle());
}

TEST_F(DialerStates, DialThatDoesNotStart) {
    TUplinkerForm* d = openOffice();
    ras.failNext(Op::Dial, 678);
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(lines(d), QStringList{"678 The remote computer did not respond"});
    EXPECT_EQ(look(d), idle());
    // The handle the failed dial gave is hung up.
    EXPECT_EQ(ras.callsOf(Op::HangUp).at(0).args, QStringList{QString::number(ras.lastHandle())});
}

TEST_F(DialerStates, RestrictionRefuses) {
    TUplinkerForm* d = openOffice();
    restrictions.allow = false;
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(lines(d), QStringList{"Time Restriction Apply"});
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(ras.count(Op::Dial), 0);
    EXPECT_EQ(restrictions.section, "RAS_ENTRY_Office");
}

TEST_F(DialerStates, ConnectedDisconnectsAndCountsTime) {
    TUplinkerForm* d = openOffice();
    clock.setTicks(50000);
    enterConnected(d);
    EXPECT_EQ(look(d), connected());
    clock.advanceTicks(65000);
    QTest::mouseClick(child<QPushButton>(d, "CancelButton"), Qt::LeftButton);
    EXPECT_EQ(lines(d), (QStringList{"Disconnecting", "Duration: 65 Sec with Office",
                                     "Cumulated Duration: 65 Sec"}));
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 00:01:05");
}

TEST_F(DialerStates, ConnectedCheckFindsTheConnectionGone) {
    TUplinkerForm* d = openOffice();
    clock.setTicks(50000);
    enterConnected(d);
    EXPECT_EQ(child<QTimer>(d, "CheckTimer")->interval(), 5000);
    // Alive, then an error that is shown and the check goes on, then gone.
    d->CheckTimerTimer();
    EXPECT_TRUE(lines(d).isEmpty());
    ras.failNext(Op::GetConnectStatus, 678);
    d->CheckTimerTimer();
    EXPECT_EQ(lines(d), QStringList{"Error #678 : The remote computer did not respond"});
    EXPECT_EQ(look(d), connected());
    clock.advanceTicks(2500);
    ras.statusCode = dialup::kInvalidHandle;
    d->CheckTimerTimer();
    EXPECT_EQ(lines(d).mid(1), (QStringList{"Connection closed", "Duration: 2 Sec with Office",
                                            "Cumulated Duration: 2 Sec"}));
    EXPECT_EQ(look(d), idle());
}

TEST_F(DialerStates, ActiveConnectionIsAdoptedWithoutDialOrSend) {
    TUplinkerForm* d = openOffice();
    ras.active = {{"OFFICE", 0x77}};
    bool sent = false;
    d->sendAgain = [&] { return sent = true; };
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(lines(d), QStringList{"Connection already active"});
    EXPECT_EQ(look(d), adopted());
    EXPECT_EQ(d->logic().connectStartTick(), -1);
    EXPECT_EQ(ras.count(Op::Dial), 0);
    EXPECT_FALSE(sent);

    // Cancel menu item: disconnects without counting time.
    d->MnuCancel->trigger();
    EXPECT_EQ(lines(d), (QStringList{"Connection already active", "Disconnecting"}));
    EXPECT_EQ(ras.callsOf(Op::HangUp).at(0).args, QStringList{"119"});
    EXPECT_EQ(look(d), idle());
}

TEST_F(DialerStates, AdoptedCheckFindsTheConnectionGone) {
    TUplinkerForm* d = openOffice();
    ras.active = {{"Office", 0x77}};
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ras.statusCode = dialup::kInvalidHandle;
    d->CheckTimerTimer();
    EXPECT_EQ(lines(d), (QStringList{"Connection already active", "Connection closed"}));
    EXPECT_EQ(look(d), idle());
    EXPECT_FALSE(TIniFile(ini()).ValueExists("RAS_ENTRY_Office", "Duration"));
}

// Connect while dialling is refused: the dial goes on, its handle is neither lost nor hung up.
TEST_F(DialerStates, ConnectWhileDialingIsRefused) {
    TUplinkerForm* d = openOffice();
    dial(d);
    const auto handle = d->logic().connectionHandle();
    d->MnuConnect->trigger();
    EXPECT_EQ(lines(d).last(), "A dial is already in progress");
    EXPECT_EQ(ras.count(Op::Dial), 1);
    EXPECT_EQ(ras.count(Op::HangUp), 0);
    EXPECT_EQ(d->logic().connectionHandle(), handle);
    EXPECT_EQ(look(d), dialing());
}

TEST_F(DialerStates, ProgressOfAnotherHandleOrAClosedWindowChangesNothing) {
    TUplinkerForm* d = openOffice();
    dial(d);
    const QStringList before = lines(d);
    EXPECT_FALSE(d->logic().DialEvent(ras.lastHandle() + 1, 8192, 0));
    EXPECT_EQ(lines(d), before);
    EXPECT_EQ(look(d), dialing());

    // The window closes while the dial's last step, connected, is on its way.
    bool sent = false;
    d->sendAgain = [&] { return sent = true; };
    d->close();
    ras.play(1);
    QCoreApplication::processEvents();
    ASSERT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));
    EXPECT_FALSE(sent);
    EXPECT_EQ(ras.count(Op::HangUp), 0);
    EXPECT_EQ(dialup::DialerWindowHandle(), nullptr);
}

TEST_F(DialerStates, IpAndPhoneBookDialogs) {
    TUplinkerForm* d = openOffice();
    QTest::mouseClick(child<QPushButton>(d, "IPButton"), Qt::LeftButton);
    ras.active = {{"Office", 5}};
    QTest::mouseClick(child<QPushButton>(d, "IPButton"), Qt::LeftButton);
    EXPECT_EQ(lines(d), (QStringList{"IP unknown", "IP=10.64.3.7"}));

    child<QListWidget>(d, "InfoListBox")->clear();
    ras.texts[700] = QString(200, u'e');
    ras.failNext(Op::EditEntry, 700);
    d->MnuProperties->trigger();
    EXPECT_EQ(ras.callsOf(Op::EditEntry).at(0).args, QStringList{"Office"});
    ras.failNext(Op::CreateEntry, 700);
    child<QAction>(d, "MnuNew")->trigger();
    EXPECT_EQ(lines(d), (QStringList{QString(127, u'e'), QString(127, u'e')}));

    ras.createdEntry = "Mobile";
    child<QAction>(d, "MnuNew")->trigger();
    EXPECT_EQ(child<QComboBox>(d, "EntryNameComboBox")->count(), 3);
    EXPECT_EQ(child<QComboBox>(d, "EntryNameComboBox")->currentText(), "Office");
}

TEST_F(DialerStates, MenuItemsReachTheOptionsAndRestrictions) {
    TUplinkerForm* d = openOffice();
    child<QAction>(d, "RunInternetMailReader1")->trigger();
    child<QAction>(d, "RunInternetBrowser1")->trigger();
    child<QAction>(d, "RunInternetNewsReader1")->trigger();
    EXPECT_EQ(configuration.runs, (QStringList{"mail", "browser", "news"}));
    restrictions.section.clear();
    const int loads = restrictions.loads;
    child<QAction>(d, "TimeRestrictions1")->trigger();
    EXPECT_EQ(restrictions.section, "RAS_ENTRY_Office");
    EXPECT_EQ(restrictions.loads, loads + 1);
    EXPECT_EQ(restrictions.executes, 1);
    EXPECT_EQ(configuration.autoRuns, 0);
}

} // namespace
