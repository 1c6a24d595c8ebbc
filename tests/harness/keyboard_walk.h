#pragma once

// What a keyboard user meets in a window: the controls Tab and Shift+Tab reach, in order, and
// the Alt keys of its buttons and labels.

#include <QString>
#include <QStringList>

#include <ostream>

class QWidget;

QT_BEGIN_NAMESPACE
// Lists of control names print as names in a failure.
inline void PrintTo(const QStringList& names, std::ostream* os) {
    *os << names.join(QStringLiteral(", ")).toStdString();
}
QT_END_NAMESPACE

// The name a test knows the focused control by: the nearest named widget (a combo box's line
// edit and a spin box's editor are parts of their box).
QString focusName();

// The names that Tab (or Shift+Tab) reaches from the focused control, steps times. In a grid
// where Tab moves between the cells, the walk leaves with Ctrl+Tab (Ctrl+Shift+Tab), as a user
// does.
QStringList walk(int steps, bool back = false);

// The letter after a single "&" of a caption, lower-cased; empty without one.
QChar mnemonicOf(const QString& text);

// Every Alt key of a window's shown controls: buttons with a caption, labels that lead to a
// control and checkable group boxes. A control without one, or a letter used twice, is
// reported.
QStringList mnemonicProblems(QWidget* window);
