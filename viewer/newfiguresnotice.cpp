#include "newfiguresnotice.h"

NewFiguresNotice::NewFiguresNotice(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("NewFiguresNotice"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // One pixel, drawn as nothing: some screen readers skip what takes no room at all.
    setGeometry(0, 0, 1, 1);
    hide();
}

void NewFiguresNotice::announce(const QString &text)
{
    hide();
    setAccessibleName(text);
    show();
}
