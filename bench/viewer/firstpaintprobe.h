#pragma once

#include <QObject>

// Watches a widget and says, once, when it has been painted for the first time.
class FirstPaintProbe : public QObject
{
    Q_OBJECT

public:
    explicit FirstPaintProbe(QObject *watched);

    bool painted() const { return m_painted; }

Q_SIGNALS:
    // Queued after the paint, so the whole frame has gone out when it comes.
    void firstPainted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_painted = false;
};
