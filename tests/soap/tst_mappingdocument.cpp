#include "errornumbers.h"
#include "mappingdocument.h"
#include "raisederror.h"

#include <QTest>

using soap::MappingDocument;
using soap::RaisedError;
namespace ErrorNumber = soap::ErrorNumber;

namespace {

const QString Service = QStringLiteral("ElectionResults");

QString mapping(const QString &usings, const QString &types, const QString &service = Service)
{
    return QStringLiteral("<servicemapping><service name='%1'>%2<types>%3</types></service></servicemapping>")
        .arg(service, usings, types);
}

const QString GenericUsing = QStringLiteral("<using PROGID='MSSOAP.GenericCustomTypeMapper30' cachable='0' ID='GCTM'/>");
const QString QueryResultType = QStringLiteral(
    "<type name='QueryResult' targetNamespace='urn:schema' uses='GCTM' targetClassName='struct_QueryResult'/>");

} // namespace

class TestMappingDocument : public QObject
{
    Q_OBJECT
private slots:
    void readsTypesInOrderWithNodesThatOutliveIt();
    void refusals_data();
    void refusals();
};

void TestMappingDocument::readsTypesInOrderWithNodesThatOutliveIt()
{
    std::shared_ptr<soap::DomNode> node;
    {
        const MappingDocument document = MappingDocument::parse(
            mapping(GenericUsing, QueryResultType
                        + QStringLiteral("<type name='Other' targetNamespace='urn:b' uses='GCTM' targetClassName='x'/>")),
            Service);
        QCOMPARE(document.types().size(), std::size_t(2));
        QCOMPARE(document.types()[0].type, (soap::QualifiedName{QStringLiteral("urn:schema"), QStringLiteral("QueryResult")}));
        QCOMPARE(document.types()[1].type, (soap::QualifiedName{QStringLiteral("urn:b"), QStringLiteral("Other")}));
        node = document.types().at(0).mappingNode;
    }
    QCOMPARE(node->nodeName(), QStringLiteral("type"));
    const auto attributes = node->attributes();
    const auto className = attributes->getNamedItem(QStringLiteral("targetClassName"));
    QVERIFY(className);
    QCOMPARE(className->nodeValue(), QStringLiteral("struct_QueryResult"));
    QVERIFY(!attributes->getNamedItem(QStringLiteral("targetclassname"))); // names are exact
    QVERIFY(MappingDocument::parse(QString(), Service).types().empty());
}

void TestMappingDocument::refusals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("descriptionPart");

    QTest::newRow("unknown ProgID")
        << mapping(QStringLiteral("<using PROGID='MSSOAP.UDTMapper30' cachable='0' ID='UDT'/>"),
                   QStringLiteral("<type name='QueryResult' targetNamespace='urn:s' uses='UDT' targetClassName='x'/>"))
        << int(ErrorNumber::UnknownTypeMapper) << QStringLiteral("MSSOAP.UDTMapper30");
    QTest::newRow("ProgID in other case")
        << mapping(QStringLiteral("<using PROGID='mssoap.genericcustomtypemapper30' cachable='0' ID='GCTM'/>"), QueryResultType)
        << int(ErrorNumber::UnknownTypeMapper) << QStringLiteral("mssoap.genericcustomtypemapper30");
    QTest::newRow("type uses an undeclared mapper")
        << mapping(GenericUsing, QStringLiteral("<type name='QueryResult' targetNamespace='urn:s' uses='OTHER' targetClassName='x'/>"))
        << int(ErrorNumber::MappingInvalid) << QStringLiteral("OTHER");
    QTest::newRow("ID twice") << mapping(GenericUsing + GenericUsing, QueryResultType)
                              << int(ErrorNumber::MappingInvalid) << QStringLiteral("GCTM");
    QTest::newRow("cachable neither 0 nor 1")
        << mapping(QStringLiteral("<using PROGID='MSSOAP.GenericCustomTypeMapper30' cachable='yes' ID='GCTM'/>"), QueryResultType)
        << int(ErrorNumber::MappingInvalid) << QStringLiteral("cachable");
    QTest::newRow("type without name")
        << mapping(GenericUsing, QStringLiteral("<type targetNamespace='urn:s' uses='GCTM'/>"))
        << int(ErrorNumber::MappingInvalid) << QStringLiteral("name");
    QTest::newRow("another service") << mapping(GenericUsing, QueryResultType, QStringLiteral("Other"))
                                     << int(ErrorNumber::MappingInvalid) << Service;
    QTest::newRow("wrong root") << QStringLiteral("<mapping/>") << int(ErrorNumber::MappingInvalid)
                                << QStringLiteral("servicemapping");
    QTest::newRow("not XML") << QStringLiteral("<servicemapping><service") << int(ErrorNumber::MappingInvalid)
                             << QStringLiteral("rad");
    QTest::newRow("DOCTYPE")
        << QStringLiteral("<!DOCTYPE servicemapping [<!ENTITY x 'y'>]>") + mapping(GenericUsing, QueryResultType)
        << int(ErrorNumber::MappingInvalid) << QStringLiteral("DOCTYPE");
}

void TestMappingDocument::refusals()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QFETCH(QString, descriptionPart);
    try {
        MappingDocument::parse(text, Service);
        QFAIL("the document was accepted");
    } catch (const RaisedError &error) {
        QCOMPARE(error.number(), number);
        QVERIFY2(error.description().contains(descriptionPart), qPrintable(error.description()));
    }
}

QTEST_MAIN(TestMappingDocument)
#include "tst_mappingdocument.moc"
