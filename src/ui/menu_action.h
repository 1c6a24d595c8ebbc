#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QMenu;

// Adds a named menu entry with its shortcut; the name is the entry's objectName.
QAction* menuAction(QMenu* menu, const QString& caption, const char* name,
                    const QKeySequence& shortcut = {});
