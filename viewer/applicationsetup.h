#pragma once

#include <QFont>
#include <QIcon>

class QApplication;

// The program's identity and look, set once before the window is made: the title and version
// that the window title and About message read, the style, the default font and, where the
// program's icon resources are linked in, the icon.
class ApplicationSetup
{
public:
    static void apply(QApplication &app, const QIcon &icon = QIcon());

    // A small UI font like the one the layout was drawn for, named, never left to chance; its
    // size is in points so it scales with the display as the layout does. Needs the application.
    static QFont defaultFont();
};
