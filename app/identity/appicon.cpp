#include "appicon.h"

#include <QFileInfo>

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        const QString path = QStringLiteral(":/ksv/icons/ksv2003-%1.png").arg(size);
        // QIcon::addFile() takes a missing file too and then draws nothing: skip such sizes.
        if (QFileInfo::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}
