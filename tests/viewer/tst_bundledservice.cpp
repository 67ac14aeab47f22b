#include "applicationsetup.h"
#include "clsws_ElectionResults.h"
#include "form1.h"
#include "form1testaccess.h"
#include "modalcloser.h"
#include "resultsserverthread.h"
#include "struct_QueryResult.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTest>

using namespace std::chrono_literals;

namespace {

QStringList column(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

const struct_QueryResult &record(const soap::Variant &answer, std::size_t index)
{
    return dynamic_cast<const struct_QueryResult &>(*answer.array().at(index));
}

} // namespace

// The window against the bundled service replaying its election night.
class tst_BundledService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ResultsServerThread> m_service;

    ServiceSettings settings() const
    {
        ServiceSettings settings;
        settings.wsdlUrl = m_service->wsdlUrl();
        return settings;
    }

private slots:
    void initTestCase()
    {
        ApplicationSetup::apply(*qApp);
        ServiceOptions options;
        options.port = 0;
        options.logRequests = false;
        options.frozenAt = 10min;
        m_service = std::make_unique<ResultsServerThread>(options);
    }

    void cleanupTestCase() { m_service.reset(); }

    void regionListFromTheCountryAnswer()
    {
        const soap::Variant answer = clsws_ElectionResults(settings()).wsm_getCountryResultsValnatt();
        QStringList counties;
        for (std::size_t i = 0; i < answer.array().size(); ++i) {
            if (record(answer, i).resultType() == QLatin1String("county"))
                counties << record(answer, i).name();
        }
        QCOMPARE(counties.size(), 21);

        Form1 form(settings());
        form.Form_Load();
        Form1TestAccess access(form);
        QStringList entries;
        for (int i = 0; i < access.regionList()->count(); ++i)
            entries << access.regionList()->itemText(i);
        QCOMPARE(entries, QStringList({"Hela landet", "----------------"}) + counties);
        QCOMPARE(access.table()->model()->rowCount(), 0);

        access.showButton()->click();
        QCOMPARE(access.table()->model()->rowCount(), int(answer.array().size()));
        QCOMPARE(column(access.table()->model(), 0).first(), record(answer, 0).name());
    }

    void countyRowsAsTheServiceSends()
    {
        Form1 form(settings());
        form.Form_Load();
        Form1TestAccess access(form);
        access.regionList()->setCurrentText(QStringLiteral("Gotlands l\u00e4n"));
        access.showButton()->click();
        const QString code = access.countyCodes()->item(QStringLiteral("Gotlands l\u00e4n"));
        const soap::Variant answer = clsws_ElectionResults(settings()).wsm_getCountyResultsValnatt(code);
        const QAbstractItemModel *model = access.table()->model();
        QCOMPARE(model->rowCount(), int(answer.array().size()));
        QVERIFY(model->rowCount() > 1);
        const struct_QueryResult &first = record(answer, 0);
        QCOMPARE(model->index(0, 0).data().toString(), first.name());
        QCOMPARE(model->index(0, 1).data().toString(),
                 first.yesPerc() + QStringLiteral("% (") + first.yesNum() + QStringLiteral(")"));
        QCOMPARE(model->index(0, 5).data().toString(), first.turnoutPerc() + QStringLiteral("%"));
        QCOMPARE(model->index(0, 7).data().toString(), first.allDistricts());
    }

    // The night goes on between two refreshes: the rows follow.
    void refreshFollowsTheNight()
    {
        m_service->setElapsed(5min);
        Form1 form(settings());
        form.Form_Load();
        Form1TestAccess access(form);
        access.regionList()->setCurrentText(QStringLiteral("Stockholms l\u00e4n"));
        access.showButton()->click();
        const QStringList before = column(access.table()->model(), 6);

        m_service->setElapsed(25min);
        access.autoUpdate()->setChecked(true);
        for (int tick = 0; tick < 61; ++tick)
            access.timerTick();
        QCOMPARE(access.statusBar()->currentMessage(), QStringLiteral("Uppdatering om 60 sekunder"));
        const QStringList after = column(access.table()->model(), 6);
        QCOMPARE(after.size(), before.size());
        QVERIFY(after != before);
        int moreReady = 0;
        for (int i = 0; i < after.size(); ++i)
            moreReady += after[i].toInt() > before[i].toInt();
        QVERIFY(moreReady > 0);
        m_service->setElapsed(10min);
    }
};

QTEST_MAIN(tst_BundledService)
#include "tst_bundledservice.moc"
