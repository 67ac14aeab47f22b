#include "countstate.h"
#include "dataset.h"
#include "electionnight.h"

#include <QTest>

using namespace std::chrono_literals;

class TestElectionNight : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replay_data();
    void nothingBeforeStart();
    void nothingBeforeStart_data() { replay_data(); }
    void completeAtEnd();
    void completeAtEnd_data() { replay_data(); }
    void monotonePerRegion();
    void monotonePerRegion_data() { replay_data(); }
    void regionsAddUp();
    void regionsAddUp_data() { replay_data(); }
    void sameSeedSameNight();
    void differentSeedDifferentOrder();
    void districtSplitDoesNotDependOnSeed();

private:
    DataSet m_data = DataSet::bundled();
};

void TestElectionNight::replay_data()
{
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<int>("minutes");
    QTest::newRow("default") << quint64(20030914) << 30;
    QTest::newRow("other seed, short night") << quint64(7) << 1;
    QTest::newRow("seed 0, long night") << quint64(0) << 600;
}

void TestElectionNight::nothingBeforeStart()
{
    QFETCH(quint64, seed);
    QFETCH(int, minutes);
    const ElectionNight night(m_data, seed, std::chrono::minutes(minutes));
    QCOMPARE(night.arrivedBy(0ms), 0);
    const CountState state(m_data, night, night.arrivedBy(0ms));
    QCOMPARE(state.country().readyDistricts, 0);
    QCOMPARE(state.country().allDistricts, m_data.districtCount());
    QCOMPARE(state.country().cast(), 0);
    QCOMPARE(state.country().electorate, 0);
}

void TestElectionNight::completeAtEnd()
{
    QFETCH(quint64, seed);
    QFETCH(int, minutes);
    const ElectionNight night(m_data, seed, std::chrono::minutes(minutes));
    const std::chrono::milliseconds length = std::chrono::minutes(minutes);
    QCOMPARE(night.districtCount(), m_data.districtCount());
    for (const District &d : night.districts())
        QVERIFY(d.arrivalMs >= 0 && d.arrivalMs < length.count());
    QVERIFY(night.arrivedBy(length - 1ms) <= night.districtCount());
    QCOMPARE(night.arrivedBy(length), night.districtCount());

    // Every district in: each municipality has exactly its final count.
    const CountState state(m_data, night, night.arrivedBy(length));
    const auto &counties = m_data.counties();
    for (std::size_t c = 0; c < counties.size(); ++c) {
        for (std::size_t m = 0; m < counties[c].municipalities.size(); ++m) {
            const Municipality &final = counties[c].municipalities[m];
            const Tally &t = state.municipality(int(c), int(m));
            QCOMPARE(t.readyDistricts, final.districts);
            QCOMPARE(t.allDistricts, final.districts);
            QCOMPARE(t.yes, final.yes);
            QCOMPARE(t.no, final.no);
            QCOMPARE(t.blank, final.blank);
            QCOMPARE(t.invalid, final.invalid);
            QCOMPARE(t.electorate, final.electorate);
        }
    }
}

void TestElectionNight::monotonePerRegion()
{
    QFETCH(quint64, seed);
    QFETCH(int, minutes);
    const ElectionNight night(m_data, seed, std::chrono::minutes(minutes));
    const std::chrono::milliseconds length = std::chrono::minutes(minutes);
    auto same = [](const Tally &a, const Tally &b) {
        return a.readyDistricts == b.readyDistricts && a.yes == b.yes && a.no == b.no && a.blank == b.blank
                && a.invalid == b.invalid && a.electorate == b.electorate;
    };
    auto notLess = [](const Tally &later, const Tally &earlier) {
        return later.readyDistricts >= earlier.readyDistricts && later.yes >= earlier.yes
                && later.no >= earlier.no && later.blank >= earlier.blank && later.invalid >= earlier.invalid
                && later.electorate >= earlier.electorate;
    };
    CountState previous(m_data, night, 0);
    int previousArrived = 0;
    constexpr int steps = 40;
    for (int step = 1; step <= steps; ++step) {
        const int arrived = night.arrivedBy(length * step / steps);
        QVERIFY(arrived >= previousArrived);
        const CountState current(m_data, night, arrived);
        QVERIFY(notLess(current.country(), previous.country()));
        for (int c = 0; c < int(m_data.counties().size()); ++c) {
            QVERIFY(notLess(current.county(c), previous.county(c)));
            for (int m = 0; m < int(m_data.counties()[std::size_t(c)].municipalities.size()); ++m)
                QVERIFY(notLess(current.municipality(c, m), previous.municipality(c, m)));
        }
        // A region whose district count did not move has not moved at all.
        for (int c = 0; c < int(m_data.counties().size()); ++c) {
            if (current.county(c).readyDistricts == previous.county(c).readyDistricts)
                QVERIFY(same(current.county(c), previous.county(c)));
        }
        previous = current;
        previousArrived = arrived;
    }
    QCOMPARE(previousArrived, night.districtCount());
}

void TestElectionNight::regionsAddUp()
{
    QFETCH(quint64, seed);
    QFETCH(int, minutes);
    const ElectionNight night(m_data, seed, std::chrono::minutes(minutes));
    for (int arrived : {0, 1, night.districtCount() / 3, night.districtCount()}) {
        const CountState state(m_data, night, arrived);
        QCOMPARE(state.country().readyDistricts, arrived);
        Tally countries;
        for (int c = 0; c < int(m_data.counties().size()); ++c) {
            Tally municipalities;
            for (int m = 0; m < int(m_data.counties()[std::size_t(c)].municipalities.size()); ++m)
                municipalities.add(state.municipality(c, m));
            QCOMPARE(municipalities.yes, state.county(c).yes);
            QCOMPARE(municipalities.no, state.county(c).no);
            QCOMPARE(municipalities.readyDistricts, state.county(c).readyDistricts);
            QCOMPARE(municipalities.allDistricts, state.county(c).allDistricts);
            QCOMPARE(municipalities.electorate, state.county(c).electorate);
            countries.add(state.county(c));
        }
        QCOMPARE(countries.yes, state.country().yes);
        QCOMPARE(countries.invalid, state.country().invalid);
        QCOMPARE(countries.blank, state.country().blank);
    }
}

void TestElectionNight::sameSeedSameNight()
{
    const ElectionNight a(m_data, 42, 30min);
    const ElectionNight b(m_data, 42, 30min);
    QCOMPARE(a.districtCount(), b.districtCount());
    for (int i = 0; i < a.districtCount(); ++i) {
        const District &x = a.districts()[std::size_t(i)];
        const District &y = b.districts()[std::size_t(i)];
        QCOMPARE(x.arrivalMs, y.arrivalMs);
        QCOMPARE(x.municipality, y.municipality);
        QCOMPARE(x.county, y.county);
        QCOMPARE(x.votes.yes, y.votes.yes);
    }
}

void TestElectionNight::differentSeedDifferentOrder()
{
    const ElectionNight a(m_data, 1, 30min);
    const ElectionNight b(m_data, 2, 30min);
    int sameCounty = 0;
    for (int i = 0; i < a.districtCount(); ++i)
        sameCounty += a.districts()[std::size_t(i)].county == b.districts()[std::size_t(i)].county;
    QVERIFY2(sameCounty < a.districtCount() / 2, qPrintable(QString::number(sameCounty)));
    // ...and a different picture mid-night.
    QVERIFY(CountState(m_data, a, a.arrivedBy(10min)).country().yes
            != CountState(m_data, b, b.arrivedBy(10min)).country().yes);
}

void TestElectionNight::districtSplitDoesNotDependOnSeed()
{
    const ElectionNight a(m_data, 1, 30min);
    const ElectionNight b(m_data, 2, 30min);
    auto sizes = [](const ElectionNight &night) {
        QMap<QPair<int, int>, QList<qint64>> byMunicipality;
        for (const District &d : night.districts())
            byMunicipality[{d.county, d.municipality}].append(d.votes.electorate);
        for (auto &list : byMunicipality)
            std::sort(list.begin(), list.end());
        return byMunicipality;
    };
    QCOMPARE(sizes(a), sizes(b));
}

QTEST_MAIN(TestElectionNight)
#include "tst_electionnight.moc"
