// The dialer as a window among the program's others: its access keys, where its option windows
// open, that it stays over the send window with the keyboard, and what it says when there is no
// connection manager to dial with.

#include "dialer_fixture.h"
#include "dialup/configure_window.h"
#include "dialup/nm_remote_access.h"
#include "dialup/no_dialup_service.h"
#include "dialup/time_restrictions_window.h"
#include "nm_mock.h"

#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

#include <memory>
#include <set>

namespace {

// The access key of a caption ("Ca&ncel" -> 'N'), or 0 when it has none.
QChar accessKey(const QString& caption) {
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toUpper();
        ++i; // "&&" is a plain ampersand
    }
    return QChar();
}

QStringList menuCaptions(QWidget* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            out << a->text();
    return out;
}

// Keys that reach a window or any of its controls.
class KeyCounter : public QObject {
public:
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride)
            ++presses;
        return false;
    }
};

// Typing as the platform delivers it: to a window, not to a chosen control.
void typeInto(QWindow* window, const char* text) {
    for (const char* c = text; *c; ++c)
        QTest::keyClick(window, *c);
}

class DialerWindow : public DialerTest {
protected:
    // The dialer over the given service, with the program's own option windows.
    TUplinkerForm* openOver(dialup::RemoteAccess* remote) {
        startForms();
        forms->setRemoteAccess(remote);
        emit forms->frmSendMail->dialerWanted();
        return forms->UplinkerForm;
    }
};

TEST_F(DialerWindow, EveryCaptionHasItsOwnAccessKey) {
    TUplinkerForm* d = open();
    ASSERT_NE(d, nullptr);
    // Keys pressed with Alt in the window: the menu bar's titles, the labels, the buttons (the
    // Cancel button also as "&Disconnect") and the check box. Inside an open menu: its items.
    QStringList window;
    for (QAction* a : d->MainMenu1->actions())
        window << a->text();
    window << d->Label2->text() << d->Label3->text() << d->Label4->text()
           << child<QCheckBox>(d, "SavePWCheckBox")->text()
           << child<QPushButton>(d, "ConnectButton")->text()
           << child<QPushButton>(d, "CancelButton")->text() << QStringLiteral("&Disconnect")
           << child<QPushButton>(d, "IPButton")->text();
    const struct {
        const char* scope;
        QStringList captions;
    } scopes[] = {
        {"window", window},
        {"File menu", menuCaptions(child<QMenu>(d, "File1"))},
        {"Options menu", menuCaptions(child<QMenu>(d, "MnuOptions"))},
    };
    for (const auto& s : scopes) {
        SCOPED_TRACE(s.scope);
        std::set<QChar> seen;
        for (const QString& caption : s.captions) {
            const QChar key = accessKey(caption);
            EXPECT_FALSE(key.isNull()) << caption.toStdString() << " has no access key";
            EXPECT_TRUE(seen.insert(key).second)
                << caption.toStdString() << " repeats Alt+" << QString(key).toStdString();
        }
    }
    EXPECT_EQ(menuCaptions(child<QMenu>(d, "File1")).size(), 8);
    EXPECT_EQ(menuCaptions(child<QMenu>(d, "MnuOptions")).size(), 2);
}

// Alt+C must connect at the first press: a second owner of the key would only share it out.
TEST_F(DialerWindow, AltCConnectsAtOnce) {
    ras.entries = {"Office"};
    ras.playMode = ScriptedRemoteAccess::Play::Manually;
    ras.dialScript = {{0}};
    writeIni("[Last]\r\nEntryName=Office\r\n");
    TUplinkerForm* d = open();
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    child<QListWidget>(d, "InfoListBox")->clear();
    QTest::keyClick(d, Qt::Key_C, Qt::AltModifier);
    // A button's access key clicks it the way a mouse does, pressed and then released.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lines(d).isEmpty(); }, 2000));
    EXPECT_EQ(lines(d), (QStringList{"Dialing 'Office'"}));
    EXPECT_EQ(look(d), dialing());
}

TEST_F(DialerWindow, StaysOverTheSendWindowAndTakesTheKeys) {
    ras.entries = {"Office"};
    startForms();
    QWidget* send = forms->frmSendMail;
    // The send window is on screen when its send finds the machine offline.
    send->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(send));
    TUplinkerForm* d = open();
    ASSERT_NE(d, nullptr);
    ASSERT_NE(d->windowHandle(), nullptr);
    EXPECT_EQ(d->windowHandle()->transientParent(), send->window()->windowHandle());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == d->windowHandle(); }));
    EXPECT_EQ(QApplication::activeWindow(), d);

    // Keys typed while the dialer is open, even ones aimed at the send window, never reach it.
    KeyCounter counter;
    send->installEventFilter(&counter);
    for (QWidget* w : send->findChildren<QWidget*>())
        if (w->window() == send)
            w->installEventFilter(&counter);
    typeInto(send->windowHandle(), "ann");
    QTest::keyClick(send->windowHandle(), Qt::Key_Return);
    typeInto(QGuiApplication::focusWindow(), "bob");
    EXPECT_EQ(counter.presses, 0);
    EXPECT_EQ(QGuiApplication::focusWindow(), d->windowHandle());
    EXPECT_TRUE(prompter.shown.isEmpty()) << "Return pressed Send";

    // Closed, the send window has the keyboard again.
    d->close();
    typeInto(send->windowHandle(), "x");
    EXPECT_GT(counter.presses, 0);
}

TEST_F(DialerWindow, OptionWindowsOpenCentredOnTheDialer) {
    ras.entries = {"Office"};
    TUplinkerForm* d = openOver(&ras);
    ASSERT_NE(d, nullptr);
    // Both windows were last somewhere else entirely.
    writeIni(
        "[Windows]\r\nConfigureAutoForm=5, 5, 300, 400, 0\r\nTimeAutoForm=5, 5, 300, 400, 0\r\n");
    // Somewhere the option windows fit around it on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    d->resize(420, 360);
    d->move(screen.center() - QPoint(180, 150));
    const QPoint centre = d->geometry().center();
    const struct {
        const char* name;
        QAction* item;
        QDialog* window;
    } cases[] = {
        {"Configure", child<QAction>(d, "MnuConfigure"), forms->ConfigureAutoForm},
        {"Time Restrictions", child<QAction>(d, "TimeRestrictions1"), forms->TimeAutoForm},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QRect seen;
        whenModalOpens([&](QWidget*) {
            seen = c.window->geometry();
            c.window->reject();
        });
        c.item->trigger();
        ASSERT_TRUE(seen.isValid());
        EXPECT_LE((seen.center() - centre).manhattanLength(), 2)
            << seen.x() << "," << seen.y() << " " << seen.width() << "x" << seen.height();
    }
}

// Without a connection manager the dialer says once, in words the user can act on, what is
// wrong; pressing Connect does not repeat it, line after line.
TEST_F(DialerWindow, WithoutAConnectionManagerItSaysSoOnce) {
    const QString kText = QStringLiteral(
        "No network connection manager is running on this computer. Check the cable or Wi-Fi, "
        "then press Send again.");
    NmMockBus bus(NmMockBus::BusOnly); // a system bus with no NetworkManager on it
    ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
    dialup::NetworkManagerAccess networkManager;
    dialup::NoDialupService none;
    const struct {
        const char* name;
        dialup::RemoteAccess* remote;
    } cases[] = {{"NetworkManager not running", &networkManager},
                 {"no dial-up service at all", &none}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeIni("[Last]\r\nEntryName=Office\r\n");
        TUplinkerForm* d = openOver(c.remote);
        ASSERT_NE(d, nullptr);
        d->resize(300, 360);
        QCoreApplication::processEvents();
        EXPECT_TRUE(child<QLabel>(d, "NoServiceLabel")->isVisible());
        EXPECT_EQ(child<QLabel>(d, "NoServiceLabel")->text(), kText);
        EXPECT_TRUE(child<QLabel>(d, "NoServiceLabel")->wordWrap());
        EXPECT_LE(child<QLabel>(d, "NoServiceLabel")->geometry().right(), d->width());
        EXPECT_TRUE(lines(d).isEmpty()) << lines(d).join(" | ").toStdString();

        QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
        EXPECT_EQ(child<QLabel>(d, "NoServiceLabel")->text(), kText);
        EXPECT_TRUE(lines(d).isEmpty()) << lines(d).join(" | ").toStdString();
        EXPECT_EQ(look(d), idle());
        stopForms();
    }
}

// A service that is there but fails keeps its own lines, and no such message appears.
TEST_F(DialerWindow, AServiceThatAnswersWithAnErrorIsNotCalledMissing) {
    ras.entries = {"Office"};
    ras.texts[678] = "The remote computer did not respond";
    ras.dialScript = {{8193, 678}};
    writeIni("[Last]\r\nEntryName=Office\r\n");
    TUplinkerForm* d = open();
    ASSERT_NE(d, nullptr);
    QTest::mouseClick(child<QPushButton>(d, "ConnectButton"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return look(d) == idle(); }));
    EXPECT_TRUE(child<QLabel>(d, "NoServiceLabel")->isHidden());
    EXPECT_TRUE(lines(d).contains("The remote computer did not respond"))
        << lines(d).join(" | ").toStdString();
}

} // namespace
