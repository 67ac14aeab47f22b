#include "errorbox.h"

#include <QCoreApplication>
#include <QMessageBox>

QString ErrorBox::text(const soap::RaisedError &error)
{
    return QStringLiteral("Fel %1 (0x%2)\nKälla: %3\n%4")
        .arg(error.number())
        .arg(quint32(error.number()), 8, 16, QLatin1Char('0'))
        .arg(error.source(), error.description());
}

void ErrorBox::show(QWidget *parent, const soap::RaisedError &error)
{
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text(error),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
