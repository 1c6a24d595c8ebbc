#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QMenu;
class QWidget;

// Adds a named menu entry with its shortcut; the name is the entry's objectName.
QAction* menuAction(QMenu* menu, const QString& caption, const char* name,
                    const QKeySequence& shortcut = {});

// The shortcut menu of a grid window: its "&Print" submenu ("Print1") with "All1" (Ctrl+P) and
// "Selected1" (Ctrl+Alt+P) first; each window adds its own entries after it.
struct GridMenu {
    QMenu* menu = nullptr;
    QAction* print = nullptr;
    QAction* all = nullptr;
    QAction* selected = nullptr;
};
// allCaption and selectedCaption are the two print entries' texts ("&All", "&Selected").
GridMenu gridMenu(QWidget* owner, const char* menuName, const QString& allCaption,
                  const QString& selectedCaption);

// Shows menu where the user right-clicks on the widget (inside a scroll area, on its viewport).
void popUpOnRightClick(QMenu* menu, QWidget* widget);
