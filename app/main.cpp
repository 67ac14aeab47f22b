#include "appicon.h"
#include "applicationsetup.h"
#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ApplicationSetup::apply(app, appIcon());
    Startup startup;
    return startup.exec();
}
