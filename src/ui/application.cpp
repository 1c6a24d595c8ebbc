#include "ui/application.h"

#include "core/tables/errors.h"
#include "ui/object_name_describer.h"
#include "ui/prompter.h"

#include <QDebug>

#include <utility>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    installEventFilter(new ObjectNameDescriber(this));
}

TApplication::~TApplication() = default;

TApplication* TApplication::instance() {
    return qobject_cast<TApplication*>(qApp);
}

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
    if (gathering_) {
        if (!gathered_.contains(text))
            gathered_ << text;
        return;
    }
    if (prompter_)
        prompter_->error(text);
    else
        qWarning().noquote() << text;
}

void TApplication::gatherErrors() {
    gathering_ = true;
}

void TApplication::showGatheredErrors() {
    gathering_ = false;
    const QStringList errors = std::exchange(gathered_, {});
    if (errors.isEmpty())
        return;
    const QString text = errors.size() == 1
                             ? errors.front()
                             : QStringLiteral("Some of your changes could not be saved:\n\n") +
                                   errors.join(QStringLiteral("\n\n"));
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
