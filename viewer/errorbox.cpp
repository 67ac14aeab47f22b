#include "errorbox.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <memory>

namespace {

// A description is the service's text: a box must stay readable and on the screen whatever it
// sends, so a very long one is shown cut, with a mark where it was cut.
QString readable(const QString &description)
{
    constexpr qsizetype MaxLines = 15;
    constexpr qsizetype MaxChars = 1000;
    QString shown = description.section(QLatin1Char('\n'), 0, MaxLines - 1).left(MaxChars);
    if (shown.size() < description.size())
        shown += QChar(0x2026);
    return shown;
}

QMessageBox *newBox(QWidget *parent)
{
    auto *box = new QMessageBox(QMessageBox::Critical, QCoreApplication::applicationName(),
                                QString(), QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace

void ErrorBox::report(const soap::RaisedError &error)
{
    if (!m_box) {
        m_box = newBox(m_window);
        m_box->setObjectName(QStringLiteral("ErrorBox"));
        m_box->setWindowModality(Qt::WindowModal);
    }
    m_box->setText(text(error));
    if (!m_box->isVisible())
        m_box->open();
}

void ErrorBox::dismiss()
{
    if (isOpen())
        m_box->done(QMessageBox::Ok);
}

bool ErrorBox::isOpen() const
{
    return m_box && m_box->isVisible();
}

QString ErrorBox::text(const soap::RaisedError &error)
{
    // One arg() call: a description is the service's text and may itself hold "%2".
    const QString hex = QStringLiteral("%1").arg(quint32(error.number()), 8, 16, QLatin1Char('0'));
    return QStringLiteral("%1\n\nFel %2 (0x%3)\nKälla: %4")
        .arg(readable(error.description()), QString::number(error.number()), hex, error.source());
}

void ErrorBox::showAndWait(const soap::RaisedError &error)
{
    const std::unique_ptr<QMessageBox> box(newBox(nullptr));
    box->setText(text(error));
    box->exec();
}
