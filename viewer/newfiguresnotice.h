#pragma once

#include <QWidget>

// Tells a screen reader, once, that new figures have come: an invisible notification that is
// shown anew for each announcement. Qt 6.4 has no announcement event; on Linux a notification
// becoming visible is what AT-SPI screen readers present without moving the focus.
class NewFiguresNotice : public QWidget
{
    Q_OBJECT

public:
    explicit NewFiguresNotice(QWidget *parent);

    void announce(const QString &text);
};
