#pragma once

#include <QIcon>

// The program's icon, for its windows: the desktop theme's "tallyminder" icon when the package
// installed it, else the same drawing built into the program (48 and 256 px).
QIcon programIcon();
