#include "applicationsetup.h"
#include "clsws_ElectionResults.h"
#include "form1.h"
#include "form1testaccess.h"
#include "resultsserverthread.h"
#include "struct_QueryResult.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

QStringList namesOf(const soap::Variant &answer, const QString &type = QString())
{
    QStringList names;
    for (const soap::ObjectPtr &element : answer.array()) {
        const auto &record = dynamic_cast<const struct_QueryResult &>(*element);
        if (type.isEmpty() || record.resultType() == type)
            names << record.name();
    }
    return names;
}

} // namespace

// The window against the bundled service replaying its election night.
class tst_BundledService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ResultsServerThread> m_service;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<Form1TestAccess> m_access;

    ServiceSettings settings() const
    {
        ServiceSettings settings;
        settings.wsdlUrl = m_service->wsdlUrl();
        return settings;
    }

    QStringList shown(int column = 0) const
    {
        QStringList texts;
        for (int row = 0; row < m_access->table()->model()->rowCount(); ++row)
            texts << m_access->table()->model()->index(row, column).data().toString();
        return texts;
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

    void init()
    {
        m_form = std::make_unique<Form1>(settings());
        m_access = std::make_unique<Form1TestAccess>(*m_form);
        m_form->Form_Load();
    }

    void cleanup()
    {
        m_access.reset();
        m_form.reset();
        m_service->setElapsed(10min);
    }

    void wholeCountry()
    {
        const soap::Variant answer = clsws_ElectionResults(settings()).wsm_getCountryResultsValnatt();
        const QStringList counties = namesOf(answer, "county");
        QCOMPARE(counties.size(), 21);
        QStringList entries;
        for (int i = 0; i < m_access->regionList()->count(); ++i)
            entries << m_access->regionList()->itemText(i);
        QCOMPARE(entries, QStringList({"Hela landet", "----------------"}) + counties);
        QVERIFY(shown().isEmpty());
        m_access->showButton()->click();
        QCOMPARE(shown(), namesOf(answer));
    }

    // A county's rows as the service sends them; the night goes on between two refreshes and
    // more districts are ready.
    void countyFollowsTheNight()
    {
        m_service->setElapsed(5min);
        m_access->regionList()->setCurrentText("Stockholms l\u00e4n");
        m_access->showButton()->click();
        const QString code = m_access->countyCodes()->item("Stockholms l\u00e4n");
        const soap::Variant answer = clsws_ElectionResults(settings()).wsm_getCountyResultsValnatt(code);
        QVERIFY(answer.array().size() > 1);
        QCOMPARE(shown(), namesOf(answer));
        const QStringList before = shown(6);

        m_service->setElapsed(25min);
        m_access->autoUpdate()->setChecked(true);
        for (int tick = 0; tick < 61; ++tick)
            m_access->timerTick();
        QCOMPARE(m_access->statusBar()->currentMessage(), QStringLiteral("Uppdatering om 60 sekunder"));
        const QStringList after = shown(6);
        QCOMPARE(after.size(), before.size());
        int moreReady = 0;
        for (int i = 0; i < after.size(); ++i)
            moreReady += after[i].toInt() > before[i].toInt();
        QVERIFY(moreReady > 0);
    }
};

QTEST_MAIN(tst_BundledService)
#include "tst_bundledservice.moc"
