#include "modalcloser.h"

#include <QApplication>
#include <QWidget>

ModalCloser::ModalCloser(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalCloser::poll);
    m_timer.start();
}

void ModalCloser::poll()
{
    int open = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox *>(widget) && widget->isVisible())
            ++open;
    }
    m_mostOpen = std::max(m_mostOpen, open);

    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    m_seen.append({box->windowTitle(), box->text(), box->icon(), box->textFormat(),
                   box->standardButtons()});
    if (m_whileOpen)
        m_whileOpen();
    box->done(QMessageBox::Ok);
}
