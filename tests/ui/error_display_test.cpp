#include "core/tables/errors.h"
#include "harness/window_test.h"
#include "reminders/main_window.h"
#include "ui/application.h"

#include <QPushButton>
#include <QTest>

namespace {

using ErrorDisplay = WindowTest;

TEST_F(ErrorDisplay, AnErrorInAButtonHandlerReachesAnErrorBoxAndTheProgramGoesOn) {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Fail"), &window);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] {
        ++clicks;
        if (clicks == 1)
            throw EDatabaseError("dxGroup: Field 'nothing' not found");
    });
    window.show();

    prompter.expectError(QStringLiteral("dxGroup: Field 'nothing' not found"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].kind, BoxKind::Error);

    // The program goes on: the next click runs the handler again, without a box.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(prompter.shown.size(), 1);
}

TEST_F(ErrorDisplay, AnAbortEndsTheEventSilently) {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("Stop"), &window);
    bool after = false;
    QObject::connect(button, &QPushButton::clicked, [&] {
        throw EAbort();
        after = true;
    });
    window.show();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(after);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(ErrorDisplay, NamedWidgetsShowTheirNameToAccessibilityTools) {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("OK"), &window);
    window.show();
    // Named after it was shown: the next Show event still picks the name up.
    button->setObjectName(QStringLiteral("bmbOK"));
    button->hide();
    button->show();
    EXPECT_EQ(button->accessibleDescription(), QStringLiteral("bmbOK"));

    startForms();
    forms->frmMain->show();
    EXPECT_EQ(forms->frmMain->accessibleDescription(), QStringLiteral("frmMain"));
}

} // namespace
