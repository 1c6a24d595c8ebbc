#include "dialup/auto_form.h"

#include "core/dialup/dialup_settings.h"
#include "core/tables/atomic_file.h"
#include "core/tables/ini_file.h"
#include "harness/window_test.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <filesystem>

namespace {

class AutoFormTest : public WindowTest {
protected:
    std::string ini() const { return AppPaths::inOneFolder(folder.path()).dialupSettingsFile(); }
    std::string stored(const char* key) const {
        return TIniFile(ini()).ReadString(dialup::kWindowsSection, key, "(missing)");
    }
};

TEST_F(AutoFormTest, SettingsFileLiesBesideTheProgram) {
    EXPECT_EQ(ini(), folder.path() + "/tallyminder.ini");
}

TEST_F(AutoFormTest, PlacementStrings) {
    struct Case {
        QString text;
        QRect expected; // from a window at 100, 120 sized 300 x 200
    };
    const Case cases[] = {
        {"10, 20, 150, 250, 0", QRect(10, 20, 250, 150)}, // height before width
        {"10, 20, 150", QRect(10, 20, 300, 150)},         // three pieces: width stays
        {"x, 20, junk, 250", QRect(100, 20, 250, 200)},   // junk pieces are skipped
        {" 7,  8 ,9a,", QRect(7, 8, 300, 200)},           {"", QRect(100, 120, 300, 200)},
        {"1, 2, 3, 4, 0, 99, 98", QRect(1, 2, 4, 3)}, // pieces after the fifth ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TAutoForm form(QStringLiteral("Probe"), ini());
        form.setGeometry(100, 120, 300, 200);
        form.ApplyPlacementString(c.text);
        EXPECT_EQ(form.geometry(), c.expected);
        EXPECT_FALSE(form.isMaximized());
    }
    TAutoForm form(QStringLiteral("Probe"), ini());
    form.setGeometry(11, 22, 333, 144);
    EXPECT_EQ(form.PlacementToString(), "11, 22, 144, 333, 0");
}

TEST_F(AutoFormTest, PlacementOffEveryScreenComesOntoTheNearest) {
    const QList<QRect> screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)};
    EXPECT_EQ(ontoNearestScreen(QRect(50, 60, 300, 200), screens), QRect(50, 60, 300, 200));
    EXPECT_EQ(ontoNearestScreen(QRect(-5000, 100, 300, 200), screens), QRect(0, 100, 300, 200));
    EXPECT_EQ(ontoNearestScreen(QRect(9000, 9000, 300, 200), screens), QRect(2004, 568, 300, 200));
    EXPECT_EQ(ontoNearestScreen(QRect(-9000, 10, 5000, 5000), screens), QRect(0, 0, 1280, 800));

    // The real window on this machine's screen.
    writeFileAtomically(ini(), "[Windows]\r\nLost=-30000, -30000, 200, 300, 0\r\n");
    TAutoForm form(QStringLiteral("Lost"), ini());
    form.show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(form.geometry())) << form.geometry().x();
    EXPECT_EQ(form.size(), QSize(300, 200));
}

TEST_F(AutoFormTest, MaximizedWindowKeepsItsNormalGeometryAndOpensMaximized) {
    {
        TAutoForm form(QStringLiteral("UplinkerForm"), ini());
        form.setGeometry(40, 50, 320, 240);
        form.show();
        form.showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.isMaximized(); }));
    }
    EXPECT_EQ(stored("UplinkerForm"), "40, 50, 240, 320, 2");

    TAutoForm again(QStringLiteral("UplinkerForm"), ini());
    again.show();
    EXPECT_TRUE(again.isMaximized());
    EXPECT_EQ(again.normalGeometry(), QRect(40, 50, 320, 240));
}

TEST_F(AutoFormTest, PlacementIsReadAtTheFirstShowingOnly) {
    writeFileAtomically(ini(), "[Windows]\r\nAboutForm=30, 40, 110, 220, 0\r\n");
    TAutoForm form(QStringLiteral("AboutForm"), ini());
    EXPECT_EQ(form.PlacementKey(), "AboutForm");
    EXPECT_EQ(form.objectName(), "AboutForm");
    EXPECT_EQ(TAutoForm::PlacementSection(), "Windows");
    form.show();
    EXPECT_EQ(form.geometry(), QRect(30, 40, 220, 110));
    form.hide();
    form.setGeometry(60, 70, 200, 100);
    writeFileAtomically(ini(), "[Windows]\r\nAboutForm=1, 2, 3, 4, 0\r\n");
    form.show();
    EXPECT_EQ(form.geometry(), QRect(60, 70, 200, 100));
}

TEST_F(AutoFormTest, TheBareAutoFormWritesItsPlacementAtTheEnd) {
    startForms();
    ASSERT_NE(forms->AutoForm, nullptr);
    EXPECT_FALSE(forms->AutoForm->isVisible());
    EXPECT_EQ(forms->AutoForm->IniFileName(), ini());
    const std::string expected = forms->AutoForm->PlacementToString().toStdString();
    stopForms();
    EXPECT_EQ(stored("AutoForm"), expected);
}

TEST_F(AutoFormTest, UnwritableSettingsFileIsReportedAndLeftAlone) {
    // A folder where the file should be: the system refuses the write.
    std::filesystem::create_directory(ini());
    prompter.expectError(QString::fromStdString("Unable to write to " + ini()));
    {
        TAutoForm form(QStringLiteral("TimeAutoForm"), ini());
        form.show();
    }
    EXPECT_TRUE(std::filesystem::is_directory(ini()));
}

} // namespace
