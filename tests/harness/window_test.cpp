#include "harness/window_test.h"

#include "ui/application.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

WindowTest::WindowTest() {
    if (auto* app = TApplication::instance())
        app->setPrompter(&prompter);
}

WindowTest::~WindowTest() {
    forms.reset();
    if (auto* app = TApplication::instance())
        app->setPrompter(nullptr);
}

void WindowTest::TearDown() {
    stopForms();
    prompter.verifyAllUsed();
}

Forms& WindowTest::startForms() {
    forms = std::make_unique<Forms>(prompter, clock, AppPaths::inOneFolder(folder.path()));
    return *forms;
}

void WindowTest::stopForms() {
    forms.reset();
}

void whenModalOpens(std::function<void(QWidget*)> fn, int timeoutMs) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, fn, timeoutMs]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            fn(modal);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            ADD_FAILURE() << "no modal window opened";
        }
    });
    timer->start();
}
