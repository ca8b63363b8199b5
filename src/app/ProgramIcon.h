// The icon every window of the program carries (QApplication::setWindowIcon),
// so that a window manager that does not match the window to the menu entry
// still shows it.
#pragma once

#include <QIcon>
#include <QString>

namespace tarvex {

// The icon theme's "tarvex", as installed with the program, else the icon
// the program draws itself (the one the installation's pictures were drawn
// from). The installation's own icon directory (<prefix>/share/icons, found
// from programDirectory; empty: the directory of this program's file) joins
// the theme's search paths, so that an installation under a prefix the
// desktop does not search still finds its icon.
QIcon programIcon(const QString& programDirectory = {});

} // namespace tarvex
