#pragma once

#include "form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>

// The window's controls, reached and driven as a user's tools would: by their names.
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
    QStringList column(int column = 0) const { return texts(*table()->model(), column); }
    QStringList regions() const { return texts(*regionList()->model(), 0); }

    void choose(const QString &text) const { regionList()->setCurrentText(text); }
    void visa() const { child<QPushButton>("Command1")->click(); }
    void setTicked(bool ticked) const { child<QCheckBox>("Check1")->setChecked(ticked); }
    // Ticked, with its timer held: only the test's own ticks count, sent as the timer's own
    // signal so that a test need not wait a second per tick.
    void tickedByHand() const
    {
        setTicked(true);
        timer()->stop();
    }
    void tick(int times = 1) const
    {
        for (int i = 0; i < times; ++i)
            QMetaObject::invokeMethod(timer(), "timeout");
    }
    // On the screen and active, for what needs a real view: keys, tool tips, scrolling, ticks.
    bool shown() const
    {
        m_form.show();
        return QTest::qWaitForWindowActive(&m_form);
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
    static QStringList texts(const QAbstractItemModel &model, int column)
    {
        QStringList texts;
        for (int row = 0; row < model.rowCount(); ++row)
            texts << model.index(row, column).data().toString();
        return texts;
    }

    Form1 &m_form;
};
