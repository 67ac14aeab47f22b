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
    // Each fits every caption of the layout; the first one installed is taken.
    const std::pair<QString, qreal> candidates[] = {
#ifdef Q_OS_WIN
        // The layout's own: its boxes were measured in MS Sans Serif 8 pt, a bitmap font that
        // Windows and Wine still have; its outline successor after it. Windows' default,
        // Segoe UI 9 pt, is too wide for the check box's caption.
        {QStringLiteral("MS Sans Serif"), 8.0},
        {QStringLiteral("Microsoft Sans Serif"), 8.0},
#endif
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
