#include "app/close_on_signal.h"

#include "ui/application.h"

#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};
QPointer<QWidget> mainWindow;

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void endProgram() {
    if (TApplication* app = TApplication::instance())
        app->requestEnd();
    // A modal box runs its own event loop: it is closed first, innermost first, so that each
    // loop can return; the code that opened it gets the box's quiet answer.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break; // it would not close; the main window's close still ends the program
    }
    if (mainWindow)
        mainWindow->close();
}

} // namespace

void catchTerminationSignals() {
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    // Watched from the start, by the application object: a box shown while the windows are
    // still being made must close too.
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        endProgram();
    });
}

void closeOnTerminationSignal(QWidget* window) {
    mainWindow = window;
}

bool terminationRequested() {
    const TApplication* app = TApplication::instance();
    return app && app->endRequested();
}
