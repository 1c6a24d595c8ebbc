#include "ui/menu_action.h"

#include <QAction>
#include <QMenu>

QAction* menuAction(QMenu* menu, const QString& caption, const char* name,
                    const QKeySequence& shortcut) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(shortcut);
    return a;
}
