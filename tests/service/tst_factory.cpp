#include "clsof_Factory_ElectionResul.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "struct_QueryResult.h"
#include "xmldomnode.h"
#include "xmlelement.h"

#include <QTest>

#include <stdexcept>

using soap::DomNamedNodeMap;
using soap::DomNode;
using soap::RaisedError;

namespace {

std::shared_ptr<DomNode> typeNode(const QString &attributes)
{
    const std::shared_ptr<const soap::XmlElement> types = soap::XmlElement::parse(
        QStringLiteral("<types><type name='QueryResult' %1/></types>").arg(attributes).toUtf8(), QStringLiteral("test"));
    return std::make_shared<soap::XmlDomNode>(std::shared_ptr<const soap::XmlElement>(types, types->children().front().get()));
}

// A DOM node (and attribute map) that fails at the chosen step: 0 and 1 the attribute map, 2 the
// lookup by name, 3 the value.
class FailingNode : public DomNode, public DomNamedNodeMap
{
public:
    explicit FailingNode(int step) : m_step(step) {}
    QString nodeName() const override { return QStringLiteral("type"); }
    QString nodeValue() const override { return fail(3), QString(); }
    std::shared_ptr<DomNamedNodeMap> attributes() const override
    {
        return fail(0), fail(1), std::make_shared<FailingNode>(m_step);
    }
    std::shared_ptr<DomNode> getNamedItem(const QString &) const override
    {
        return fail(2), std::make_shared<FailingNode>(m_step);
    }

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

class TestFactory : public QObject
{
    Q_OBJECT
private slots:
    void classNameDecides_data();
    void classNameDecides();
    void domFailuresTakeTheFactorysName_data();
    void domFailuresTakeTheFactorysName();
};

void TestFactory::classNameDecides_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<bool>("makesRecord");
    QTest::newRow("exact") << QStringLiteral("targetClassName='struct_QueryResult'") << true;
    QTest::newRow("with other attributes first")
        << QStringLiteral("uses='GCTM' targetNamespace='urn:x' targetClassName='struct_QueryResult'") << true;
    QTest::newRow("lower case") << QStringLiteral("targetClassName='struct_queryresult'") << false;
    QTest::newRow("trailing blank") << QStringLiteral("targetClassName='struct_QueryResult '") << false;
    QTest::newRow("another class") << QStringLiteral("targetClassName='struct_Other'") << false;
    QTest::newRow("empty") << QStringLiteral("targetClassName=''") << false;
    QTest::newRow("missing") << QStringLiteral("uses='GCTM'") << false;
    QTest::newRow("attribute name in other case") << QStringLiteral("targetclassname='struct_QueryResult'") << false;
}

void TestFactory::classNameDecides()
{
    QFETCH(QString, attributes);
    QFETCH(bool, makesRecord);
    clsof_Factory_ElectionResul factory;
    const soap::ObjectPtr object = factory.IGCTMObjectFactory_CreateObject(typeNode(attributes));
    QCOMPARE(bool(object), makesRecord);
    if (!makesRecord)
        return;
    // A new, empty record every call, of which the factory keeps no reference.
    QVERIFY(std::dynamic_pointer_cast<struct_QueryResult>(object));
    QCOMPARE(object.use_count(), 1L);
    object->setMember(QStringLiteral("name"), QStringLiteral("Uppsala län"));
    const soap::ObjectPtr second = factory.IGCTMObjectFactory_CreateObject(typeNode(attributes));
    for (const QString &member : struct_QueryResult::memberNames())
        QCOMPARE(second->member(member), std::optional<QString>(QString()));
}

void TestFactory::domFailuresTakeTheFactorysName_data()
{
    QTest::addColumn<int>("step"); // -1: no node at all
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::newRow("attribute collection") << 0 << int(0x80004000) << QStringLiteral("steg 0");
    QTest::newRow("not a raised error") << 1 << int(soap::ErrorNumber::InternalFailure) << QStringLiteral("nod saknas");
    QTest::newRow("lookup by name") << 2 << int(0x80004002) << QStringLiteral("steg 2");
    QTest::newRow("reading the value") << 3 << int(0x80004003) << QStringLiteral("steg 3");
    QTest::newRow("no node") << -1 << int(soap::ErrorNumber::ObjectNotSet) << QString();
}

void TestFactory::domFailuresTakeTheFactorysName()
{
    QFETCH(int, step);
    QFETCH(int, number);
    QFETCH(QString, description);
    clsof_Factory_ElectionResul factory;
    try {
        factory.IGCTMObjectFactory_CreateObject(step < 0 ? nullptr : std::make_shared<FailingNode>(step));
        QFAIL("the failure was swallowed");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        QCOMPARE(error.source(), QStringLiteral("clsof_Factory_ElectionResul"));
        if (!description.isEmpty())
            QCOMPARE(error.description(), description);
    }
}

QTEST_MAIN(TestFactory)
#include "tst_factory.moc"
