#include "applicationsetup.h"

#include "classicstyle.h"
#include "ksv_config.h"

#include <QApplication>
#include <QFontInfo>

#include <utility>

void ApplicationSetup::apply(QApplication &app, const QIcon &icon)
{
    app.setApplicationName(QStringLiteral(KSV_APP_TITLE));
    app.setApplicationVersion(QStringLiteral(KSV_VERSION));
    app.setStyle(new ClassicStyle);
    app.setFont(defaultFont());

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
