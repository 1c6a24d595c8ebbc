#include "ui/menu_action.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QMenu>

QAction* menuAction(QMenu* menu, const QString& caption, const char* name,
                    const QKeySequence& shortcut) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(shortcut);
    return a;
}

GridMenu gridMenu(QWidget* owner, const char* menuName, const QString& allCaption,
                  const QString& selectedCaption) {
    GridMenu m;
    m.menu = new QMenu(owner);
    m.menu->setObjectName(QString::fromLatin1(menuName));
    QMenu* print = m.menu->addMenu(QStringLiteral("&Print"));
    print->setObjectName(QStringLiteral("Print1"));
    m.print = print->menuAction();
    m.print->setObjectName(QStringLiteral("Print1"));
    m.all = menuAction(print, allCaption, "All1", QKeySequence(QStringLiteral("Ctrl+P")));
    m.selected =
        menuAction(print, selectedCaption, "Selected1", QKeySequence(QStringLiteral("Ctrl+Alt+P")));
    return m;
}

void popUpOnRightClick(QMenu* menu, QWidget* widget) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    QWidget* surface = widget;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
        surface = area->viewport();
    QObject::connect(widget, &QWidget::customContextMenuRequested, menu,
                     [menu, surface](const QPoint& at) { menu->popup(surface->mapToGlobal(at)); });
}
