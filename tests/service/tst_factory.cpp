#include "clsof_Factory_ElectionResul.h"
#include "errornumbers.h"
#include "raisederror.h"
#include "struct_QueryResult.h"
#include "xmldomnode.h"

#include <QDomDocument>
#include <QTest>

#include <stdexcept>

using soap::DomNamedNodeMap;
using soap::DomNode;
using soap::RaisedError;

namespace {

std::shared_ptr<DomNode> typeNode(const QString &attributes)
{
    QDomDocument document;
    const bool parsed = document.setContent(QStringLiteral("<types><type name='QueryResult' %1/></types>").arg(attributes));
    Q_ASSERT(parsed);
    return std::make_shared<soap::XmlDomNode>(document.documentElement().firstChildElement());
}

// A DOM whose every operation fails in a chosen way.
class FailingNode : public DomNode
{
public:
    enum class Failure { Raised, Standard, FailingMap, FailingValue };
    explicit FailingNode(Failure failure) : m_failure(failure) {}

    QString nodeName() const override { return QStringLiteral("type"); }
    QString nodeValue() const override
    {
        throw RaisedError(0x800A0005, QStringLiteral("MSXML"), QStringLiteral("Värdet kan inte läsas"));
    }
    std::shared_ptr<DomNamedNodeMap> attributes() const override
    {
        switch (m_failure) {
        case Failure::Raised:
            throw RaisedError(0x80004005, QStringLiteral("MSXML"), QStringLiteral("Noden är död"));
        case Failure::Standard:
            throw std::runtime_error("nod saknas");
        case Failure::FailingMap:
        case Failure::FailingValue:
            break;
        }
        return std::make_shared<Map>(m_failure);
    }

private:
    class Map : public DomNamedNodeMap
    {
    public:
        explicit Map(Failure failure) : m_failure(failure) {}
        std::shared_ptr<DomNode> getNamedItem(const QString &) const override
        {
            if (m_failure == Failure::FailingMap)
                throw RaisedError(0x80070057, QStringLiteral("MSXML"), QStringLiteral("Ogiltigt namn"));
            return std::make_shared<FailingNode>(m_failure);
        }
        Failure m_failure;
    };
    Failure m_failure;
};

} // namespace

Q_DECLARE_METATYPE(FailingNode::Failure)

class TestFactory : public QObject
{
    Q_OBJECT
private slots:
    void classNameDecides_data();
    void classNameDecides();
    void everyCallMakesANewEmptyRecord();
    void domFailuresTakeTheFactorysName_data();
    void domFailuresTakeTheFactorysName();
    void missingNodeIsAnError();
};

void TestFactory::classNameDecides_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<bool>("makesRecord");
    QTest::newRow("exact") << QStringLiteral("targetClassName='struct_QueryResult'") << true;
    QTest::newRow("with other attributes first")
        << QStringLiteral("uses='GCTM' targetNamespace='urn:x' targetClassName='struct_QueryResult'") << true;
    QTest::newRow("lower case") << QStringLiteral("targetClassName='struct_queryresult'") << false;
    QTest::newRow("upper case") << QStringLiteral("targetClassName='STRUCT_QUERYRESULT'") << false;
    QTest::newRow("leading blank") << QStringLiteral("targetClassName=' struct_QueryResult'") << false;
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
    if (makesRecord)
        QVERIFY(std::dynamic_pointer_cast<struct_QueryResult>(object));
}

void TestFactory::everyCallMakesANewEmptyRecord()
{
    clsof_Factory_ElectionResul factory;
    const auto node = typeNode(QStringLiteral("targetClassName='struct_QueryResult'"));
    const soap::ObjectPtr first = factory.IGCTMObjectFactory_CreateObject(node);
    const soap::ObjectPtr second = factory.IGCTMObjectFactory_CreateObject(node);
    QVERIFY(first && second);
    QVERIFY(first != second);
    QCOMPARE(first.use_count(), 1L); // the factory keeps no reference
    first->setMember(QStringLiteral("name"), QStringLiteral("Uppsala län"));
    QCOMPARE(second->member(QStringLiteral("name")), std::optional<QString>(QString()));
    for (const QString &member : struct_QueryResult::memberNames())
        QCOMPARE(second->member(member), std::optional<QString>(QString()));
}

void TestFactory::domFailuresTakeTheFactorysName_data()
{
    QTest::addColumn<FailingNode::Failure>("failure");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::newRow("attribute collection") << FailingNode::Failure::Raised << int(0x80004005)
                                          << QStringLiteral("Noden är död");
    QTest::newRow("lookup by name") << FailingNode::Failure::FailingMap << int(0x80070057)
                                    << QStringLiteral("Ogiltigt namn");
    QTest::newRow("reading the value") << FailingNode::Failure::FailingValue << int(0x800A0005)
                                       << QStringLiteral("Värdet kan inte läsas");
    QTest::newRow("not a raised error") << FailingNode::Failure::Standard
                                        << int(soap::ErrorNumber::InternalFailure)
                                        << QStringLiteral("nod saknas");
}

void TestFactory::domFailuresTakeTheFactorysName()
{
    QFETCH(FailingNode::Failure, failure);
    QFETCH(int, number);
    QFETCH(QString, description);
    clsof_Factory_ElectionResul factory;
    try {
        factory.IGCTMObjectFactory_CreateObject(std::make_shared<FailingNode>(failure));
        QFAIL("the failure was swallowed");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        QCOMPARE(error.source(), QStringLiteral("clsof_Factory_ElectionResul"));
        QCOMPARE(error.description(), description);
    }
}

void TestFactory::missingNodeIsAnError()
{
    clsof_Factory_ElectionResul factory;
    try {
        factory.IGCTMObjectFactory_CreateObject(nullptr);
        QFAIL("a null node gave no error");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), soap::ErrorNumber::ObjectNotSet);
        QCOMPARE(error.source(), QStringLiteral("clsof_Factory_ElectionResul"));
    }
}

QTEST_MAIN(TestFactory)
#include "tst_factory.moc"
