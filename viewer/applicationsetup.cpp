#include "applicationsetup.h"

#include "classicstyle.h"
#include "ksv_config.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

void ApplicationSetup::apply(QApplication &app)
{
    app.setApplicationName(QStringLiteral(KSV_APP_TITLE));
    app.setApplicationVersion(QStringLiteral(KSV_VERSION));
    app.setStyle(new ClassicStyle);
    app.setFont(defaultFont());

    // The icon resources are linked into the program only; tests and benchmarks go without.
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        const QString file = QStringLiteral(":/ksv/icons/ksv2003-%1.png").arg(size);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    if (!icon.isNull())
        app.setWindowIcon(icon);
}

QFont ApplicationSetup::defaultFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(7.5);
    return font;
}
