// The main window's frame: caption, start with bad files, closing, "Save && Exit", Help, F2,
// the maintenance windows, the activation step, the layout.

#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/keep_aside.h"
#include "dialup/about_form.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "sending/send_mail_window.h"
#include "sending/sent_items_window.h"
#include "ui/table_model.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <cstdio>

namespace {

const std::string kHeader = "contact_no^name^appointment_date^appointment_time^message^"
                            "days_before_appointment^recurring_days^Recurring^status^delivery^"
                            "batch^AllKey^\r\n";
const std::string kRow = "0123^Ann^24/12/2026^10:00:00^Hello^0^0^^False^False^0^Hello0123^\r\n";

class MainFrame : public WindowTest {
protected:
    TfrmMain* show() {
        if (!forms)
            startForms();
        forms->frmMain->show();
        forms->frmMain->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(forms->frmMain));
        forms->frmMain->FormActivate();
        return forms->frmMain;
    }
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
};

TEST_F(MainFrame, TheCaptionCarriesTheVersionAndTheWindowItsControls) {
    startForms();
    TfrmMain* main = forms->frmMain;
    // The test's program file has no version block.
    EXPECT_EQ(main->windowTitle(), "Tallyminder v. - Powered by www.tallyminder.example");
    EXPECT_EQ(find<QLabel>(main, "Label3")->text(), "Sender:");
    EXPECT_EQ(find<QGroupBox>(main, "gpbActions")->title(), " Actions");
    // The captions as shown; the underlined letter of each is its Alt key.
    const auto shown = [](QString caption) {
        return caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
            .remove(QLatin1Char('&'))
            .replace(QLatin1Char('\x01'), QLatin1Char('&'));
    };
    EXPECT_EQ(shown(find<QPushButton>(main, "bmbSaveAndExit")->text()), "Save & Exit");
    EXPECT_EQ(shown(find<QPushButton>(main, "BitBtn1")->text()), "Print ");
    EXPECT_TRUE(find<QPushButton>(main, "bmbOK")->isDefault());
    EXPECT_EQ(main->All1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(main->Selected1->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
    EXPECT_EQ(main->Deletecurrentrecord1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    EXPECT_EQ(child<QComboBox>(main, "cboGroup")->currentText(), "all");
    EXPECT_EQ(
        child<RecordGrid>(main, "dbgReminders")->model()->headerData(3, Qt::Horizontal).toString(),
        " Time   ");
    // Without a pending list the entry starts disabled until the first new entry.
    EXPECT_FALSE(child<QLineEdit>(main, "mskContactNo")->isEnabled());
    show();
    EXPECT_TRUE(child<QLineEdit>(main, "mskContactNo")->isEnabled());
    EXPECT_TRUE(main->isMaximized());
}

struct BadFile {
    const char* file;
    std::string bytes;
    std::string reason;
};

TEST_F(MainFrame, AFileThatStopsItsReadIsKeptAsideAndStartUpGoesOn) {
    const BadFile cases[] = {
        {"reminders.txt",
         kHeader + kRow + "0456^Bob^2003-01-31^10:00:00^Hi^0^0^^False^False^0^Hi0456^\r\n" + kRow,
         "'2003-01-31' is not a valid date"},
        {"groups.txt", "groupName\t\r\nvip\t\r\ngolf\textra\t\r\n", "List index out of bounds (1)"},
    };
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.file);
        folder.write(c.file, c.bytes);
        const std::string path = folder.file(c.file);
        prompter.expectError(QString::fromStdString(
            c.reason + "\n\nThe file " + path +
            " could not be read to its end. Its contents are kept unchanged in " + path +
            ".unreadable."));
        startForms();
        prompter.verifyAllUsed();
        EXPECT_EQ(folder.read(std::string(c.file) + ".unreadable"), c.bytes);
        // The rest of the start ran: the groups are there.
        EXPECT_GE(child<QComboBox>(forms->frmMain, "cboGroup")->findText("all"), 0);
        stopForms(); // writes the rows read so far; the copy keeps every byte
        EXPECT_EQ(folder.read(std::string(c.file) + ".unreadable"), c.bytes);
        std::remove(folder.file(c.file).c_str());
    }
    // A second bad start never overwrites the first copy.
    folder.write("reminders.txt", "contact_no^\r\na^b^\r\n");
    EXPECT_EQ(keepUnreadableFileAside(folder.file("reminders.txt")),
              folder.file("reminders.txt.unreadable-2"));
}

TEST_F(MainFrame, ClosingWritesTheListOrRemovesEmptyFiles) {
    folder.write("reminders.txt", kHeader);
    folder.write("groups.txt", "groupName\t\r\n\t\r\nall\t\r\n");
    startForms();
    forms->frmMain->dxGroup->Close();
    forms->frmMain->dxGroup->Open();
    stopForms();
    EXPECT_FALSE(folder.exists("reminders.txt"));
    EXPECT_FALSE(folder.exists("groups.txt"));

    // Without groups.txt, the system groups reach the file at the end.
    startForms();
    forms->frmMain->dxmReminders->AddRow({FieldValue{}, std::string("0123"), std::string("Ann"),
                                          dayNumber(2026, 12, 24), timeMs(10, 0),
                                          std::string("Hello"), 0, 0, std::string(), false, false,
                                          0.0, std::string("Hello0123")});
    stopForms();
    EXPECT_EQ(folder.read("reminders.txt"), kHeader + kRow);
    EXPECT_EQ(folder.read("groups.txt"), "groupName\t\r\nall\t\r\n\t\r\n");
}

TEST_F(MainFrame, SaveAndExitWritesTheListAndClosesTheWindow) {
    TfrmMain* main = show();
    main->dxmReminders->AddRow({FieldValue{}, std::string("0123"), std::string("Ann"),
                                dayNumber(2026, 12, 24), timeMs(10, 0), std::string("Hello"), 0, 0,
                                std::string(), false, false, 0.0, std::string("Hello0123")});
    QTest::mouseClick(child<QPushButton>(main, "bmbSaveAndExit"), Qt::LeftButton);
    EXPECT_EQ(folder.read("reminders.txt"), kHeader + kRow);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(folder.exists("dxContact.txt")); // the closing step writes the contact book
}

TEST_F(MainFrame, HelpOpensTheWorkingFoldersPageOrSaysItIsMissing) {
    TfrmMain* main = show();
    QUrl opened;
    main->openDocument = [&](const QUrl& url) {
        opened = url;
        return true;
    };
    prompter.expect(BoxKind::Error, QString()); // no page anywhere
    QTest::mouseClick(child<QPushButton>(main, "btnHelp"), Qt::LeftButton);
    EXPECT_TRUE(opened.isEmpty());
    QDir().mkpath(QString::fromStdString(folder.file("help")));
    folder.write("help/index.html", "<html></html>");
    QTest::mouseClick(child<QPushButton>(main, "btnHelp"), Qt::LeftButton);
    const QUrl page = QUrl::fromLocalFile(QString::fromStdString(folder.file("help/index.html")));
    EXPECT_EQ(opened, page);

    // F1 in another window, modal or not, opens the page at that window's section, which the
    // page has.
    const std::string help = QString::fromUtf8([] {
                                 QFile f(QStringLiteral(TEST_SOURCE_DIR "/../help/index.html"));
                                 return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
                             }())
                                 .toStdString();
    ASSERT_FALSE(help.empty());
    for (QWidget* w :
         std::initializer_list<QWidget*>{forms->frmContact, forms->frmSendMail, forms->AboutForm}) {
        opened.clear();
        whenModalOpens([&](QWidget* shown) {
            // A window's shortcut works once the window is the active one.
            EXPECT_TRUE(QTest::qWaitForWindowActive(shown));
            QCoreApplication::processEvents(); // the window's own showing steps
            QWidget* focus = shown->focusWidget();
            QTest::keyClick(focus ? focus : shown, Qt::Key_F1);
            shown->close();
        });
        qobject_cast<QDialog*>(w)->exec();
        QUrl section = page;
        section.setFragment(w->objectName());
        EXPECT_EQ(opened, section) << w->objectName().toStdString();
        EXPECT_NE(help.find("id=\"" + w->objectName().toStdString() + "\""), std::string::npos)
            << "the help has no section " << w->objectName().toStdString();
    }

    // No browser set up: a box names the file instead of nothing happening.
    main->openDocument = [](const QUrl&) { return false; };
    prompter.expect(BoxKind::Error,
                    QStringLiteral("No program to show the help page is set up on this computer. "
                                   "The help is the file %1: open it with a web browser.")
                        .arg(QString::fromStdString(folder.file("help/index.html"))));
    QTest::mouseClick(child<QPushButton>(main, "btnHelp"), Qt::LeftButton);
}

// Every picture the help page shows is a file beside it, in the sources and in the build that
// the package is made from.
TEST(HelpPage, EveryPictureItShowsShipsBesideIt) {
    for (const char* dir : {TEST_SOURCE_DIR "/../help", TEST_BINARY_DIR "/../help"}) {
        SCOPED_TRACE(dir);
        QFile f(QString::fromLatin1(dir) + QStringLiteral("/index.html"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(f.readAll());
        const QRegularExpression img(QStringLiteral("<img[^>]*\\bsrc=\"([^\"]+)\""));
        int pictures = 0;
        for (auto m = img.globalMatch(page); m.hasNext(); ++pictures) {
            const QString src = m.next().captured(1);
            EXPECT_TRUE(QFile::exists(QString::fromLatin1(dir) + QLatin1Char('/') + src))
                << src.toStdString();
        }
        EXPECT_GE(pictures, 1); // the main window, at least
    }
}

TEST_F(MainFrame, F2AndTheReturnFromAModalWindowPrepareAFreshEntry) {
    startForms();
    forms->frmMessage->dxmMessage->AddRow({FieldValue{}, std::string("Standard one")});
    TfrmMain* main = show();
    EXPECT_EQ(child<QComboBox>(main, "cboMessage")->count(), 1);

    child<QComboBox>(main, "cboAll")->setEditText("half typed");
    QTest::keyClick(main, Qt::Key_F2);
    EXPECT_EQ(child<QComboBox>(main, "cboAll")->currentText(), "");

    forms->frmMessage->dxmMessage->AddRow({FieldValue{}, std::string("Standard two")});
    child<QComboBox>(main, "cboAll")->setEditText("half typed");
    whenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    QTest::mouseClick(child<QToolButton>(main, "btnMessage"), Qt::LeftButton);
    settle();
    EXPECT_EQ(child<QComboBox>(main, "cboAll")->currentText(), "");
    EXPECT_EQ(child<QComboBox>(main, "cboMessage")->count(), 2); // reloaded
}

TEST_F(MainFrame, SortFirstColumnSortsOnlyWhenTheFileExistsAndShowsTheWindowModally) {
    TfrmMain* main = show();
    for (bool fileExists : {false, true}) {
        SCOPED_TRACE(fileExists);
        if (fileExists)
            folder.write("names.txt", "contact\tnumber\tgroup\tcontactKey\t\r\n");
        auto table = schemas::makeContacts();
        QDialog window;
        bool modal = false;
        whenModalOpens([&](QWidget* w) {
            modal = w == &window;
            window.reject();
        });
        main->sortFirstColumn(&window, *table, "names.txt", "contact");
        EXPECT_TRUE(modal);
        EXPECT_EQ(table->SortedField(), fileExists ? "contact" : "group");
    }
}

TEST_F(MainFrame, TheMaintenanceButtonsOpenTheirWindows) {
    folder.write("dxContact.txt",
                 "contact\tnumber\tgroup\tcontactKey\t\r\nZed\t0999\t\t0999\t\r\n");
    TfrmMain* main = show();
    struct Button {
        QAbstractButton* button;
        const char* window;
    };
    for (const Button& b : {Button{child<QPushButton>(main, "bmbSentItems"), "frmSentItems"},
                            Button{child<QToolButton>(main, "btnContact"), "frmContact"},
                            Button{child<QToolButton>(main, "btnMessage"), "frmMessage"}}) {
        QString opened;
        std::string contactsSort;
        whenModalOpens([&](QWidget* modal) {
            opened = modal->objectName();
            contactsSort = forms->frmContact->dxContact->SortedField();
            static_cast<QDialog*>(modal)->reject();
        });
        QTest::mouseClick(b.button, Qt::LeftButton);
        settle();
        EXPECT_EQ(opened, b.window);
        if (std::string(b.window) == "frmContact") {
            EXPECT_EQ(contactsSort, "contact");
            // Afterwards the contact book is what its file holds.
            EXPECT_EQ(forms->frmContact->dxContact->DelimitedText(), folder.read("dxContact.txt"));
        }
    }
}

// At each size every control lies whole inside the window: at 960 by 540 (a 1920 by 1080
// screen magnified twice) the bottom panel wraps its actions under the other boxes and the grid
// gives up room.
TEST_F(MainFrame, TheWindowIsTidyAtEachScreenSize) {
    std::string rows = kHeader;
    for (int i = 0; i < 12; ++i)
        rows += "0123" + std::to_string(i) + "^Client " + std::to_string(i) +
                "^24/12/2026^10:00:00^Your appointment is on 24/12/2026 at 10:00^1^0^Weekly^"
                "False^False^0^k^\r\n";
    folder.write("reminders.txt", rows);
    startForms();
    TfrmMain* main = forms->frmMain;
    show();
    const struct {
        int width, height;
        bool wrapped;
        int gridAtLeast;
    } sizes[] = {{1280, 800, false, 300},
                 {1024, 768, false, 300},
                 {960, 540, true, 100},
                 {1280, 800, false, 300}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        main->setWindowState(Qt::WindowNoState);
        main->resize(size.width, size.height);
        settle();
        ASSERT_EQ(main->size(), QSize(size.width, size.height)) << "the window does not fit";
        const QRect client = main->centralWidget()->rect();
        for (const char* name :
             {"pnlTop",     "dbgReminders",  "pnlBottom",        "GroupBox2",    "GroupBox3",
              "gpbActions", "cboGroup",      "cboAll",           "mskContactNo", "dtpDate",
              "dtpTime",    "sedDaysBefore", "sedRecurringDays", "cboRecurring", "cboMessage",
              "lblCount",   "chkStatus",     "chkDelivery",      "bmbOK",        "bmbDelete",
              "BitBtn1",    "bmbClearAll",   "bmbSaveAndExit",   "bmbSendMail",  "bmbSentItems",
              "btnHelp"}) {
            QWidget* w = find<QWidget>(main, name);
            ASSERT_TRUE(w);
            const QRect r(w->mapTo(main->centralWidget(), QPoint(0, 0)), w->size());
            EXPECT_TRUE(client.contains(r)) << name << " lies outside the window";
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << name << " is squeezed";
            EXPECT_GE(w->height(), w->minimumSizeHint().height()) << name << " is squeezed";
        }
        const QWidget* actions = find<QWidget>(main, "gpbActions");
        const QWidget* detail = find<QWidget>(main, "GroupBox3");
        EXPECT_EQ(actions->y() > detail->y(), size.wrapped) << "the actions' place";
        EXPECT_EQ(find<QWidget>(main, "pnlTop")->height(), 80);
        EXPECT_GT(child<RecordGrid>(main, "dbgReminders")->height(),
                  size.gridAtLeast); // the grid takes the room
    }
    if (qEnvironmentVariableIsSet("TALLYMINDER_SCREENSHOT"))
        main->grab().save(qEnvironmentVariable("TALLYMINDER_SCREENSHOT"));
}

} // namespace
