#include "ui/object_name_describer.h"

#include <QEvent>
#include <QWidget>

bool ObjectNameDescriber::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Polish || event->type() == QEvent::Show) {
        if (auto* w = qobject_cast<QWidget*>(watched)) {
            const QString name = w->objectName();
            if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
                w->accessibleDescription() != name)
                w->setAccessibleDescription(name);
        }
    }
    return false;
}
