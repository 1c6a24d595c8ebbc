// The message entry attached to a window's own combo box, as the selected-contacts window uses it:
// its behaviour away from the main window, and a window closing while the box has the focus.

#include "core/tables/date_time.h"
#include "harness/window_test.h"
#include "ui/widgets/message_entry.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

namespace {

using MessageEntryAnywhere = WindowTest;

struct Panel {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QComboBox* box = new QComboBox(window.get());
    QLabel* count = new QLabel(window.get());
    MessageEntry* entry = nullptr;

    explicit Panel(Prompter& prompter) {
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(box);
        layout->addWidget(count);
        box->setEditable(true); // as a window's layout leaves it, before the entry attaches
        entry = new MessageEntry(
            box, count, prompter, [] { return int32_t(dayNumber(2026, 12, 24)); },
            [] { return int32_t(timeMs(9, 5)); });
        window->show();
        box->setFocus();
        focused = QTest::qWaitFor([&] { return box->lineEdit()->hasFocus(); }, 1000);
    }
    bool focused = false;
};

TEST_F(MessageEntryAnywhere, PlaceholdersCountAndRefusalsWorkOnAnyWindowsBox) {
    Panel panel(prompter);
    // The key after a placeholder turns it into the date or time, and follows it.
    QTest::keyClicks(panel.box->lineEdit(), QStringLiteral("On |"));
    EXPECT_EQ(panel.box->currentText(), QStringLiteral("On |"));
    EXPECT_EQ(panel.count->text(), QStringLiteral("4/160"));
    QTest::keyClicks(panel.box->lineEdit(), QStringLiteral(" at ~x"));
    EXPECT_EQ(panel.box->currentText(), QStringLiteral("On 24/12/2026 at 09:05x"));
    EXPECT_EQ(panel.count->text(), QStringLiteral("23/160"));

    prompter.expectError(QStringLiteral("The ^ character is not allowed"));
    QTest::keyClicks(panel.box->lineEdit(), QStringLiteral("^"));
    EXPECT_EQ(panel.box->currentText(), QStringLiteral("On 24/12/2026 at 09:05x"));
    EXPECT_EQ(panel.box->lineEdit()->maxLength(), 160);
}

// The box goes while it has the focus and its window stays: its line edit still receives its
// last events after the combo box part has gone, and none of them may reach the entry's handling.
TEST_F(MessageEntryAnywhere, ABoxDestroyedWhileItHasTheFocusShowsNothing) {
    Panel panel(prompter);
    ASSERT_TRUE(panel.focused);
    QTest::keyClicks(panel.box->lineEdit(), QStringLiteral("Due on |"));
    QPointer<MessageEntry> entry = panel.entry;
    delete panel.box;
    QCoreApplication::processEvents();
    EXPECT_TRUE(entry.isNull());
    EXPECT_EQ(panel.count->text(), QStringLiteral("8/160"));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

} // namespace
