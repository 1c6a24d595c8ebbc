// The time restrictions of an entry: the check before dialling on a fixed clock, the password
// prompt, the modal edit with its Cancel, the "Invalid time" box and the settings file.

#include "dialup/time_restrictions_window.h"

#include "core/tables/ini_file.h"
#include "dialup/time_password_window.h"
#include "harness/window_test.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace {

const std::string kOffice = "RAS_ENTRY_Office";

class TimeRestrictions : public WindowTest {
protected:
    TTimeAutoForm* start() {
        startForms();
        w = forms->TimeAutoForm;
        prompt = forms->TimePasswordAutoForm;
        w->RestrictionSection = kOffice;
        EXPECT_EQ(forms->dialRestrictions, w);
        return w;
    }
    void store(const std::string& section, const std::string& key, const std::string& value) {
        TIniFile(w->IniFileName()).WriteString(section, key, value);
    }
    std::string stored(const std::string& section, const std::string& key) {
        return TIniFile(w->IniFileName()).ReadString(section, key, "<missing>");
    }
    // Dials at the time given (8 December 2026 is a Tuesday); the prompt, whenever it opens,
    // gets the typed text and OK, or its close box when typed is null. Returns whether it opened.
    bool dialAt(int hour, int minute, int second, bool& allowed, const char* typed = "Secret") {
        clock.set(2026, 12, 8, hour, minute, second);
        bool prompted = false;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() != prompt)
                return;
            watch.stop();
            prompted = true;
            EXPECT_EQ(prompt->focusWidget(), child<QLineEdit>(prompt, "PasswordEdit"));
            if (typed) {
                child<QLineEdit>(prompt, "PasswordEdit")->setText(QString::fromLatin1(typed));
                QTest::mouseClick(child<QPushButton>(prompt, "OkButton"), Qt::LeftButton);
            } else {
                prompt->close();
            }
        });
        watch.start();
        allowed = w->IsDialAllowed();
        return prompted;
    }

    TTimeAutoForm* w = nullptr;
    TTimePasswordAutoForm* prompt = nullptr;
};

TEST_F(TimeRestrictions, WindowArrangesTheEditsByDayIndexWithTheProgramsCaptions) {
    start();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Uplinker - Time Restrictions"));
    EXPECT_EQ(w->FromEdit(1), find<QLineEdit>(w, "SunFromEdit"));
    EXPECT_EQ(w->ToEdit(2), find<QLineEdit>(w, "MonToEdit"));
    EXPECT_EQ(w->FromEdit(4), find<QLineEdit>(w, "WedFromEdit"));
    EXPECT_EQ(w->ToEdit(7), find<QLineEdit>(w, "SatToEdit"));
    const char* captions[] = {"Monday", "Tuesday",  "Wenesday", "Thursday",
                              "Friday", "Saterday", "Sunday"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(find<QLabel>(w, QStringLiteral("Label%1").arg(i + 1).toLatin1())->text(),
                  QLatin1String(captions[i]));
    EXPECT_EQ(find<QLabel>(w, "Label10")->text(), QStringLiteral("Passwrod"));
    EXPECT_EQ(child<QLineEdit>(w, "PasswordEdit")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("Password"));
    EXPECT_EQ(child<QLineEdit>(prompt, "PasswordEdit")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(prompt->findChildren<QPushButton*>().size(), 1);
}

TEST_F(TimeRestrictions, BothEndsOfThePeriodAskForThePassword) {
    start();
    store("RAS_ENTRY_Office", "TimeFrom3", "08:30");
    store("RAS_ENTRY_Office", "TimeTo3", "17:30");
    store("RAS_ENTRY_Office", "TimePassword", "Secret");
    struct Case {
        int h, m, s;
        bool prompted;
    };
    for (const Case c : {Case{8, 29, 59, false}, Case{8, 30, 0, true}, Case{17, 30, 0, true},
                         Case{17, 30, 1, false}}) {
        SCOPED_TRACE(testing::Message() << c.h << ":" << c.m << ":" << c.s);
        bool allowed = false;
        EXPECT_EQ(dialAt(c.h, c.m, c.s, allowed), c.prompted);
        EXPECT_TRUE(allowed);
    }
}

TEST_F(TimeRestrictions, OpenEndsReversedPeriodsAndMidnight) {
    start();
    struct Case {
        const char* from;
        const char* to;
        int h, m, s;
        bool prompted;
    };
    const Case cases[] = {
        {"12:00", "", 11, 59, 59, false},   {"12 PM", "", 12, 0, 0, true},
        {"12:00", "", 23, 59, 59, true},    {"", "9", 0, 0, 1, true},
        {"", "09:00", 9, 0, 1, false},      {"22:00", "06:00", 23, 0, 0, false},
        {"22:00", "06:00", 3, 0, 0, false}, {"0:00", "00:00", 12, 0, 0, false},
        {"25:00", "10:00", 9, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << "-" << c.to << " at " << c.h << ":" << c.m);
        store("RAS_ENTRY_Office", "TimeFrom3", c.from);
        store("RAS_ENTRY_Office", "TimeTo3", c.to);
        bool allowed = false;
        EXPECT_EQ(dialAt(c.h, c.m, c.s, allowed, ""), c.prompted);
        EXPECT_TRUE(allowed);
    }
}

TEST_F(TimeRestrictions, OnlyTheRightPasswordLetsTheDialGoAhead) {
    start();
    store("RAS_ENTRY_Office", "TimeFrom3", "08:30");
    store("RAS_ENTRY_Office", "TimeTo3", "17:30");
    store("RAS_ENTRY_Office", "TimePassword", "Secret");
    bool allowed = true;
    EXPECT_TRUE(dialAt(12, 0, 0, allowed, "secret"));
    EXPECT_FALSE(allowed);
    EXPECT_TRUE(dialAt(12, 0, 0, allowed, nullptr)); // the close box
    EXPECT_FALSE(allowed);
    // The field kept the last text; OK with it as it stands is refused again.
    EXPECT_EQ(child<QLineEdit>(prompt, "PasswordEdit")->text(), QStringLiteral("secret"));
    EXPECT_TRUE(dialAt(12, 0, 0, allowed, "Secret"));
    EXPECT_TRUE(allowed);
}

TEST_F(TimeRestrictions, EscDoesNotCloseThePrompt) {
    start();
    store("RAS_ENTRY_Office", "TimeFrom3", "08:30");
    bool stillOpen = false;
    clock.set(2026, 12, 8, 9, 0, 0);
    whenModalOpens([&](QWidget*) {
        QTest::keyClick(child<QLineEdit>(prompt, "PasswordEdit"), Qt::Key_Escape);
        stillOpen = prompt->isVisible();
        QTest::keyClick(child<QLineEdit>(prompt, "PasswordEdit"), Qt::Key_Return);
    });
    EXPECT_TRUE(w->IsDialAllowed()); // no stored password, empty field
    EXPECT_TRUE(stillOpen);
}

TEST_F(TimeRestrictions, WithoutAStoredPasswordOnlyAnEmptyFieldPasses) {
    start();
    store("RAS_ENTRY_Office", "TimeTo3", "23:00");
    bool allowed = false;
    EXPECT_TRUE(dialAt(10, 0, 0, allowed, ""));
    EXPECT_TRUE(allowed);
    EXPECT_TRUE(dialAt(10, 0, 0, allowed, "anything"));
    EXPECT_FALSE(allowed);
}

TEST_F(TimeRestrictions, OkSavesTheTextsAsTypedInTheEntrysSectionOnly) {
    start();
    store("RAS_ENTRY_Home", "TimeFrom3", "06:00");
    w->LoadRestrictions();
    whenModalOpens([&](QWidget*) {
        child<QLineEdit>(w, "TueFromEdit")->setText(QStringLiteral(" 08:30 "));
        child<QLineEdit>(w, "TueToEdit")->setText(QStringLiteral("25:00"));
        child<QLineEdit>(w, "SunFromEdit")->setText(QStringLiteral("7 PM"));
        child<QLineEdit>(w, "PasswordEdit")->setText(QStringLiteral("Open Sesame"));
        QTest::mouseClick(child<QPushButton>(w, "OkButton"), Qt::LeftButton);
    });
    EXPECT_TRUE(w->Execute());
    EXPECT_EQ(stored("RAS_ENTRY_Office", "TimeFrom3"), " 08:30 ");
    EXPECT_EQ(stored("RAS_ENTRY_Office", "TimeTo3"), "25:00");
    EXPECT_EQ(stored("RAS_ENTRY_Office", "TimeFrom1"), "7 PM");
    EXPECT_EQ(stored("RAS_ENTRY_Office", "TimeTo7"), "");
    EXPECT_EQ(stored("RAS_ENTRY_Office", "TimePassword"), "Open Sesame");
    EXPECT_EQ(w->From(3), 8 * 3600000 + 30 * 60000);
    EXPECT_EQ(w->To(3), 0);
    EXPECT_EQ(w->From(1), 19 * 3600000);
    EXPECT_EQ(stored("RAS_ENTRY_Home", "TimeFrom3"), "06:00");
    EXPECT_EQ(stored("RAS_ENTRY_Home", "TimeTo3"), "<missing>");

    // The other entry: its own times, and no prompt inside the office's period.
    w->RestrictionSection = "RAS_ENTRY_Home";
    bool allowed = false;
    EXPECT_FALSE(dialAt(5, 0, 0, allowed));
    EXPECT_TRUE(allowed);
    EXPECT_EQ(child<QLineEdit>(w, "TueFromEdit")->text(), QStringLiteral("06:00"));
}

TEST_F(TimeRestrictions, CancelPutsTheTimesBackAndKeepsThePasswordAsTyped) {
    start();
    store("RAS_ENTRY_Office", "TimeFrom2", "09:00");
    w->LoadRestrictions();
    whenModalOpens([&](QWidget*) {
        child<QLineEdit>(w, "MonFromEdit")->setText(QStringLiteral("10:00"));
        child<QLineEdit>(w, "FriToEdit")->setText(QStringLiteral("18:00"));
        child<QLineEdit>(w, "PasswordEdit")->setText(QStringLiteral("typed"));
        QTest::mouseClick(child<QPushButton>(w, "CancelButton"), Qt::LeftButton);
    });
    EXPECT_FALSE(w->Execute());
    EXPECT_EQ(child<QLineEdit>(w, "MonFromEdit")->text(), QStringLiteral("09:00"));
    EXPECT_EQ(child<QLineEdit>(w, "FriToEdit")->text(), QString());
    EXPECT_EQ(child<QLineEdit>(w, "PasswordEdit")->text(), QStringLiteral("typed"));
    EXPECT_EQ(stored("RAS_ENTRY_Office", "TimeFrom2"), "09:00");
    EXPECT_EQ(stored("RAS_ENTRY_Office", "TimePassword"), "<missing>");
}

TEST_F(TimeRestrictions, AFailedSaveIsShownAndPutsTheTimesBack) {
    start();
    w->LoadRestrictions();
    // A folder where the settings file should be: it can be neither read nor replaced.
    std::filesystem::create_directory(w->IniFileName());
    prompter.expect(BoxKind::Error, QStringLiteral("Unable to write to ") +
                                        QString::fromStdString(w->IniFileName()));
    whenModalOpens([&](QWidget*) {
        child<QLineEdit>(w, "WedFromEdit")->setText(QStringLiteral("10:00"));
        QTest::mouseClick(child<QPushButton>(w, "OkButton"), Qt::LeftButton);
    });
    EXPECT_FALSE(w->Execute());
    EXPECT_EQ(child<QLineEdit>(w, "WedFromEdit")->text(), QString());
    EXPECT_EQ(w->From(4), 0);
    std::filesystem::remove(w->IniFileName());
}

TEST_F(TimeRestrictions, LeavingAnEditWithAnInvalidTimeWarnsAndKeepsTheText) {
    start();
    w->LoadRestrictions();
    prompter.expect(BoxKind::Warning, QStringLiteral("Invalid time"), BoxButton::Ok,
                    QStringLiteral("Warning"));
    whenModalOpens([&](QWidget*) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        const struct {
            const char* text;
            bool warns;
        } cases[] = {
            {"25:00", true}, {"7 PM", false}, {" 08:30 ", false}, {"", false}, {"0:00", false}};
        for (const auto& c : cases) {
            const int beeps = prompter.beeps;
            child<QLineEdit>(w, "TueFromEdit")->setFocus();
            ASSERT_EQ(QApplication::focusWidget(), child<QLineEdit>(w, "TueFromEdit"));
            child<QLineEdit>(w, "TueFromEdit")->setText(QLatin1String(c.text));
            QTest::keyClick(child<QLineEdit>(w, "TueFromEdit"), Qt::Key_Tab);
            EXPECT_NE(QApplication::focusWidget(), child<QLineEdit>(w, "TueFromEdit")) << c.text;
            EXPECT_EQ(prompter.beeps - beeps, c.warns ? 1 : 0) << c.text;
            EXPECT_EQ(child<QLineEdit>(w, "TueFromEdit")->text(), QLatin1String(c.text));
        }
        QTest::mouseClick(child<QPushButton>(w, "CancelButton"), Qt::LeftButton);
    });
    w->Execute();
}

} // namespace
