#include "visabench.h"

#include "firstpaintprobe.h"
#include "form1.h"
#include "samples.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

Samples VisaBench::measure(Form1 &window, const QString &region, int runs,
                           const std::function<void(int run)> &beforeEach)
{
    auto *list = window.findChild<QComboBox *>(QStringLiteral("CountyComboBox"));
    auto *visa = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *table = window.findChild<QTreeView *>(QStringLiteral("ListView1"));
    Samples samples;
    for (int run = 0; run < runs; ++run) {
        beforeEach(run);
        list->setCurrentText(region);
        QCoreApplication::processEvents();
        FirstPaintProbe probe(table->viewport());
        QElapsedTimer clock;
        clock.start();
        visa->click();
        bool givenUp = false; // a press that changed nothing paints nothing
        QTimer::singleShot(2000, &probe, [&givenUp] { givenUp = true; });
        while (!probe.painted() && !givenUp)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double elapsed = clock.nsecsElapsed() / 1e6;
        if (!probe.painted() || table->model()->rowCount() == 0) {
            qWarning("no rows painted for %s", qPrintable(region));
            continue;
        }
        samples.add(elapsed);
    }
    return samples;
}
