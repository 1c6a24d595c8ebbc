#pragma once

// Keeps a window's size and place across restarts in width.ini (a section named after the
// window), as the main window keeps its own: restored when the window is shown, written when it
// is hidden. A place that no longer lies on a screen (a smaller screen, a monitor unplugged) is
// pulled back onto the nearest one and shrunk to fit, so that no window opens out of reach.

#include <QList>
#include <QRect>

#include <string>

class QWidget;

// Where a saved rectangle goes on screens whose available areas are given: wholly inside the one
// it overlaps most, or the nearest one when it overlaps none, shrunk to that area if larger.
QRect ontoNearestScreen(const QRect& rect, const QList<QRect>& screens);

// Installs the keeping on window; iniPath is the width.ini file.
void keepPlacement(QWidget* window, const std::string& iniPath);
