#include "appicon.h"
#include "applicationsetup.h"
#include "ksv_identity.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ApplicationSetup::apply(app, appIcon());
    // The menu entry's id: the window's app id on Wayland. On X11 desktops match the window by its
    // class (StartupWMClass in the entry), and by this id as well where Qt writes it.
    QGuiApplication::setDesktopFileName(QStringLiteral(KSV_APP_ID));
    Startup startup;
    return startup.exec();
}
