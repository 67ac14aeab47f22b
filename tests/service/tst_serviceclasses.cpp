#include "clsof_Factory_ElectionResul.h"
#include "clsws_ElectionResults.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "struct_QueryResult.h"
#include "xmldomnode.h"
#include "xmlelement.h"
#include "xmltreebuilder.h"

#include "answerwriter.h"
#include "cannedservice.h"
#include "faultwriter.h"
#include "resultsserverthread.h"

#include <QTest>

#include <algorithm>
#include <functional>
#include <stdexcept>

using soap::RaisedError;
using testsupport::CannedReply;

namespace {

std::shared_ptr<struct_QueryResult> recordAt(const soap::Variant &answer, std::size_t i)
{
    return std::dynamic_pointer_cast<struct_QueryResult>(answer.array().at(i));
}

// "index:value" for each member in turn.
QStringList inOrder(const QString &prefix, int length = 0)
{
    QStringList steps;
    for (int i = 0; i < 15; ++i)
        steps << QStringLiteral("%1:%2").arg(i).arg((prefix + QString::number(i)).leftJustified(length, QLatin1Char('.')));
    return steps;
}

// A DOM node (and attribute map) that fails at the chosen step: 0 and 1 the attribute map, 2 the
// lookup by name, 3 the value.
class FailingNode : public soap::DomNode, public soap::DomNamedNodeMap
{
public:
    explicit FailingNode(int step) : m_step(step) {}
    QString nodeName() const override { return QStringLiteral("type"); }
    QString nodeValue() const override { return fail(3), QString(); }
    std::shared_ptr<DomNamedNodeMap> attributes() const override { return fail(0), fail(1), std::make_shared<FailingNode>(m_step); }
    std::shared_ptr<DomNode> getNamedItem(const QString &) const override { return fail(2), std::make_shared<FailingNode>(m_step); }

private:
    void fail(int step) const
    {
        if (step == m_step && step == 1)
            throw std::runtime_error("nod saknas");
        if (step == m_step)
            throw RaisedError(0x80004000 + step, QStringLiteral("MSXML"), QStringLiteral("steg %1").arg(step));
    }
    const int m_step;
};

} // namespace

Q_DECLARE_METATYPE(WireStyle)

class TestServiceClasses : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void settingInAnyOrderKeepsTheOthers_data();
    void settingInAnyOrderKeepsTheOthers();
    void factoryMakesRecordsByExactClassName_data();
    void factoryMakesRecordsByExactClassName();
    void bundledService_data();
    void bundledService();
    void callKeepsTheRecordsAsSent();
    void failuresTakeTheOperationsName();
};

void TestServiceClasses::bundledService_data()
{
    QTest::addColumn<WireStyle>("style");
    QTest::newRow("inline") << WireStyle::Inline;
    QTest::newRow("multiRef") << WireStyle::MultiRef;
}

void TestServiceClasses::bundledService()
{
    QFETCH(WireStyle, style);
    ProgramOptions options;
    options.service.style = style;
    options.logRequests = false;
    options.service.frozenAt = std::chrono::minutes(10);
    ResultsServerThread server(options);
    clsws_ElectionResults client(ServiceSettings{server.wsdlUrl(), std::chrono::seconds(10)});

    const soap::Variant country = client.wsm_getCountryResultsValnatt();
    QCOMPARE(country.array().size(), std::size_t(22)); // the country, then its 21 counties
    QCOMPARE(recordAt(country, 0)->resultType(), QStringLiteral("country"));
    const auto county = recordAt(country, 1);
    QVERIFY(county);
    QCOMPARE(county->resultType(), QStringLiteral("county"));
    // Each county answer starts with the county's own row.
    QCOMPARE(recordAt(client.wsm_getCountyResultsValnatt(county->code()), 0)->code(), county->code());
    QCOMPARE(recordAt(client.wsm_getCountyResultsSlutsam(county->code()), 0)->name(), county->name());
    QCOMPARE(client.wsm_getCountryResultsSlutsam().array().size(), std::size_t(22));
    // A code the service does not know is its Fault, under the operation's name.
    try {
        client.wsm_getCountyResultsSlutsam(QStringLiteral("99"));
        QFAIL("no error raised");
    } catch (const RaisedError &error) {
        QCOMPARE(quint32(error.number()), 0x80040000u);
        QCOMPARE(error.source(), QStringLiteral("wsm_getCountyResultsSlutsam"));
        QVERIFY2(error.description().contains(QLatin1String("99")), qPrintable(error.description()));
    }
}

void TestServiceClasses::callKeepsTheRecordsAsSent()
{
    std::vector<ResultRow> rows;
    for (int i = 0; i < 5; ++i) {
        rows.push_back(CannedService::row(QString::number(i)));
        for (int m = 0; m < ResultRow::MemberCount; ++m)
            rows.back().values[std::size_t(m)] += QString::number(i * 100 + m);
    }
    rows[1].values[7] = QStringLiteral("52,30");
    rows[2].values[2] = QStringLiteral("007");
    rows[3].values[8] = QString();
    rows[4].values[3] = QStringLiteral("Örebro <län> & \"Åland\"");
    CannedService service;
    service.reply(CannedReply::ok(AnswerWriter(WireStyle::Inline).write(QStringLiteral("getCountyResultsValnatt"), rows)));
    clsws_ElectionResults client(service.settings());
    // The code goes out as it is, escaped, and the caller's copy stays as it was.
    const QString code = QStringLiteral(" 01<&>");
    const soap::Variant answer = client.wsm_getCountyResultsValnatt(code);
    QCOMPARE(code, QStringLiteral(" 01<&>"));
    QCOMPARE(service.countyArguments(), QStringList{QStringLiteral(" 01&lt;&amp;&gt;")});
    QCOMPARE(answer.array().size(), rows.size());
    const auto &names = struct_QueryResult::memberNames();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int m = 0; m < ResultRow::MemberCount; ++m)
            QCOMPARE(recordAt(answer, i)->member(names[std::size_t(m)]), std::optional(rows[i].values[std::size_t(m)]));
    }
}

void TestServiceClasses::failuresTakeTheOperationsName()
{
    // Each kind of failure keeps its own number and description; the kinds are the SOAP client's tests.
    CannedService service;
    clsws_ElectionResults client(ServiceSettings{service.settings().wsdlUrl, std::chrono::milliseconds(250)});
    const QList<std::pair<QString, std::function<void()>>> operations{
        {QStringLiteral("wsm_getCountryResultsValnatt"), [&] { client.wsm_getCountryResultsValnatt(); }},
        {QStringLiteral("wsm_getCountyResultsValnatt"), [&] { client.wsm_getCountyResultsValnatt("01"); }},
        {QStringLiteral("wsm_getCountyResultsSlutsam"), [&] { client.wsm_getCountyResultsSlutsam("01"); }},
        {QStringLiteral("wsm_getCountryResultsSlutsam"), [&] { client.wsm_getCountryResultsSlutsam(); }},
    };
    const QList<std::tuple<CannedReply, int, QString>> failures{
        {CannedReply::stalling(), soap::ErrorNumber::Timeout, QStringLiteral("250 millisekunder")},
        {CannedReply::withStatus(500, "<html><body>Internal error</body></html>", "text/html"),
         soap::ErrorNumber::HttpStatus, QStringLiteral("500 (Internal Server Error)")},
        {CannedReply::withStatus(500, FaultWriter::write(SoapFault::client(QStringLiteral("Okänt län")))),
         int(0x80040000u), QStringLiteral("Okänt län")}};
    for (const auto &[reply, number, description] : failures) {
        service.reply(reply);
        for (const auto &[name, run] : operations) {
            try {
                run();
                QFAIL("no error raised");
            } catch (const RaisedError &error) {
                QCOMPARE(error.number(), number);
                QCOMPARE(error.source(), name);
                QVERIFY2(number == int(0x80040000u) ? error.description() == description
                                                    : error.description().contains(description),
                         qPrintable(error.description()));
            }
            if (reply.stall)
                break; // a stalled connection once is enough
        }
    }
    // Construction fails with the failure itself, under no operation's name.
    service.wsdlReply(CannedReply::withStatus(404, "nope", "text/plain"));
    try {
        clsws_ElectionResults another(service.settings());
        QFAIL("construction succeeded");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), int(soap::ErrorNumber::HttpStatus));
        QCOMPARE(error.source(), QStringLiteral("SoapClient"));
        QVERIFY2(error.description().contains(QLatin1String("HTTP-status 404")), qPrintable(error.description()));
    }
}

void TestServiceClasses::settingInAnyOrderKeepsTheOthers_data()
{
    QTest::addColumn<QStringList>("steps");
    const QString longText = QStringLiteral("Västra Götalands län ").repeated(20);
    QStringList reversed = inOrder(QStringLiteral("v"));
    std::reverse(reversed.begin(), reversed.end());

    QTest::newRow("reverse order") << reversed;
    // Text passes unchanged: decimal comma, leading zeros, blanks, non-Latin letters.
    QTest::newRow("every other, then the rest")
        << QStringList{"0:52,30", "2:0007", "4:  12 ", "14:Västra Götalands län", "1:b", "3:ddd", "13:n", "5:f"};
    QTest::newRow("middle made longer, then shorter, then emptied")
        << inOrder(QStringLiteral("v")) + QStringList{"7:" + longText, "7:x", "7:"};
    QTest::newRow("first and last replaced") << inOrder(QStringLiteral("v")) + QStringList{"0:first", "14:", "14:last"};
    QTest::newRow("past the inline room, then shrunk") << inOrder(QStringLiteral("long"), 100) + QStringList{"0:", "5:s", "14:t"};
    QTest::newRow("one long member among short ones")
        << QStringList{"3:" + longText} + inOrder(QStringLiteral("v")).mid(4) + QStringList{"0:a", "3:b", "3:" + longText};
}

void TestServiceClasses::settingInAnyOrderKeepsTheOthers()
{
    QFETCH(QStringList, steps);
    // The typed accessors are the same slots by another name; the mapper uses the names.
    const auto &names = struct_QueryResult::memberNames();
    QStringList expected(15);
    struct_QueryResult record;
    for (const QString &step : steps) {
        const qsizetype colon = step.indexOf(QLatin1Char(':'));
        const int index = step.left(colon).toInt();
        QVERIFY(record.setMember(names[std::size_t(index)], step.mid(colon + 1)));
        expected[index] = step.mid(colon + 1);
        // Names match exactly; any other leaves the record alone.
        for (const QString &unknown : {QStringLiteral("YesNum"), QStringLiteral("code "), QStringLiteral("region"), QString()}) {
            QVERIFY(!record.setMember(unknown, QStringLiteral("x")));
            QVERIFY(!record.member(unknown).has_value());
        }
        for (int i = 0; i < 15; ++i)
            QCOMPARE(record.member(names[std::size_t(i)]), std::optional<QString>(expected[i]));
    }
    const struct_QueryResult copy = record;
    QCOMPARE(copy.yesPerc(), expected[7]);
    for (int i = 0; i < 15; ++i)
        QCOMPARE(copy.member(names[std::size_t(i)]), std::optional<QString>(expected[i]));
}

void TestServiceClasses::factoryMakesRecordsByExactClassName_data()
{
    QTest::addColumn<QString>("attributes"); // of the mapping's <type>; empty: a failing node
    QTest::addColumn<int>("failingStep");    // -1: no node at all
    QTest::addColumn<int>("number");         // 1: a record made, 0: none
    QTest::addColumn<QString>("description");
    const auto attributes = [](const char *name, const char *attributes, bool makesRecord) {
        QTest::newRow(name) << QString::fromUtf8(attributes) << 0 << int(makesRecord) << QString();
    };
    attributes("exact", "targetClassName='struct_QueryResult'", true);
    attributes("with other attributes first", "uses='GCTM' targetNamespace='urn:x' targetClassName='struct_QueryResult'", true);
    attributes("lower case", "targetClassName='struct_queryresult'", false);
    attributes("trailing blank", "targetClassName='struct_QueryResult '", false);
    attributes("another class", "targetClassName='struct_Other'", false);
    attributes("empty", "targetClassName=''", false);
    attributes("missing", "uses='GCTM'", false);
    attributes("attribute name in other case", "targetclassname='struct_QueryResult'", false);
    // DOM failures reach the caller under the factory's name.
    QTest::newRow("attribute collection fails") << QString() << 0 << int(0x80004000) << QStringLiteral("steg 0");
    QTest::newRow("not a raised error") << QString() << 1 << int(soap::ErrorNumber::InternalFailure) << "nod saknas";
    QTest::newRow("lookup by name fails") << QString() << 2 << int(0x80004002) << QStringLiteral("steg 2");
    QTest::newRow("reading the value fails") << QString() << 3 << int(0x80004003) << QStringLiteral("steg 3");
    QTest::newRow("no node") << QString() << -1 << int(soap::ErrorNumber::ObjectNotSet) << QString();
}

void TestServiceClasses::factoryMakesRecordsByExactClassName()
{
    QFETCH(QString, attributes);
    QFETCH(int, failingStep);
    QFETCH(int, number);
    QFETCH(QString, description);
    const auto typeNode = [&]() -> std::shared_ptr<soap::DomNode> {
        if (attributes.isEmpty())
            return failingStep < 0 ? nullptr : std::make_shared<FailingNode>(failingStep);
        const std::shared_ptr<const soap::XmlElement> types = soap::XmlTreeBuilder::parse(
            QStringLiteral("<types><type name='QueryResult' %1/></types>").arg(attributes).toUtf8(), QStringLiteral("test"));
        return std::make_shared<soap::XmlDomNode>(std::shared_ptr<const soap::XmlElement>(types, types->children().front().get()));
    };
    clsof_Factory_ElectionResul factory;
    try {
        const soap::ObjectPtr object = factory.IGCTMObjectFactory_CreateObject(typeNode());
        QCOMPARE(int(bool(object)), number);
        if (!object)
            return;
        // A new, empty record every call, of which the factory keeps no reference.
        QVERIFY(std::dynamic_pointer_cast<struct_QueryResult>(object));
        QCOMPARE(object.use_count(), 1L);
        object->setMember(QStringLiteral("name"), QStringLiteral("Uppsala län"));
        const soap::ObjectPtr second = factory.IGCTMObjectFactory_CreateObject(typeNode());
        for (const QString &member : struct_QueryResult::memberNames())
            QCOMPARE(second->member(member), std::optional<QString>(QString()));
    } catch (const RaisedError &error) {
        QVERIFY2(attributes.isEmpty(), qPrintable(error.description()));
        QCOMPARE(error.number(), number);
        QCOMPARE(error.source(), QStringLiteral("clsof_Factory_ElectionResul"));
        if (!description.isEmpty())
            QCOMPARE(error.description(), description);
        return;
    }
    QVERIFY2(!attributes.isEmpty(), "the failure was swallowed");
}

QTEST_MAIN(TestServiceClasses)
#include "tst_serviceclasses.moc"
