#include "visabench.h"

#include "firstpaintprobe.h"
#include "form1.h"
#include "samples.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTreeView>

Samples VisaBench::measure(Form1 &window, const QString &region, int runs)
{
    auto *list = window.findChild<QComboBox *>(QStringLiteral("CountyComboBox"));
    auto *visa = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *table = window.findChild<QTreeView *>(QStringLiteral("ListView1"));
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        list->setCurrentText(region);
        QCoreApplication::processEvents();
        FirstPaintProbe probe(table->viewport());
        QElapsedTimer clock;
        clock.start();
        visa->click();
        while (!probe.painted())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double elapsed = clock.nsecsElapsed() / 1e6;
        if (table->model()->rowCount() == 0) {
            qWarning("no rows for %s", qPrintable(region));
            continue;
        }
        samples.add(elapsed);
    }
    return samples;
}
