#include "countstate.h"
#include "dataset.h"
#include "datasetparser.h"
#include "electionnight.h"
#include "livecount.h"
#include "percenttext.h"

#include <QTest>

#include <array>

using namespace std::chrono_literals;

namespace {

std::array<std::int64_t, 7> figures(const Tally &t)
{
    return {t.readyDistricts, t.allDistricts, t.electorate, t.yes, t.no, t.blank, t.invalid};
}

bool notLess(const Tally &later, const Tally &earlier)
{
    const auto a = figures(later);
    const auto b = figures(earlier);
    return std::equal(a.begin(), a.end(), b.begin(), std::greater_equal<>());
}

} // namespace

// The night's count as it arrives, and the percentages it is shown with.
class TestCount : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void replay();
    void seeds();
    void liveCount();
    void percentText_data();
    void percentText();

private:
    DataSet m_data = DataSetParser::bundled();
};

void TestCount::replay_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<int>("minutes");
    QTest::newRow("default") << quint64(20030914) << 30;
    QTest::newRow("other seed, short night") << quint64(7) << 1;
    QTest::newRow("seed 0, long night") << quint64(0) << 600;
}

void TestCount::replay()
{
    // Nothing at the start, regions that add up and never go back, every final count at the end.
    QFETCH(quint64, seed);
    QFETCH(int, minutes);
    const std::chrono::milliseconds length = std::chrono::minutes(minutes);
    const ElectionNight night(m_data, seed, length);
    QCOMPARE(night.districtCount(), m_data.districtCount());
    for (const District &d : night.districts())
        QVERIFY(d.arrivalMs >= 0 && d.arrivalMs < length.count());
    QCOMPARE(night.arrivedBy(0ms), 0);
    QCOMPARE(night.arrivedBy(length), night.districtCount());

    CountState previous(m_data, night, 0);
    QCOMPARE(previous.country().allDistricts, m_data.districtCount());
    QCOMPARE(previous.country().cast() + previous.country().electorate + previous.country().readyDistricts, 0);
    for (int step = 1, steps = 40; step <= steps; ++step) {
        const int arrived = night.arrivedBy(length * step / steps);
        QVERIFY(arrived >= previous.country().readyDistricts);
        const CountState current(m_data, night, arrived);
        Tally country;
        for (int c = 0; c < int(m_data.counties().size()); ++c) {
            Tally county;
            for (int m = 0; m < int(m_data.counties()[std::size_t(c)].municipalities.size()); ++m) {
                QVERIFY(notLess(current.municipality(c, m), previous.municipality(c, m)));
                county.add(current.municipality(c, m));
            }
            QVERIFY(figures(county) == figures(current.county(c)));
            QVERIFY(notLess(current.county(c), previous.county(c)));
            // A county whose district count did not move has not moved at all.
            if (current.county(c).readyDistricts == previous.county(c).readyDistricts)
                QVERIFY(figures(current.county(c)) == figures(previous.county(c)));
            country.add(county);
        }
        QVERIFY(figures(country) == figures(current.country()));
        QCOMPARE(current.country().readyDistricts, arrived);
        previous = current;
    }
    for (int c = 0; c < int(m_data.counties().size()); ++c) {
        for (int m = 0; m < int(m_data.counties()[std::size_t(c)].municipalities.size()); ++m) {
            const Municipality &f = m_data.counties()[std::size_t(c)].municipalities[std::size_t(m)];
            const Tally expected{f.districts, f.districts, f.electorate, f.yes, f.no, f.blank, f.invalid};
            QVERIFY2(figures(previous.municipality(c, m)) == figures(expected), qPrintable(f.code));
        }
    }
}

void TestCount::seeds()
{
    // The seed decides the order of arrival only: each municipality is split the same way.
    auto districts = [](const ElectionNight &night, bool withArrival) {
        QStringList list;
        for (const District &d : night.districts())
            list << QStringLiteral("%1 %2 %3 %4 %5").arg(d.county).arg(d.municipality).arg(d.votes.electorate)
                            .arg(d.votes.yes).arg(withArrival ? d.arrivalMs : 0);
        if (!withArrival)
            list.sort();
        return list;
    };
    const ElectionNight a(m_data, 1, 30min);
    const ElectionNight b(m_data, 2, 30min);
    QCOMPARE(districts(a, true), districts(ElectionNight(m_data, 1, 30min), true));
    QCOMPARE(districts(a, false), districts(b, false));
    int sameCounty = 0;
    for (int i = 0; i < a.districtCount(); ++i)
        sameCounty += a.districts()[std::size_t(i)].county == b.districts()[std::size_t(i)].county;
    QVERIFY2(sameCounty < a.districtCount() / 2, qPrintable(QString::number(sameCounty)));
}

void TestCount::liveCount()
{
    // A live night's count as events come: corrections replace, a declared final count stands
    // for Slutsam while Valnatt goes on, and nothing shows before the lag has passed.
    const ElectionNight night(m_data, 1, 30min);
    LiveCount live(m_data, DistrictTable::fromNight(m_data, night), 500ms);
    live.setStartedMs(1000);
    const auto &entries = live.districts().entries();
    const int stockholm = *live.districts().find(QStringLiteral("0180"), 1);
    const int uppsala = *live.districts().find(QStringLiteral("0380"), 2);
    const int county = entries[std::size_t(stockholm)].county;
    auto report = [](std::int64_t seq, std::int64_t at, int district, std::int64_t yes) {
        LiveEvent e;
        e.seq = seq;
        e.atMs = at;
        e.district = district;
        e.figures = Figures{yes, 20, 3, 1};
        return e;
    };
    auto declared = [](std::int64_t seq, std::int64_t at, int county) {
        LiveEvent e;
        e.kind = LiveEvent::Kind::Final;
        e.seq = seq;
        e.atMs = at;
        e.county = county;
        return e;
    };
    auto shown = [&](int area, bool final, std::int64_t now) {
        const LiveCount::View v = live.view(area, final, now);
        const Tally &t = area < 0 ? v.state.country() : v.state.county(area);
        return QStringLiteral("%1 %2 %3 %4").arg(t.readyDistricts).arg(t.yes).arg(t.electorate).arg(v.newestMs);
    };
    const auto electorate = QString::number(entries[std::size_t(stockholm)].electorate);
    QCOMPARE(shown(-1, false, 5000), QStringLiteral("0 0 0 1000"));
    QCOMPARE(live.view(-1, false, 5000).state.country().allDistricts, m_data.districtCount());

    live.add(report(1, 2000, stockholm, 100));
    live.add(report(1, 2000, uppsala, 999));    // seen before: skipped
    QCOMPARE(live.lastSeq(), 1);
    QCOMPARE(shown(-1, false, 2499), QStringLiteral("0 0 0 1000"));
    QCOMPARE(shown(-1, false, 2500), QStringLiteral("1 100 %1 2000").arg(electorate));
    live.add(report(2, 3000, stockholm, 150));
    live.add(declared(3, 3000, county));
    live.add(report(4, 4000, stockholm, 170));
    live.add(report(5, 4500, uppsala, 50));
    QCOMPARE(shown(county, true, 9000), QStringLiteral("1 150 %1 3000").arg(electorate));
    QCOMPARE(shown(county, false, 9000), QStringLiteral("1 170 %1 4000").arg(electorate));
    // The country is not final until it is declared so: its Slutsam is the running count.
    QCOMPARE(shown(-1, true, 9000).section(u' ', 0, 1), QStringLiteral("2 220"));
    live.add(declared(6, 5000, -1));
    live.add(report(7, 6000, uppsala, 60));
    QCOMPARE(shown(-1, true, 9000).section(u' ', 0, 1), QStringLiteral("2 220"));
    QCOMPARE(shown(-1, false, 9000).section(u' ', 0, 1), QStringLiteral("2 230"));
    const LiveCount::Status status = live.status(9000);
    QCOMPARE(status.events, 7);
    QVERIFY(status.countryFinal && status.counties[std::size_t(county)].final);
    QCOMPARE(status.newestMs, 6000);

    // In steps of the wall clock: a report shows from the next step on.
    LiveCount stepped(m_data, DistrictTable::fromNight(m_data, night), 0ms, 1000ms);
    stepped.add(report(1, 2500, stockholm, 100));
    QCOMPARE(stepped.version(2999), 0);
    QCOMPARE(stepped.version(3000), 1);
}

void TestCount::percentText_data()
{
    QTest::addColumn<qint64>("part");
    QTest::addColumn<qint64>("whole");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing counted") << qint64(0) << qint64(0) << "0,0";
    QTest::newRow("all") << qint64(7) << qint64(7) << "100,0";
    QTest::newRow("a third") << qint64(1) << qint64(3) << "33,3";
    // Exact halves of a tenth go up; in binary floating point 0.5125 * 100 gives 51.24999...
    QTest::newRow("exact half up") << qint64(41) << qint64(80) << "51,3";
    QTest::newRow("exact half up, small") << qint64(1) << qint64(16) << "6,3";
    QTest::newRow("0.05 percent") << qint64(1) << qint64(2000) << "0,1";
    QTest::newRow("just under half") << qint64(10249) << qint64(20000) << "51,2";
    QTest::newRow("carry into units") << qint64(9996) << qint64(10000) << "100,0";
    QTest::newRow("large counts") << qint64(4999999999) << qint64(10000000000) << "50,0";
}

void TestCount::percentText()
{
    QFETCH(qint64, part);
    QFETCH(qint64, whole);
    QFETCH(QString, expected);
    QCOMPARE(PercentText::of(part, whole), expected);
}

QTEST_MAIN(TestCount)
#include "tst_count.moc"
