#include "applicationsetup.h"

#include "classicstyle.h"
#include "ksv_config.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QIcon>

#include <utility>

void ApplicationSetup::apply(QApplication &app)
{
    app.setApplicationName(QStringLiteral(KSV_APP_TITLE));
    app.setApplicationVersion(QStringLiteral(KSV_VERSION));
    app.setStyle(new ClassicStyle);
    app.setFont(defaultFont());

    // Present where ksv_add_identity() linked them in; the tests go without.
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
    // Both fit every caption of the layout; the second in case the first is not installed.
    const std::pair<QString, qreal> candidates[] = {
        {QStringLiteral("Liberation Sans"), 7.5},
        {QStringLiteral("DejaVu Sans Condensed"), 7.0},
    };
    for (const auto &[family, points] : candidates) {
        QFont font(family);
        font.setStyleHint(QFont::SansSerif);
        font.setPointSizeF(points);
        if (QFontInfo(font).family() == family)
            return font;
    }
    QFont font = QApplication::font();
    font.setPointSizeF(7.5);
    return font;
}
