// The configuration window: its edit-and-cancel behaviour, the accessors the dialer uses, the
// start of the programs after connecting and the boxes of a failing start.

#include "dialup/configure_window.h"

#include "core/dialup/dialup_settings.h"
#include "harness/window_test.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using ConfigureWindow = WindowTest;
using Flag = dialup::DialupConfiguration::Flag;
using Text = dialup::DialupConfiguration::Text;

const QString kQuit = QStringLiteral("Quit without saving ?");

QString launchBox(const char* message, const QString& command) {
    return QString::fromLatin1(message) + QStringLiteral("\ntrying to execute '") + command +
           QStringLiteral("'");
}

TEST_F(ConfigureWindow, ShowsTheProgramsTextsAndStartsWithTheDesktopDefaults) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Uplinker - Configuration"));
    EXPECT_EQ(find<QCheckBox>(w, "AutoConnectCheckBox")->text(),
              QStringLiteral("Auto Connect on startup"));
    EXPECT_EQ(find<QGroupBox>(w, "GroupBox2")->title(), QStringLiteral("Internet Mail Reader"));
    EXPECT_EQ(find<QLabel>(w, "Label4")->buddy(), find<QLineEdit>(w, "MailExeEdit"));
    EXPECT_EQ(find<QLabel>(w, "Label5")->buddy(), find<QLineEdit>(w, "NewsDirEdit"));
    EXPECT_EQ(child<QLineEdit>(w, "MailExeEdit")->parentWidget(), child<QGroupBox>(w, "GroupBox2"));
    EXPECT_TRUE(child<QPushButton>(w, "OkButton")->isDefault());
    EXPECT_EQ(w->text(Text::BrowserExe), QString::fromLatin1(dialup::kDefaultBrowserExe));
    EXPECT_EQ(w->text(Text::MailExe), QString::fromLatin1(dialup::kDefaultMailExe));
    EXPECT_EQ(w->text(Text::NewsExe), QString::fromLatin1(dialup::kDefaultNewsExe));
    // The dialer reaches the window through its configuration interface.
    EXPECT_EQ(forms->dialupConfiguration, w);
}

TEST_F(ConfigureWindow, EditGettersAreTrimmedAndTheRunCommandsAreNot) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    w->setText(Text::NewsExe, QStringLiteral("  tallyminder-no-such-reader  "));
    w->setText(Text::NewsDir,
               QStringLiteral(" ") + QString::fromStdString(folder.path()) + QStringLiteral(" "));
    EXPECT_EQ(w->text(Text::NewsExe), QStringLiteral("tallyminder-no-such-reader"));
    EXPECT_EQ(w->text(Text::NewsDir), QString::fromStdString(folder.path()));
    // The folder with its blanks does not exist.
    prompter.expect(BoxKind::Warning,
                    launchBox("The specified path was not found.",
                              QStringLiteral("  tallyminder-no-such-reader  ")),
                    BoxButton::Ok, QStringLiteral("Warning"));
    w->RunNewsReader();
    EXPECT_EQ(prompter.beeps, 1);
}

TEST_F(ConfigureWindow, FailingStartsBeepAndSayWhyWithTheWholeCommand) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    const QString here = QString::fromStdString(folder.path());
    struct Case {
        QString command;
        QString directory;
        const char* message;
    };
    const Case cases[] = {
        {QStringLiteral("tallyminder-no-such-program readme.txt"), here,
         "The specified file was not found."},
        {QString(), here, "The specified file was not found."},
        {QStringLiteral("\"/bin/sh\" -c 'touch x'"), here + QStringLiteral("/gone"),
         "The specified path was not found."},
    };
    for (const Case& c : cases)
        prompter.expect(BoxKind::Warning, launchBox(c.message, c.command), BoxButton::Ok,
                        QStringLiteral("Warning"));
    for (const Case& c : cases)
        w->LaunchCommand(c.command, c.directory);
    EXPECT_EQ(prompter.beeps, 3);
    EXPECT_FALSE(folder.exists("gone/x"));
}

TEST_F(ConfigureWindow, AutoRunStartsMailThenNewsThenBrowserEachWhenTicked) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    w->setText(Text::BrowserExe, QStringLiteral("tallyminder-browser"));
    w->setText(Text::MailExe, QStringLiteral("tallyminder-mail"));
    w->setText(Text::NewsExe, QStringLiteral("tallyminder-news"));
    w->setFlag(Flag::AutoExecuteBrowser, true);
    w->setFlag(Flag::AutoExecuteMail, true);
    w->setFlag(Flag::AutoExecuteNews, true);
    for (const char* name : {"tallyminder-mail", "tallyminder-news", "tallyminder-browser"})
        prompter.expect(BoxKind::Warning,
                        launchBox("The specified file was not found.", QLatin1String(name)));
    w->AutoRunAfterConnect();
    prompter.verifyAllUsed();

    w->setFlag(Flag::AutoExecuteMail, false);
    w->setFlag(Flag::AutoExecuteBrowser, false);
    prompter.expect(BoxKind::Warning, launchBox("The specified file was not found.",
                                                QStringLiteral("tallyminder-news")));
    w->AutoRunAfterConnect();
    EXPECT_EQ(prompter.shown.size(), 4);
}

TEST_F(ConfigureWindow, AutoRunReallyStartsTheTickedProgramInItsFolder) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    std::filesystem::create_directory(folder.file("mailwork"));
    const std::string script = folder.file("mail reader.sh");
    folder.write("mail reader.sh", "#!/bin/sh\npwd > \"$0.tmp\"; echo \"$1\" >> \"$0.tmp\"; "
                                   "mv \"$0.tmp\" \"$0.out\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    w->setText(Text::MailExe, QStringLiteral("\"") + QString::fromStdString(script) +
                                  QStringLiteral("\" mailto:pat@example.com"));
    w->setText(Text::MailDir, QString::fromStdString(folder.file("mailwork")));
    w->setFlag(Flag::AutoExecuteMail, true);
    w->AutoRunAfterConnect();
    EXPECT_TRUE(QTest::qWaitFor([&] { return folder.exists("mail reader.sh.out"); }, 10000));
    EXPECT_EQ(folder.read("mail reader.sh.out"),
              folder.file("mailwork") + "\nmailto:pat@example.com\n");
    EXPECT_TRUE(prompter.shown.isEmpty());
}

// Cancel, Esc and the close box all ask before closing; OK does not.
TEST_F(ConfigureWindow, CloseWithoutOkAsksAndNoKeepsTheChangeYesPutsTheOldValuesBack) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    w->setText(Text::MailExe, QStringLiteral("old mail"));
    w->setFlag(Flag::MonthlyDuration, true);
    const std::function<void(TConfigureAutoForm*)> closers[] = {
        [](TConfigureAutoForm* f) { QTest::mouseClick(f->CancelButton, Qt::LeftButton); },
        [](TConfigureAutoForm* f) { QTest::keyClick(f, Qt::Key_Escape); },
        [](TConfigureAutoForm* f) { f->close(); },
    };
    for (const auto& closeIt : closers) {
        prompter.expect(BoxKind::Confirmation, kQuit, BoxButton::No, QStringLiteral("Warning"));
        prompter.expect(BoxKind::Confirmation, kQuit, BoxButton::Yes, QStringLiteral("Warning"));
        bool keptOpen = false;
        QString shownAfterNo;
        whenModalOpens([&](QWidget*) {
            child<QLineEdit>(w, "MailExeEdit")->setText(QStringLiteral("new mail"));
            child<QCheckBox>(w, "MonthlyDurationCheckBox")->setChecked(false);
            closeIt(w);
            keptOpen = w->isVisible();
            shownAfterNo = child<QLineEdit>(w, "MailExeEdit")->text();
            closeIt(w);
        });
        w->Execute();
        EXPECT_TRUE(keptOpen);
        EXPECT_EQ(shownAfterNo, QStringLiteral("new mail"));
        EXPECT_EQ(w->text(Text::MailExe), QStringLiteral("old mail"));
        EXPECT_TRUE(w->flag(Flag::MonthlyDuration));
        prompter.verifyAllUsed();
    }
    ASSERT_EQ(prompter.shown.size(), 6);
    EXPECT_EQ(prompter.shown[0].defaultButton, BoxButton::No);
}

// Closed without a change (or with a change taken back), nothing is asked.
TEST_F(ConfigureWindow, CloseWithoutAChangeAsksNothing) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    w->setText(Text::MailExe, QStringLiteral("old mail"));
    bool closed = false;
    whenModalOpens([&](QWidget*) {
        child<QLineEdit>(w, "MailExeEdit")->setText(QStringLiteral("new mail"));
        child<QLineEdit>(w, "MailExeEdit")->setText(QStringLiteral("old mail"));
        QTest::keyClick(w, Qt::Key_Escape);
        closed = !w->isVisible();
    });
    w->Execute();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(w->text(Text::MailExe), QStringLiteral("old mail"));
}

TEST_F(ConfigureWindow, OkKeepsEveryValueWithoutAsking) {
    TConfigureAutoForm* w = startForms().ConfigureAutoForm;
    whenModalOpens([&](QWidget*) {
        child<QCheckBox>(w, "AutoPasswordCheckBox")->setChecked(true);
        child<QCheckBox>(w, "AutoExecuteNewsCheckBox")->setChecked(true);
        child<QLineEdit>(w, "BrowserDirEdit")->setText(QStringLiteral("/srv/web"));
        QTest::mouseClick(child<QPushButton>(w, "OkButton"), Qt::LeftButton);
    });
    w->Execute();
    EXPECT_TRUE(w->flag(Flag::AutoPW));
    EXPECT_TRUE(w->flag(Flag::AutoExecuteNews));
    EXPECT_FALSE(w->flag(Flag::AutoExecuteBrowser));
    EXPECT_EQ(w->text(Text::BrowserDir), QStringLiteral("/srv/web"));
}

} // namespace
