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
    Seen seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    seen.format = box->textFormat();
    seen.buttons = box->standardButtons();
    if (box->parentWidget())
        seen.parentTitle = box->parentWidget()->window()->windowTitle();
    m_seen.append(seen);
    if (m_whileOpen)
        m_whileOpen();
    box->done(QMessageBox::Ok);
}
