// The windows the user sizes keep their size and place across restarts, in width.ini, and never
// open out of reach when the screen is smaller than when they were kept.

#include "contacts/contacts_window.h"
#include "contacts/messages_window.h"
#include "harness/window_test.h"
#include "sending/sent_items_window.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

TEST(OntoNearestScreen, PullsAPlaceWhollyOntoTheScreenItOverlapsMostAndShrinksItToFit) {
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const struct {
        const char* what;
        QRect saved, expected;
    } cases[] = {
        {"inside stays", QRect(100, 80, 640, 480), QRect(100, 80, 640, 480)},
        {"on the second screen stays", QRect(2000, 100, 600, 400), QRect(2000, 100, 600, 400)},
        {"off the right edge comes back", QRect(3000, 100, 600, 400), QRect(2600, 100, 600, 400)},
        {"above the top comes down", QRect(100, -300, 600, 400), QRect(100, 0, 600, 400)},
        {"on no screen goes to the nearest", QRect(-5000, -5000, 600, 400), QRect(0, 0, 600, 400)},
        {"half off the first screen comes on", QRect(1500, 900, 600, 400),
         QRect(1320, 680, 600, 400)},
        {"larger than the screen shrinks", QRect(0, 0, 2500, 1500), QRect(0, 0, 1920, 1080)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ontoNearestScreen(c.saved, screens), c.expected) << c.what;
}

class Placement : public WindowTest {
protected:
    // Opens a window modally, lets fn act on it, then closes it.
    static void openAndClose(QDialog* window, const std::function<void()>& fn) {
        whenModalOpens([&](QWidget*) {
            fn();
            window->reject();
        });
        window->exec();
    }
};

TEST_F(Placement, DialogsKeepTheirSizeAndPlaceAcrossRestarts) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect wanted(area.left() + 30, area.top() + 20, 520, 360);
    const auto windows = [this] {
        return std::vector<QDialog*>{forms->frmContact, forms->frmMessage, forms->frmSentItems};
    };
    startForms();
    for (QDialog* w : windows())
        openAndClose(w, [&] { w->setGeometry(wanted); });
    stopForms();
    EXPECT_NE(folder.read("width.ini").find("[frmContact]"), std::string::npos);
    startForms();
    for (QDialog* w : windows()) {
        QRect shown;
        openAndClose(w, [&] { shown = w->geometry(); });
        EXPECT_EQ(shown, wanted) << w->objectName().toStdString();
    }
}

TEST_F(Placement, APlaceBeyondTheScreenOpensOnIt) {
    folder.write("width.ini",
                 "[frmContact]\r\nLeft=9000\r\nTop=9000\r\nWidth=500\r\nHeight=300\r\n");
    startForms();
    QRect shown;
    openAndClose(forms->frmContact, [&] { shown = forms->frmContact->geometry(); });
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(area.contains(shown)) << shown.x() << "," << shown.y();
    EXPECT_EQ(shown.size(), QSize(500, 300));
}

// A window never kept opens at its own size, but never larger than the screen it opens on.
TEST_F(Placement, AWindowNeverKeptIsNoLargerThanItsScreen) {
    startForms();
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
    QDialog* w = forms->frmContact;
    w->setMinimumSize(0, 0);
    w->resize(room + QSize(400, 300));
    QSize shown;
    openAndClose(w, [&] { shown = w->size(); });
    EXPECT_LE(shown.width(), room.width());
    EXPECT_LE(shown.height(), room.height());
}

} // namespace
