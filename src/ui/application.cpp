#include "ui/application.h"

#include "ui/object_name_describer.h"
#include "ui/prompter.h"
#include "core/tables/errors.h"

#include <QDebug>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    installEventFilter(new ObjectNameDescriber(this));
}

TApplication::~TApplication() = default;

TApplication* TApplication::instance() { return qobject_cast<TApplication*>(qApp); }

void TApplication::showException(std::exception_ptr error) {
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    if (prompter_)
        prompter_->error(text);
    else
        qWarning().noquote() << text;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showException(std::current_exception());
    }
    return true;
}

void showCurrentException() {
    if (TApplication* app = TApplication::instance())
        app->showException(std::current_exception());
}
