// The send window's settings: first start, mail.txt variants, the bound edits, Reply-To,
// Close and Esc, and the authentication dialog.

#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "sending/auth_window.h"
#include "sending/send_mail_window.h"
#include "ui/password_keeper.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include <filesystem>

namespace {

using SendSettings = WindowTest;

const std::string kHeader =
    "FromAddress\tFromName\tToBlindCarbonCopy\tMailServer\tToAddress\tReplyTo\tStartTime\t"
    "IncMins\tUserName\t\r\n";

TEST_F(SendSettings, FirstStartWritesTheDefaultsAndHandsThemToTheMainWindow) {
    startForms();
    ASSERT_TRUE(folder.exists("mail.txt"));
    EXPECT_EQ(folder.read("mail.txt"),
              kHeader + "pat.sample@example.com\tPat Sample\t\tmail.example.net\t\t\t00:00:00\t0"
                        "\t\t\r\n");
    // The examples stand in grey in empty boxes, not as values; the main window says the sender
    // is not set up.
    TfrmSendMail* send = forms->frmSendMail;
    const struct {
        QLineEdit* edit;
        const char* example;
    } boxes[] = {{child<QLineEdit>(send, "dbeFromName"), "Pat Sample"},
                 {child<QLineEdit>(send, "dbeFromAddress"), "pat.sample@example.com"},
                 {child<QLineEdit>(send, "dbeMailServer"), "mail.example.net"}};
    for (const auto& b : boxes) {
        EXPECT_EQ(b.edit->text(), QString()) << b.example;
        EXPECT_EQ(b.edit->placeholderText(), QString::fromLatin1(b.example));
    }
    EXPECT_FALSE(child<QGroupBox>(send, "gpbTo")->isVisibleTo(send));
    ASSERT_NE(forms->frmMain->ClientName, nullptr);
    EXPECT_EQ(forms->frmMain->ClientName->text(), QStringLiteral("not set up"));
    ASSERT_NE(forms->frmMain->dtpTime, nullptr);
    EXPECT_EQ(forms->frmMain->dtpTime->time(), QTime(0, 0));
    EXPECT_EQ(forms->frmMain->incMins, 0);
}

} // namespace

namespace {

TEST_F(SendSettings, ReadsMailFilesByTheTableFileRulesAndKeepsAnUnreadableOneAside) {
    struct Case {
        const char* what;
        std::string file;
        QString name, server, error;
    };
    const Case cases[] = {
        {"extra column ignored",
         "FromAddress\tFromName\tShoeSize\tMailServer\t\r\na@x.example\tJo\t42\tsmtp.x."
         "example\t\r\n",
         "Jo", "smtp.x.example", ""},
        {"missing column left empty", "FromName\tMailServer\t\r\nJo\tsmtp.x.example\t\r\n", "Jo",
         "smtp.x.example", ""},
        {"unreadable value: defaults, bytes kept",
         kHeader + "a@x.example\tJo\t\tsmtp.x.example\t\t\tlate\t0\t\t\r\n", "", "", "*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.write("mail.txt", c.file);
        if (!c.error.isEmpty())
            prompter.expect(BoxKind::Error, QString());
        startForms();
        prompter.verifyAllUsed();
        EXPECT_EQ(forms->frmSendMail->dbeFromName->text(), c.name);
        EXPECT_EQ(forms->frmSendMail->dbeMailServer->text(), c.server);
        if (!c.error.isEmpty()) {
            EXPECT_EQ(folder.read("mail.txt.unreadable"), c.file);
            std::filesystem::remove(folder.file("mail.txt.unreadable"));
        }
        stopForms();
        // Written back in the schema's own columns.
        EXPECT_EQ(folder.read("mail.txt").substr(0, kHeader.size()), kHeader);
    }
}

// Typed values reach mail.txt at exit; the name key copies the address of that moment.
TEST_F(SendSettings, TypedValuesAreSavedAndTheNameKeyCopiesTheAddressIntoReplyTo) {
    startForms();
    TfrmSendMail* send = forms->frmSendMail;
    send->show();
    child<QLineEdit>(send, "dbeFromAddress")->selectAll();
    QTest::keyClicks(child<QLineEdit>(send, "dbeFromAddress"), "jo@x.example");
    EXPECT_EQ(child<QLineEdit>(send, "dbeReply")->text(), QString());
    child<QLineEdit>(send, "dbeFromName")->selectAll();
    QTest::keyClicks(child<QLineEdit>(send, "dbeFromName"), "Jo");
    EXPECT_EQ(child<QLineEdit>(send, "dbeReply")->text(), QStringLiteral("jo@x.example"));
    // The address changes later without the name being touched: Reply-To stays.
    child<QLineEdit>(send, "dbeFromAddress")->selectAll();
    QTest::keyClicks(child<QLineEdit>(send, "dbeFromAddress"), "jo@y.example");
    EXPECT_EQ(child<QLineEdit>(send, "dbeReply")->text(), QStringLiteral("jo@x.example"));
    send->DBEStartTime->selectAll();
    QTest::keyClicks(send->DBEStartTime, "08:30");
    send->DBEIncMins->selectAll();
    QTest::keyClicks(send->DBEIncMins, "15");
    const std::string typed =
        kHeader + "jo@y.example\tJo\t\tmail.example.net\t\tjo@x.example\t08:30:00\t15\t\t\r\n";
    // Closing the window stores them at once, before the program ends.
    QTest::mouseClick(child<QPushButton>(send, "bmbCancel"), Qt::LeftButton);
    EXPECT_EQ(folder.read("mail.txt"), typed);
    stopForms();
    EXPECT_EQ(folder.read("mail.txt"), typed);
}

// Esc and Close both hand the name field's text to the main window's sender label.
TEST_F(SendSettings, CloseAndEscUpdateTheSenderLabel) {
    startForms();
    TfrmSendMail* send = forms->frmSendMail;
    QLabel* label = forms->frmMain->ClientName;
    ASSERT_NE(label, nullptr);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_unknown}) {
        label->setText(QStringLiteral("stale"));
        whenModalOpens([&](QWidget*) {
            if (key == Qt::Key_Escape)
                QTest::keyClick(send, Qt::Key_Escape);
            else
                QTest::mouseClick(child<QPushButton>(send, "bmbCancel"), Qt::LeftButton);
        });
        EXPECT_EQ(send->exec(), QDialog::Rejected);
        EXPECT_EQ(label->text(), QStringLiteral("not set up"));
    }
}

// Ticking opens the dialog; OK stores the user (settings) and the password (memory only);
// the frame's close keeps LOGIN; unticking keeps the stored user but stops authenticating.
TEST_F(SendSettings, AuthenticationKeepsThePasswordInMemoryOnly) {
    startForms();
    TfrmSendMail* send = forms->frmSendMail;
    TfrmAuth* auth = forms->frmAuth;
    send->show();
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    EXPECT_TRUE(auth->isVisible());
    EXPECT_EQ(send->smtp.AuthenticationType, TIdSMTPAuthenticationType::atLogin);
    auth->close(); // the window frame: nothing stored
    EXPECT_EQ(send->smtp.AuthenticationType, TIdSMTPAuthenticationType::atLogin);
    EXPECT_EQ(send->smtp.UserId, "");

    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton); // off
    EXPECT_EQ(send->smtp.AuthenticationType, TIdSMTPAuthenticationType::atNone);
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton); // on again
    QTest::keyClicks(child<QLineEdit>(auth, "edtUserName"), "jo");
    QTest::keyClicks(child<QLineEdit>(auth, "edtPassword"), "s3cret");
    EXPECT_EQ(child<QLineEdit>(auth, "edtPassword")->echoMode(), QLineEdit::Password);
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    EXPECT_FALSE(auth->isVisible());
    EXPECT_EQ(send->smtp.UserId, "jo");
    EXPECT_EQ(send->smtp.Password, "s3cret");

    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"),
                      Qt::LeftButton); // off: the user stays, unused
    EXPECT_EQ(send->smtp.AuthenticationType, TIdSMTPAuthenticationType::atNone);
    EXPECT_EQ(send->smtp.UserId, "jo");
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    EXPECT_TRUE(child<QLineEdit>(auth, "edtPassword")->text().isEmpty());
    EXPECT_EQ(child<QLineEdit>(auth, "edtUserName")->text(), QStringLiteral("jo"));
    auth->close();
    stopForms();
    const std::string mail = folder.read("mail.txt");
    EXPECT_NE(mail.find("\tjo\t\r\n"), std::string::npos) << mail;
    EXPECT_EQ(mail.find("s3cret"), std::string::npos);
}

// "Remember" keeps the password in the keyring under the login and the server, never in
// mail.txt; the next time the box shows it ticked, and OK with the password box left empty
// uses the kept one. Unticking "Remember" forgets it.
TEST_F(SendSettings, RememberKeepsTheSendingPasswordInTheKeyringOnly) {
    MemoryPasswordKeeper keyring;
    startForms();
    forms->setPasswordKeeper(&keyring);
    TfrmSendMail* send = forms->frmSendMail;
    TfrmAuth* auth = forms->frmAuth;
    send->show();
    child<QLineEdit>(send, "dbeMailServer")->clear();
    QTest::keyClicks(child<QLineEdit>(send, "dbeMailServer"), "smtp.example.org:587");
    const QString login = QStringLiteral("smtp:jo@smtp.example.org:587");

    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    ASSERT_TRUE(auth->isVisible());
    EXPECT_FALSE(child<QCheckBox>(auth, "chkRemember")->isChecked());
    QTest::keyClicks(child<QLineEdit>(auth, "edtUserName"), "jo");
    QTest::keyClicks(child<QLineEdit>(auth, "edtPassword"), "s3cret");
    child<QCheckBox>(auth, "chkRemember")->click();
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    EXPECT_EQ(send->smtp.Password, "s3cret");
    EXPECT_EQ(keyring.find(login), QStringLiteral("s3cret"));

    // Next time: nothing to type.
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton); // off
    send->smtp.Password.clear();
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    ASSERT_TRUE(auth->isVisible());
    EXPECT_TRUE(child<QCheckBox>(auth, "chkRemember")->isChecked());
    EXPECT_TRUE(child<QLineEdit>(auth, "edtPassword")->text().isEmpty());
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    EXPECT_EQ(send->smtp.Password, "s3cret");

    // A new password typed replaces the kept one.
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(auth, "edtPassword"), "n3w");
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    EXPECT_EQ(send->smtp.Password, "n3w");
    EXPECT_EQ(keyring.find(login), QStringLiteral("n3w"));

    // Unticked: used this once and forgotten.
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    child<QCheckBox>(auth, "chkRemember")->click();
    EXPECT_FALSE(child<QCheckBox>(auth, "chkRemember")->isChecked());
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    EXPECT_EQ(send->smtp.Password, "n3w");
    EXPECT_EQ(keyring.find(login), std::nullopt);
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    EXPECT_FALSE(child<QCheckBox>(auth, "chkRemember")->isChecked());
    auth->close();

    stopForms();
    const std::string mail = folder.read("mail.txt");
    EXPECT_NE(mail.find("\tjo\t\r\n"), std::string::npos) << mail;
    EXPECT_EQ(mail.find("s3cret"), std::string::npos);
    EXPECT_EQ(mail.find("n3w"), std::string::npos);
}

// Without "Remember" nothing reaches the keyring, and a password kept for another server is
// not offered for this one.
TEST_F(SendSettings, WithoutRememberThePasswordStaysInMemory) {
    MemoryPasswordKeeper keyring;
    keyring.keep(QStringLiteral("smtp:jo@other.example.org"), QStringLiteral("elsewhere"));
    startForms();
    forms->setPasswordKeeper(&keyring);
    TfrmSendMail* send = forms->frmSendMail;
    TfrmAuth* auth = forms->frmAuth;
    send->show();
    child<QLineEdit>(send, "dbeMailServer")->clear();
    QTest::keyClicks(child<QLineEdit>(send, "dbeMailServer"), "smtp.example.org");
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(auth, "edtUserName"), "jo");
    EXPECT_FALSE(child<QCheckBox>(auth, "chkRemember")->isChecked());
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    EXPECT_EQ(send->smtp.Password, "");
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(auth, "edtPassword"), "s3cret");
    QTest::mouseClick(child<QPushButton>(auth, "bmbOK"), Qt::LeftButton);
    EXPECT_EQ(send->smtp.Password, "s3cret");
    EXPECT_EQ(keyring.find(QStringLiteral("smtp:jo@smtp.example.org")), std::nullopt);
    EXPECT_EQ(keyring.find(QStringLiteral("smtp:jo@other.example.org")),
              QStringLiteral("elsewhere"));
    stopForms();
}

// A mail.txt that carries a password column (written by hand or by another program) loses it
// at the next save; the user name stays.
TEST_F(SendSettings, APasswordColumnInMailTxtIsDroppedAtTheNextSave) {
    folder.write("mail.txt", "FromAddress\tFromName\tMailServer\tUserName\tPassword\t\r\n"
                             "jo@example.org\tJo\tsmtp.example.org\tjo\thunter2\t\r\n");
    startForms();
    EXPECT_EQ(forms->frmSendMail->dbeMailServer->text(), QStringLiteral("smtp.example.org"));
    stopForms();
    const std::string mail = folder.read("mail.txt");
    EXPECT_EQ(mail.find("hunter2"), std::string::npos) << mail;
    EXPECT_EQ(mail.find("Password"), std::string::npos) << mail;
    EXPECT_NE(mail.find("\tjo\t\r\n"), std::string::npos) << mail;
}

// Esc (and Cancel) in the Authentication box: no authentication after all, the tick goes.
TEST_F(SendSettings, EscInTheAuthenticationBoxUnticksTheBox) {
    startForms();
    TfrmSendMail* send = forms->frmSendMail;
    TfrmAuth* auth = forms->frmAuth;
    send->show();
    for (const char* how : {"Esc", "Cancel"}) {
        SCOPED_TRACE(how);
        QTest::mouseClick(child<QCheckBox>(send, "chkAuth"), Qt::LeftButton);
        ASSERT_TRUE(auth->isVisible());
        if (std::string(how) == "Esc")
            QTest::keyClick(child<QLineEdit>(auth, "edtUserName"), Qt::Key_Escape);
        else
            QTest::mouseClick(child<QPushButton>(auth, "bmbCancel"), Qt::LeftButton);
        EXPECT_FALSE(auth->isVisible());
        EXPECT_FALSE(child<QCheckBox>(send, "chkAuth")->isChecked());
        EXPECT_EQ(send->smtp.AuthenticationType, TIdSMTPAuthenticationType::atNone);
    }
}

} // namespace
