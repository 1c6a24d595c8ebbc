// The entry routine: fixes the date and time formats, sets the title, creates the windows in
// their order and runs the event loop until the main window closes.

#include "ui/application.h"
#include "app/forms.h"
#include "reminders/main_window.h"
#include "ui/qt_prompter.h"
#include "data/clock.h"
#include "data/format_settings.h"
#include "dialup/nm_remote_access.h"

#include <QDir>
#include <csignal>

int main(int argc, char** argv) {
    // A write beyond the file size limit fails with an error the program reports, instead of
    // ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    TApplication app(argc, argv);
    setProcessFormats(FormatSettings{});
    QApplication::setApplicationName(QStringLiteral("Tallyminder"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tallyminder"));

    QtPrompter prompter;
    app.setPrompter(&prompter);
    SystemClock clock;
    AppPaths paths;
    paths.workingFolder = QDir::currentPath().toStdString();
    paths.programFolder = QCoreApplication::applicationDirPath().toStdString();
    paths.programPath = QCoreApplication::applicationFilePath().toStdString();

    int result = 0;
    // The dial-up service of a Linux desktop; it outlives the windows that use it.
    dialup::NetworkManagerAccess networkManager;
    {
        Forms forms(prompter, clock, paths);
        forms.setRemoteAccess(&networkManager);
        forms.frmMain->show();
        result = app.exec();
    }
    app.setPrompter(nullptr);
    return result;
}
