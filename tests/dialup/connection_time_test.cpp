// Connection time: the counter key per month or overall, the seconds across a wrap of the tick
// counter, the label, and clearing.

#include "core/dialup/connection_time.h"

#include "dialer_fixture.h"

namespace {

TEST(ConnectionTime, DurationText) {
    const std::pair<int32_t, std::string> cases[] = {
        {0, "Total: 00:00:00"},           {3725, "Total: 01:02:05"},
        {90061, "Total: 1 day 01:01:01"}, {200000, "Total: 2 days 07:33:20"},
        {86399, "Total: 23:59:59"},       {-5, "Total: 00:00:00"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(dialup::DurationText(seconds), text) << seconds;
}

TEST(ConnectionTime, KeysSecondsAndSums) {
    EXPECT_EQ(dialup::DurationKey(true, 3), "DurationFor03");
    EXPECT_EQ(dialup::DurationKey(true, 12), "DurationFor12");
    EXPECT_EQ(dialup::DurationKey(false, 3), "Duration");
    EXPECT_EQ(dialup::ElapsedSeconds(1000, 1999), 0u);
    EXPECT_EQ(dialup::ElapsedSeconds(4294966296u, 64000), 65u); // through zero
    EXPECT_EQ(dialup::AddToCounter(10, 5), 15);
    EXPECT_EQ(dialup::AddToCounter(2147483000, 4000000), 2147483647);
}

class ConnectionTimeWindow : public DialerTest {
protected:
    TUplinkerForm* openOffice(const std::string& extra = {}) {
        ras.entries = {"Office", "Home"};
        ras.playMode = ScriptedRemoteAccess::Play::Manually;
        ras.dialScript = {{8192}};
        writeIni("[Last]\r\nEntryName=Office\r\n" + extra);
        TUplinkerForm* d = open();
        d->sendAgain = [] { return false; };
        return d;
    }
    // A connection of ms milliseconds that starts at tick start and is disconnected by the user.
    void connection(TUplinkerForm* d, uint64_t start, uint64_t ms) {
        clock.setTicks(start);
        QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
        ASSERT_TRUE(d->logic().DialEvent(ras.lastHandle(), 8192, 0));
        child<QListWidget>(d, "InfoListBox")->clear();
        clock.setTicks(start + ms);
        QTest::mouseClick(child<QPushButton>(d, "CancelButton"), Qt::LeftButton);
    }
};

TEST_F(ConnectionTimeWindow, LessThanASecondAddsNothingButBothLines) {
    TUplinkerForm* d = openOffice();
    clock.set(2026, 3, 5, 10, 0);
    writeIni("[Last]\r\nEntryName=Office\r\n[RAS_ENTRY_Office]\r\nDurationFor03=40\r\n");
    connection(d, 10000, 999);
    EXPECT_EQ(lines(d), (QStringList{"Disconnecting", "DurationFor03: 0 Sec with Office",
                                     "Cumulated DurationFor03: 40 Sec"}));
    EXPECT_EQ(read("RAS_ENTRY_Office", "DurationFor03"), "40");
}

TEST_F(ConnectionTimeWindow, TickCounterWrapsDuringTheConnection) {
    TUplinkerForm* d = openOffice("MonthlyDuration=0\r\n");
    connection(d, 0xFFFFFFFFull - 4999, 70000); // 65 s after the wrap
    EXPECT_EQ(read("RAS_ENTRY_Office", "Duration"), "70");
    // The same wrap on a tick count that has gone past 32 bits.
    connection(d, (5ull << 32) + 0xFFFFF000u, 10000);
    EXPECT_EQ(read("RAS_ENTRY_Office", "Duration"), "80");
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 00:01:20");
}

TEST_F(ConnectionTimeWindow, MonthlyAndOverallAreSeparateCounters) {
    clock.set(2026, 12, 9, 9, 30);
    TUplinkerForm* d = openOffice("MonthlyDuration=1\r\n");
    connection(d, 1000, 3725000);
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 01:02:05");
    configuration.onExecute = [this] { configuration.setFlag(Flag::MonthlyDuration, false); };
    child<QAction>(d, "MnuConfigure")
        ->trigger(); // the label follows the option changed in the window
    EXPECT_EQ(configuration.executes, 1);
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 00:00:00");
    connection(d, 1000, 90061000);
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 1 day 01:01:01");
    configuration.onExecute = [this] { configuration.setFlag(Flag::MonthlyDuration, true); };
    child<QAction>(d, "MnuConfigure")->trigger();
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 01:02:05");
    EXPECT_EQ(read("RAS_ENTRY_Office", "DurationFor12"), "3725");
    EXPECT_EQ(read("RAS_ENTRY_Office", "Duration"), "90061");
    // Another month counts apart; the time goes to the month of the moment of counting.
    clock.set(2027, 1, 1, 0, 0, 5);
    connection(d, 1000, 200000000);
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 2 days 07:33:20");
    EXPECT_EQ(read("RAS_ENTRY_Office", "DurationFor12"), "3725");
}

TEST_F(ConnectionTimeWindow, ClearThenSixtyFiveSeconds) {
    clock.set(2026, 12, 9, 9, 30);
    TUplinkerForm* d = openOffice("[RAS_ENTRY_Office]\r\nDurationFor12=500\r\nDurationFor11=7\r\n");
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 00:08:20");
    // No keeps everything.
    prompter.expect(BoxKind::Confirmation, "Clear cumulated duration ?", BoxButton::No, "Warning");
    child<QListWidget>(d, "InfoListBox")->clear();
    child<QAction>(d, "MnuClearduration")->trigger();
    EXPECT_TRUE(lines(d).isEmpty());
    EXPECT_EQ(read("RAS_ENTRY_Office", "DurationFor12"), "500");
    EXPECT_EQ(prompter.shown.last().defaultButton, BoxButton::No);

    prompter.expect(BoxKind::Confirmation, "Clear cumulated duration ?", BoxButton::Yes, "Warning");
    child<QAction>(d, "MnuClearduration")->trigger();
    EXPECT_EQ(lines(d), QStringList{"DurationFor12'Office' cleared. It was 500 Sec"});
    EXPECT_EQ(read("RAS_ENTRY_Office", "DurationFor11"), "7");
    connection(d, 1000, 65000);
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 00:01:05");
}

TEST_F(ConnectionTimeWindow, NoEntrySelectedUsesTheEmptyEntrysSection) {
    clock.set(2026, 12, 9, 9, 30);
    writeIni("[RAS_ENTRY_]\r\nDurationFor12=3725\r\n");
    ras.entries = {"Office"};
    TUplinkerForm* d = open();
    EXPECT_EQ(child<QComboBox>(d, "EntryNameComboBox")->currentIndex(), -1);
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 01:02:05");
    prompter.expect(BoxKind::Confirmation, "Clear cumulated duration ?", BoxButton::Yes, "Warning");
    child<QAction>(d, "MnuClearduration")->trigger();
    EXPECT_EQ(lines(d).last(), "DurationFor12'' cleared. It was 3725 Sec");
    EXPECT_EQ(read("RAS_ENTRY_", "DurationFor12"), "0");
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 00:00:00");
}

TEST_F(ConnectionTimeWindow, ClosingTheWindowDoesNotHangUpOrCount) {
    TUplinkerForm* d = openOffice("MonthlyDuration=0\r\n");
    clock.setTicks(1000);
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(d->logic().DialEvent(ras.lastHandle(), 8192, 0));
    clock.advanceTicks(60000);
    d->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));
    EXPECT_EQ(ras.count(Op::HangUp), 0);
    EXPECT_EQ(read("RAS_ENTRY_Office", "Duration"), "(missing)");
}

} // namespace
