#pragma once

#include <QApplication>

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

    static TApplication* instance();

private:
    Prompter* prompter_ = nullptr;
};

// Shows the current exception (inside a catch block) through the general error display.
void showCurrentException();
