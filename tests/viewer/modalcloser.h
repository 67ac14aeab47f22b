#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Closes every modal message box that opens while it lives, and remembers what each showed.
class ModalCloser : public QObject
{
    Q_OBJECT

public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::TextFormat format = Qt::AutoText;
        QMessageBox::StandardButtons buttons;
    };

    explicit ModalCloser(QObject *parent = nullptr);

    // Runs while each box is still open, just before it is closed.
    void setWhileOpen(std::function<void()> action) { m_whileOpen = std::move(action); }

    const QList<Seen> &seen() const { return m_seen; }
    // Most open at the same time; more than one means a box was shown over another.
    int mostOpenAtOnce() const { return m_mostOpen; }

private:
    void poll();

    QTimer m_timer;
    std::function<void()> m_whileOpen;
    QList<Seen> m_seen;
    int m_mostOpen = 0;
};
