// The dialer's start-up and its settings: what it reads from section "Last", what it saves on
// connect and on close, stored passwords per entry and user, and damaged or unwritable files.

#include "dialer_fixture.h"
#include "dialup/about_form.h"

#include <filesystem>

namespace {

TEST_F(DialerTest, StartUpWithAStoredEntryThatIsGone) {
    ras.entries = {"Office", "Home"};
    ras.active = {{"Home", 0x31}, {"VPN", 0x32}};
    writeIni("[Last]\r\nEntryName=Old ISP\r\nUserName=ann\r\n");
    TUplinkerForm* d = open();
    EXPECT_EQ(child<QComboBox>(d, "EntryNameComboBox")->count(), 2);
    EXPECT_EQ(child<QComboBox>(d, "EntryNameComboBox")->currentIndex(), -1);
    EXPECT_EQ(child<QComboBox>(d, "UserNameComboBox")->currentText(), "ann");
    EXPECT_EQ(child<QComboBox>(d, "UserNameComboBox")->count(), 0)
        << "user names follow the first change of entry";
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(child<QLabel>(d, "DurationLabel")->text(), "Total: 00:00:00");
    EXPECT_EQ(lines(d), (QStringList{"2 Existing connections", "Home", "VPN"}));
    EXPECT_EQ(forms->AboutForm->ProgNameLabel->text(), "Uplinker V1.11");
    EXPECT_EQ(restrictions.section, "RAS_ENTRY_");
    EXPECT_EQ(restrictions.loads, 1);
}

TEST_F(DialerTest, StoredEntryIsSelectedExactly) {
    ras.entries = {"office", "Office", "Home"};
    writeIni("[Last]\r\nEntryName=Office\r\n");
    TUplinkerForm* d = open();
    EXPECT_EQ(child<QComboBox>(d, "EntryNameComboBox")->currentIndex(), 1);
    EXPECT_EQ(restrictions.section, "RAS_ENTRY_Office");
}

TEST_F(DialerTest, FlagsAreOnUnlessStoredAsZeroAndSavePasswordOnlyForOne) {
    const char* keys[] = {"AutoPW",          "AutoUN",          "AutoExecuteBrowser",
                          "AutoExecuteMail", "AutoExecuteNews", "MonthlyDuration"};
    const Flag flags[] = {Flag::AutoPW,          Flag::AutoUN,          Flag::AutoExecuteBrowser,
                          Flag::AutoExecuteMail, Flag::AutoExecuteNews, Flag::MonthlyDuration};
    for (const char* stored : {"", "0", "1", "yes"}) {
        SCOPED_TRACE(stored);
        std::string text = "[Last]\r\n";
        for (const char* key : keys)
            text += std::string(key) + "=" + stored + "\r\n";
        text += std::string("SavePW=") + stored + "\r\n";
        writeIni(text);
        TUplinkerForm* d = open();
        for (Flag f : flags)
            EXPECT_EQ(forms->dialupConfiguration->flag(f), std::string(stored) != "0");
        EXPECT_EQ(child<QCheckBox>(d, "SavePWCheckBox")->isChecked(), std::string(stored) == "1");
        stopForms();
    }
}

TEST_F(DialerTest, MissingKeysGiveTheDefaults) {
    open();
    const auto& c = *forms->dialupConfiguration;
    using Text = dialup::DialupConfiguration::Text;
    EXPECT_TRUE(c.flag(Flag::AutoPW));
    EXPECT_TRUE(c.flag(Flag::AutoUN));
    EXPECT_FALSE(c.flag(Flag::AutoConnect));
    EXPECT_FALSE(c.flag(Flag::AutoExecuteMail));
    EXPECT_TRUE(c.flag(Flag::MonthlyDuration));
    EXPECT_EQ(c.text(Text::BrowserExe), dialup::kDefaultBrowserExe);
    EXPECT_EQ(c.text(Text::MailDir), "");
}

TEST_F(DialerTest, SavedOnConnectAndOnClose) {
    ras.entries = {"Office"};
    TUplinkerForm* d = open();
    selectEntry(d, "Office");
    typeUser(d, "ann");
    QTest::keyClicks(child<QLineEdit>(d, "PasswordEdit"), "s3cret");
    forms->dialupConfiguration->setText(dialup::DialupConfiguration::Text::MailDir, "  /tmp  ");
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(read("Last", "EntryName"), "Office");
    EXPECT_EQ(read("Last", "UserName"), "ann");
    EXPECT_EQ(read("Last", "AutoPW"), "1");
    EXPECT_EQ(read("Last", "AutoConnect"), "0");
    EXPECT_EQ(read("Last", "MailDir"), "/tmp");
    EXPECT_EQ(read("Last", "SavePW"), "0");
    EXPECT_EQ(read("Last", "Password"), "");
    EXPECT_FALSE(TIniFile(ini()).SectionExists("RAS_ENTRY_Office"));

    typeUser(d, "bo");
    d->close();
    EXPECT_EQ(read("Last", "UserName"), "bo");
    EXPECT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));
    EXPECT_NE(read("Windows", "UplinkerForm"), "(missing)");
}

TEST_F(DialerTest, SavePasswordWithAndWithoutUserName) {
    ras.entries = {"Office"};
    TUplinkerForm* d = open();
    selectEntry(d, "Office");
    child<QCheckBox>(d, "SavePWCheckBox")->setChecked(true);
    QTest::keyClicks(child<QLineEdit>(d, "PasswordEdit"), "pw1");
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(read("Last", "SavePW"), "1");
    EXPECT_EQ(dialup::UnscramblePassword(read("Last", "Password")), "pw1");
    EXPECT_FALSE(TIniFile(ini()).SectionExists("RAS_ENTRY_Office")) << "no user, no user key";

    QTest::mouseClick(child<QPushButton>(d, "CancelButton"), Qt::LeftButton);
    typeUser(d, "ann");
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "") << "nothing stored for ann yet";
    QTest::keyClicks(child<QLineEdit>(d, "PasswordEdit"), "pw1");
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(dialup::UnscramblePassword(read("RAS_ENTRY_Office", "USER_ann")), "pw1");

    // Unticked: the last password goes, the one stored for the user stays.
    QTest::mouseClick(child<QPushButton>(d, "CancelButton"), Qt::LeftButton);
    child<QCheckBox>(d, "SavePWCheckBox")->setChecked(false);
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(read("Last", "Password"), "");
    EXPECT_EQ(read("Last", "SavePW"), "0");
    EXPECT_EQ(dialup::UnscramblePassword(read("RAS_ENTRY_Office", "USER_ann")), "pw1");
}

TEST_F(DialerTest, StoredUsersAndPasswordsFollowTheEntry) {
    ras.entries = {"Office", "Home"};
    writeIni(
        "[RAS_ENTRY_Office]\r\nDuration=5\r\nUSER_ann=" + dialup::ScramblePassword("annpw", 0) +
        "\r\nUSER_bo=" + dialup::ScramblePassword("bopw", 0) +
        "\r\nuser_low=" + dialup::ScramblePassword("x", 0) + "\r\n");
    TUplinkerForm* d = open();
    selectEntry(d, "Office");
    QStringList users;
    for (int i = 0; i < child<QComboBox>(d, "UserNameComboBox")->count(); ++i)
        users << child<QComboBox>(d, "UserNameComboBox")->itemText(i);
    EXPECT_EQ(users, (QStringList{"ann", "bo"})) << "USER_ only, in file order";
    EXPECT_EQ(child<QComboBox>(d, "UserNameComboBox")->currentText(), "ann");
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "annpw");
    typeUser(d, "bo");
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "bopw");
    typeUser(d, "cy");
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "")
        << "no stored password empties the field";

    // With AutoUN and AutoPW off nothing is recalled.
    forms->dialupConfiguration->setFlag(Flag::AutoUN, false);
    forms->dialupConfiguration->setFlag(Flag::AutoPW, false);
    QTest::keyClicks(child<QLineEdit>(d, "PasswordEdit"), "typed");
    selectEntry(d, "Home");
    selectEntry(d, "Office");
    EXPECT_EQ(child<QComboBox>(d, "UserNameComboBox")->currentText(), "cy");
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "typed");
}

// A user name with a blank is stored under a key with an underscore; listed back, the name
// carries the underscore and its password is not found under that spelling.
TEST_F(DialerTest, UserNameWithABlankComesBackWithAnUnderscore) {
    ras.entries = {"Office", "Home"};
    TUplinkerForm* d = open();
    selectEntry(d, "Office");
    typeUser(d, "ann lee");
    QTest::keyClicks(child<QLineEdit>(d, "PasswordEdit"), "pw");
    child<QCheckBox>(d, "SavePWCheckBox")->setChecked(true);
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(dialup::UnscramblePassword(read("RAS_ENTRY_Office", "USER_ann_lee")), "pw");
    QTest::mouseClick(child<QPushButton>(d, "CancelButton"), Qt::LeftButton);

    selectEntry(d, "Home");
    selectEntry(d, "Office");
    EXPECT_EQ(child<QComboBox>(d, "UserNameComboBox")->currentText(), "ann_lee");
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "");
}

// Passwords live under the trimmed entry name; times and restrictions under the name as it is.
TEST_F(DialerTest, EntryNameWithBlanksAroundIt) {
    ras.entries = {" Office "};
    ras.dialScript = {{8192}};
    TUplinkerForm* d = open();
    selectEntry(d, " Office ");
    typeUser(d, "ann");
    QTest::keyClicks(child<QLineEdit>(d, "PasswordEdit"), "pw");
    child<QCheckBox>(d, "SavePWCheckBox")->setChecked(true);
    // The send after connecting fails, so the window stays open and counts the time.
    d->sendAgain = [this] {
        clock.advanceTicks(7000);
        return false;
    };
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return look(d) == idle(); }));
    EXPECT_EQ(restrictions.section, "RAS_ENTRY__Office_");
    EXPECT_TRUE(TIniFile(ini()).ValueExists("RAS_ENTRY_Office", "USER_ann"));
    EXPECT_EQ(read("RAS_ENTRY__Office_", "DurationFor12"), "7");
    EXPECT_EQ(ras.callsOf(Op::Dial).at(0).args, (QStringList{" Office ", "ann", "pw"}));
}

TEST_F(DialerTest, DamagedStoredPasswordIsReportedAndTheWindowStaysUsable) {
    ras.entries = {"Office"};
    writeIni("[Last]\r\nEntryName=Office\r\nPassword=4556x\r\n"
             "[RAS_ENTRY_Office]\r\nUSER_ann=12\r\nUSER_bo=**\r\n");
    prompter.expectError("'4556x' is not a valid integer value");
    TUplinkerForm* d = open();
    prompter.verifyAllUsed();
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "");
    EXPECT_EQ(look(d), idle());
    EXPECT_EQ(restrictions.loads, 1) << "the rest of the start-up ran";

    prompter.expectError("'**' is not a valid integer value");
    typeUser(d, "bo");
    prompter.verifyAllUsed();
    EXPECT_EQ(child<QLineEdit>(d, "PasswordEdit")->text(), "");
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    EXPECT_EQ(ras.count(Op::Dial), 1);
}

TEST_F(DialerTest, UnwritableSettingsFileIsReportedAndTheDialStillHappens) {
    ras.entries = {"Office"};
    TUplinkerForm* d = open();
    std::filesystem::create_directory(ini()); // the system refuses every write
    const QString failure = QString::fromStdString("Unable to write to " + ini());
    prompter.expectError(failure);
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    prompter.verifyAllUsed();
    EXPECT_EQ(ras.count(Op::Dial), 1);
    EXPECT_EQ(look(d), dialing());

    // Closing still closes; the placement cannot be written either.
    prompter.expectError(failure).expectError(failure);
    d->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return forms->UplinkerForm.isNull(); }));
    prompter.verifyAllUsed();
    std::filesystem::remove(ini());
}

TEST_F(DialerTest, AutoConnectDialsAfterTheWindowHasAppeared) {
    ras.entries = {"Office"};
    writeIni("[Last]\r\nEntryName=Office\r\nAutoConnect=1\r\n");
    TUplinkerForm* d = open();
    EXPECT_EQ(ras.count(Op::Dial), 0) << "not while the window is being shown";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ras.count(Op::Dial) == 1; }));
    EXPECT_EQ(lines(d), (QStringList{"Dialing 'Office'"}))
        << "the list is emptied when the connect starts";
}

TEST_F(DialerTest, AboutBoxShowsItsPictureOnAltDoubleClick) {
    open();
    TAboutForm* about = forms->AboutForm;
    bool checked = false;
    whenModalOpens([&](QWidget* modal) {
        ASSERT_EQ(modal, about);
        EXPECT_EQ(about->windowTitle(), "About");
        EXPECT_TRUE(about->Label1->isVisible());
        EXPECT_FALSE(about->Image2->isVisible());
        QTest::mouseDClick(about->Image1, Qt::LeftButton);
        EXPECT_TRUE(about->ProgNameLabel->isVisible()) << "without Alt nothing happens";
        QTest::mouseDClick(about->Image1, Qt::LeftButton, Qt::AltModifier);
        EXPECT_FALSE(about->ProgNameLabel->isVisible());
        EXPECT_FALSE(about->Label4->isVisible());
        EXPECT_TRUE(about->Image2->isVisible());
        EXPECT_EQ(about->Image2->size(), QSize(75, 100));
        EXPECT_EQ(about->Image2->x(), (about->width() - 75) / 2);
        EXPECT_EQ(about->Image2->y(), about->Image1->y());
        checked = true;
        QTest::mouseClick(about->Button1, Qt::LeftButton);
    });
    forms->UplinkerForm->MnuAbout->trigger();
    EXPECT_TRUE(checked);
    // Shown again: the labels are back.
    whenModalOpens([&](QWidget*) {
        EXPECT_TRUE(about->Label2->isVisible());
        EXPECT_FALSE(about->Image2->isVisible());
        about->accept();
    });
    forms->UplinkerForm->MnuAbout->trigger();
}

} // namespace
