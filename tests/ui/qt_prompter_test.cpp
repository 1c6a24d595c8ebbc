// The real Prompter's file dialog, driven as a user would.

#include "ui/qt_prompter.h"

#include "harness/window_test.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

namespace {

using QtPrompterDialogs = WindowTest;

// A typed name of a file that is not there is accepted: the import then says why it cannot read
// it, instead of the dialog refusing with a box of its own.
TEST_F(QtPrompterDialogs, TheOpenDialogTakesATypedNameOfAMissingFile) {
    QtPrompter real;
    const QString missing = QString::fromStdString(folder.file("not-there.txt"));
    whenModalOpens([&](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(missing);
        QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_EQ(real.openFile(QStringLiteral("Import"), QStringLiteral("Text files|*.txt"),
                            QString::fromStdString(folder.path())),
              missing);
}

} // namespace
