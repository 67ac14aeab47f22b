#pragma once

#include "form1.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTcpServer>
#include <QTimer>
#include <QTreeView>

#include <functional>

// The window's controls, reached as a user's tools would: by their names.
class WindowParts
{
public:
    explicit WindowParts(Form1 &form) : m_form(form) {}

    template <class T> T *child(const char *name) const
    {
        return m_form.findChild<T *>(QLatin1String(name));
    }
    QComboBox *regionList() const { return child<QComboBox>("CountyComboBox"); }
    QTreeView *table() const { return child<QTreeView>("ListView1"); }
    QTimer *timer() const { return child<QTimer>("Timer1"); }
    QMessageBox *errorBox() const { return child<QMessageBox>("ErrorBox"); }
    QString status() const { return child<QLabel>("CountdownText")->text(); }
    QString freshness() const { return child<QLabel>("FreshnessText")->text(); }

    // The timer's own signal, so a test need not wait a second per tick.
    void tick(int times = 1) const
    {
        for (int i = 0; i < times; ++i)
            QMetaObject::invokeMethod(timer(), "timeout");
    }
    QStringList column(int column = 0) const
    {
        QStringList texts;
        const QAbstractItemModel *model = table()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, column).data().toString();
        return texts;
    }

    // Runs `action`, closing each modal message box that opens meanwhile; returns what each
    // showed as "title|text|icon|text format|buttons".
    static QStringList closingBoxes(const std::function<void()> &action)
    {
        QStringList seen;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << QStringLiteral("%1|%2|%3|%4|%5").arg(box->windowTitle(), box->text()).arg(
                    box->icon()).arg(box->textFormat()).arg(box->standardButtons().toInt());
                box->done(QMessageBox::Ok);
            }
        });
        closer.start(20);
        action();
        return seen;
    }

    // A WSDL address on 127.0.0.1 where nothing listens: its port taken, then given back.
    static QString deadAddress()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return QStringLiteral("http://127.0.0.1:%1/x.wsdl").arg(probe.serverPort());
    }

    static QLabel *visibleToolTip()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("qtooltip_label") && widget->isVisible())
                return qobject_cast<QLabel *>(widget);
        }
        return nullptr;
    }

private:
    Form1 &m_form;
};
