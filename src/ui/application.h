#pragma once

#include <QApplication>
#include <QStringList>

class Prompter;

// The application object. Its notify() is the general error display: an exception that leaves
// an event handler is shown in an error box and the program goes on; EAbort ends the event
// silently. No exception crosses the event loop.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // The Prompter that shows the error boxes (the real one, or a test's).
    void setPrompter(Prompter* prompter) { prompter_ = prompter; }
    Prompter* prompter() const { return prompter_; }

    // Shows an exception's text as the general error display does. Returns after the box.
    void showException(std::exception_ptr error);

    // From the main window's close to the end of the windows, the errors of the saves are
    // gathered and shown together in one box: a folder that cannot be written would otherwise
    // give a box per file. Gathering again while gathering changes nothing.
    void gatherErrors();
    void showGatheredErrors();

    // The process was asked to end (SIGTERM at log-out or from a service manager): no box or
    // dialog waits for an answer from now on; each gives its quiet answer at once.
    void requestEnd() { endRequested_ = true; }
    bool endRequested() const { return endRequested_; }

    static TApplication* instance();

private:
    Prompter* prompter_ = nullptr;
    bool gathering_ = false;
    bool endRequested_ = false;
    QStringList gathered_;
};

// Shows the current exception (inside a catch block) through the general error display.
void showCurrentException();
