// The entry routine: fixes the date and time formats, sets the title, decides where the files
// live, creates the windows in their order and runs the event loop until the main window closes.

#include "app/close_on_signal.h"
#include "app/forms.h"
#include "core/tables/clock.h"
#include "core/tables/format_settings.h"
#include "dialup/nm_remote_access.h"
#include "reminders/main_window.h"
#include "ui/application.h"
#include "ui/keychain_password_keeper.h"
#include "ui/program_icon.h"
#include "ui/qt_prompter.h"

#include <QDir>

#include <csignal>

int main(int argc, char** argv) {
    // A write beyond the file size limit fails with an error the program reports, instead of
    // ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    TApplication app(argc, argv);
    catchTerminationSignals();
    setProcessFormats(FormatSettings{});
    QApplication::setApplicationName(QStringLiteral("Tallyminder"));
    // No display name: the desktop would add it to every window's title, after the caption.
    // The desktop matches the running program to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("tallyminder"));
    QApplication::setWindowIcon(programIcon());

    QtPrompter prompter;
    app.setPrompter(&prompter);
    SystemClock clock;
    const AppPaths paths = AppPaths::forProgram(
        QCoreApplication::applicationFilePath().toStdString(), AppPaths::Environment::ofProcess());
    // A folder that cannot even be made ends the program before anything is written anywhere;
    // one that exists but cannot be written is reported once the windows start (read-only).
    for (const std::string* folder : {&paths.workingFolder, &paths.settingsFolder}) {
        const std::string reason = prepareFolder(*folder);
        if (!reason.empty()) {
            prompter.error(
                QStringLiteral("The folder %1 cannot be created (%2).")
                    .arg(QString::fromStdString(*folder), QString::fromStdString(reason)));
            app.setPrompter(nullptr);
            return 1;
        }
    }

    int result = 0;
    // The dial-up service of a Linux desktop; it outlives the windows that use it.
    dialup::NetworkManagerAccess networkManager;
    // Remembered passwords live in the desktop's keyring.
    KeychainPasswordKeeper keyring;
    {
        Forms forms(prompter, clock, paths);
        if (forms.quitChosen()) {
            app.setPrompter(nullptr);
            return 0;
        }
        forms.setRemoteAccess(&networkManager);
        forms.setPasswordKeeper(&keyring);
        closeOnTerminationSignal(forms.frmMain);
        if (terminationRequested()) {
            // Asked to end while the windows were being made: end as a close would.
            forms.frmMain->close();
        } else {
            forms.frmMain->show();
            result = app.exec();
        }
    }
    app.setPrompter(nullptr);
    return result;
}
