#include "httpbinding.h"
#include "ksv_config.h"
#include "resultsserverthread.h"
#include "resultsservice.h"
#include "soapanswer.h"

#include "dataseterror.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTest>

using namespace std::chrono_literals;

namespace {

QByteArray countryCall(const QString &operation = QStringLiteral("getCountryResultsValnatt"))
{
    return QStringLiteral("<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>"
                          "<m:%1 xmlns:m=\"" KSV_SERVICE_NAMESPACE "\"/></e:Body></e:Envelope>")
            .arg(operation)
            .toUtf8();
}

struct HttpAnswer
{
    int status = 0;
    QByteArray body;
    QMap<QByteArray, QByteArray> headers;    // lower-case names
};

// One request and its answer over a plain socket, the test thread blocked meanwhile: the server
// must answer from its own thread.
HttpAnswer rawExchange(QTcpSocket &socket, const QByteArray &request, bool head = false)
{
    HttpAnswer answer;
    socket.write(request);
    if (!socket.waitForBytesWritten(5000))
        return answer;
    QByteArray buffer;
    qsizetype headerEnd = -1;
    qsizetype length = -1;
    while (headerEnd < 0 || buffer.size() < headerEnd + 4 + length) {
        if (!socket.waitForReadyRead(5000))
            return answer;
        buffer += socket.readAll();
        if (headerEnd < 0 && (headerEnd = buffer.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
            answer.status = lines.first().split(' ').value(1).toInt();
            for (const QByteArray &line : lines.mid(1)) {
                const int colon = line.indexOf(':');
                answer.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
            }
            length = head ? 0 : answer.headers.value("content-length", "0").toLongLong();
        }
    }
    answer.body = buffer.mid(headerEnd + 4, length);
    return answer;
}

HttpAnswer rawExchange(quint16 port, const QByteArray &request, bool head = false)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    return rawExchange(socket, request, head);
}

QByteArray post(const QString &path, const QByteArray &body)
{
    return "POST " + path.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml; charset=utf-8\r\n"
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

class TestHttpBinding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void wsdlOverNetworkAccessManager();
    void callOverNetworkAccessManager_data();
    void callOverNetworkAccessManager();
    void statuses_data();
    void statuses();
    void wsdlEndpointFollowsHost_data();
    void wsdlEndpointFollowsHost();
    void headOfWsdl();
    void oversizedBodyRefused();
    void refusedBeforeBodyIsRead_data();
    void refusedBeforeBodyIsRead();
    void pipelinedCalls();
    void keepAliveServesSeveralCalls();
    void closesWhenAsked();
    void continuesWhenExpected();
    void clockSetFromTestThread();
    void badDataFileRefused();

private:
    QNetworkReply *waitFor(QNetworkReply *reply);

    ServiceOptions m_options;
    std::unique_ptr<ResultsServerThread> m_server;
    QNetworkAccessManager m_network;
};

void TestHttpBinding::initTestCase()
{
    m_options.logRequests = false;
    m_options.frozenAt = 15min;
    m_server = std::make_unique<ResultsServerThread>(m_options);
    QVERIFY(m_server->port() != 0);
    QCOMPARE(m_server->wsdlUrl(), QStringLiteral("http://127.0.0.1:%1" KSV_WSDL_PATH).arg(m_server->port()));
}

QNetworkReply *TestHttpBinding::waitFor(QNetworkReply *reply)
{
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    return reply;
}

void TestHttpBinding::wsdlOverNetworkAccessManager()
{
    std::unique_ptr<QNetworkReply> reply(waitFor(m_network.get(QNetworkRequest(QUrl(m_server->wsdlUrl())))));
    QVERIFY(reply->isFinished());
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QVERIFY(reply->header(QNetworkRequest::ContentTypeHeader).toString().startsWith("text/xml"));
    const QByteArray wsdl = reply->readAll();
    QVERIFY(wsdl.contains("location=\"" + m_server->endpointUrl().toUtf8() + "\""));
}

void TestHttpBinding::callOverNetworkAccessManager_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("fault");
    QTest::newRow("country") << countryCall() << 200 << 22 << QString();
    QTest::newRow("final") << countryCall("getCountryResultsSlutsam") << 200 << 22 << QString();
    QTest::newRow("unknown operation") << countryCall("getEverything") << 500 << 0 << "Okänd operation";
    QTest::newRow("not SOAP") << QByteArray("hello") << 500 << 0 << "Felaktig XML";
}

void TestHttpBinding::callOverNetworkAccessManager()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(int, records);
    QFETCH(QString, fault);
    QNetworkRequest request{QUrl(m_server->endpointUrl())};
    request.setHeader(QNetworkRequest::ContentTypeHeader, "text/xml; charset=utf-8");
    request.setRawHeader("SOAPAction", "\"\"");
    std::unique_ptr<QNetworkReply> reply(waitFor(m_network.post(request, body)));
    QVERIFY(reply->isFinished());
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
    QVERIFY(reply->header(QNetworkRequest::ContentTypeHeader).toString().startsWith("text/xml"));
    const SoapAnswer answer = SoapAnswer::read(reply->readAll());
    QVERIFY2(answer.wellFormed, qPrintable(answer.error));
    QCOMPARE(int(answer.records.size()), records);
    QVERIFY2(answer.faultString.startsWith(fault), qPrintable(answer.faultString));
}

void TestHttpBinding::statuses_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("allow");
    const QByteArray wsdl = KSV_WSDL_PATH;
    const QByteArray endpoint = ResultsService::endpointPath().toUtf8();
    const QByteArray rest = " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n";
    QTest::newRow("GET WSDL") << "GET " + wsdl + rest << 200 << QByteArray();
    QTest::newRow("GET WSDL with query") << "GET " + wsdl + "?wsdl" + rest << 200 << QByteArray();
    QTest::newRow("POST to WSDL") << "POST " + wsdl + rest << 405 << QByteArray("GET, HEAD");
    QTest::newRow("DELETE WSDL") << "DELETE " + wsdl + rest << 405 << QByteArray("GET, HEAD");
    QTest::newRow("GET endpoint") << "GET " + endpoint + rest << 405 << QByteArray("POST");
    QTest::newRow("PUT endpoint") << "PUT " + endpoint + rest << 405 << QByteArray("POST");
    QTest::newRow("empty POST") << "POST " + endpoint + rest << 500 << QByteArray();
    QTest::newRow("wrong path") << "GET /emu2003/webservices/Other.wsdl" + rest << 404 << QByteArray();
    QTest::newRow("root") << "GET /" + rest << 404 << QByteArray();
    QTest::newRow("POST elsewhere") << post("/soap", countryCall()) << 404 << QByteArray();
    QTest::newRow("WSDL path case") << "GET " + wsdl.toLower() + rest << 404 << QByteArray();
}

void TestHttpBinding::statuses()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(QByteArray, allow);
    const HttpAnswer answer = rawExchange(m_server->port(), request);
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.headers.value("allow"), allow);
}

void TestHttpBinding::wsdlEndpointFollowsHost_data()
{
    QTest::addColumn<QByteArray>("hostHeader");
    QTest::addColumn<QString>("expectedHost");    // %1: the server's port
    QTest::newRow("address and port") << QByteArray("Host: 127.0.0.1:%1\r\n") << "127.0.0.1:%1";
    QTest::newRow("name and other port") << QByteArray("Host: results.example:8803\r\n") << "results.example:8803";
    QTest::newRow("name only") << QByteArray("Host: localhost\r\n") << "localhost";
    QTest::newRow("IPv6") << QByteArray("Host: [::1]:8803\r\n") << "[::1]:8803";
    QTest::newRow("no Host") << QByteArray() << "127.0.0.1:%1";
    QTest::newRow("markup in Host") << QByteArray("Host: a\"><x y=\"\r\n") << "127.0.0.1:%1";
    QTest::newRow("path in Host") << QByteArray("Host: evil.example/x?\r\n") << "127.0.0.1:%1";
}

void TestHttpBinding::wsdlEndpointFollowsHost()
{
    QFETCH(QByteArray, hostHeader);
    QFETCH(QString, expectedHost);
    const QByteArray port = QByteArray::number(m_server->port());
    const HttpAnswer answer = rawExchange(
            m_server->port(), "GET " KSV_WSDL_PATH " HTTP/1.1\r\n" + hostHeader.replace("%1", port) + "\r\n");
    QCOMPARE(answer.status, 200);
    const QString location = "location=\"http://" + expectedHost.replace("%1", QString::number(m_server->port()))
            + ResultsService::endpointPath() + '"';
    QVERIFY2(answer.body.contains(location.toUtf8()), answer.body.right(300).constData());
}

void TestHttpBinding::headOfWsdl()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray request = "HEAD " KSV_WSDL_PATH " HTTP/1.1\r\nHost: 127.0.0.1:1\r\n\r\n";
    const HttpAnswer head = rawExchange(socket, request, true);
    QCOMPARE(head.status, 200);
    QVERIFY(head.body.isEmpty());
    // The connection carries on: nothing stray was sent after the head.
    const HttpAnswer get = rawExchange(socket, "GET " KSV_WSDL_PATH " HTTP/1.1\r\nHost: 127.0.0.1:1\r\n\r\n");
    QCOMPARE(get.status, 200);
    QCOMPARE(head.headers.value("content-length").toLongLong(), get.body.size());
}

void TestHttpBinding::oversizedBodyRefused()
{
    const QByteArray padding(HttpBinding::maxBodySize, ' ');
    QByteArray body = countryCall();
    body.insert(body.indexOf("<e:Body>"), padding);
    QCOMPARE(rawExchange(m_server->port(), post(ResultsService::endpointPath(), body)).status, 413);
    // Just under the cap is an ordinary call.
    body = countryCall();
    body.insert(body.indexOf("<e:Body>"), QByteArray(HttpBinding::maxBodySize - body.size(), ' '));
    QCOMPARE(body.size(), HttpBinding::maxBodySize);
    QCOMPARE(rawExchange(m_server->port(), post(ResultsService::endpointPath(), body)).status, 200);
}

void TestHttpBinding::refusedBeforeBodyIsRead_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("status");
    const QByteArray start = "POST " + ResultsService::endpointPath().toUtf8() + " HTTP/1.1\r\nHost: x\r\n";
    QTest::newRow("declared 10 MB") << start + "Content-Length: 10000000\r\n\r\n" << 413;
    QTest::newRow("declared one over the cap")
            << start + "Content-Length: " + QByteArray::number(HttpBinding::maxBodySize + 1) + "\r\n\r\n" << 413;
    QTest::newRow("expect continue") << start + "Expect: 100-continue\r\nContent-Length: 999999\r\n\r\n" << 413;
    QTest::newRow("chunked") << start + "Transfer-Encoding: chunked\r\n\r\n" << 411;
    QTest::newRow("bad length") << start + "Content-Length: lots\r\n\r\n" << 400;
    QTest::newRow("negative length") << start + "Content-Length: -1\r\n\r\n" << 400;
    QTest::newRow("huge header") << start + "X-Padding: " + QByteArray(HttpBinding::maxHeaderSize + 10, 'a') << 431;
}

void TestHttpBinding::refusedBeforeBodyIsRead()
{
    // Only the head is sent: the answer must come without the body ever arriving.
    QFETCH(QByteArray, head);
    QFETCH(int, status);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    const HttpAnswer answer = rawExchange(socket, head);
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.headers.value("connection"), QByteArray("close"));
    // The server ends the connection; later bytes are not taken as a new request.
    socket.write("GET " KSV_WSDL_PATH " HTTP/1.1\r\nHost: x\r\n\r\n");
    QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(5000));
    QVERIFY(!socket.readAll().contains("HTTP/1.1 200"));
    // ...and the server carries on with other clients.
    QCOMPARE(rawExchange(m_server->port(), post(ResultsService::endpointPath(), countryCall())).status, 200);
}

void TestHttpBinding::pipelinedCalls()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray one = post(ResultsService::endpointPath(), countryCall());
    const QByteArray two = post(ResultsService::endpointPath(), countryCall("getCountryResultsSlutsam"));
    socket.write(one + two);
    QByteArray received;
    while (received.count("HTTP/1.1 200") < 2 || !received.trimmed().endsWith("Envelope>")) {
        QVERIFY(socket.waitForReadyRead(5000));
        received += socket.readAll();
    }
    QCOMPARE(received.count("HTTP/1.1 200"), 2);
    QVERIFY(received.contains("getCountryResultsValnattResponse"));
    QVERIFY(received.contains("getCountryResultsSlutsamResponse"));
}

void TestHttpBinding::keepAliveServesSeveralCalls()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    for (const char *operation : {"getCountryResultsValnatt", "getCountryResultsSlutsam", "getCountryResultsValnatt"}) {
        const HttpAnswer answer = rawExchange(socket, post(ResultsService::endpointPath(), countryCall(operation)));
        QCOMPARE(answer.status, 200);
        QCOMPARE(SoapAnswer::read(answer.body).records.size(), std::size_t(22));
        QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    }
}

void TestHttpBinding::closesWhenAsked()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    const HttpAnswer answer = rawExchange(
            socket, "GET " KSV_WSDL_PATH " HTTP/1.1\r\nHost: x\r\nConnection: Close\r\n\r\n");
    QCOMPARE(answer.status, 200);
    QCOMPARE(answer.headers.value("connection"), QByteArray("close"));
    QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(2000));
}

void TestHttpBinding::continuesWhenExpected()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_server->port());
    QVERIFY(socket.waitForConnected(5000));
    const QByteArray body = countryCall();
    socket.write("POST " + ResultsService::endpointPath().toUtf8() + " HTTP/1.1\r\nHost: x\r\n"
                 "Expect: 100-continue\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n");
    QVERIFY(socket.waitForReadyRead(5000));
    QCOMPARE(socket.readAll(), QByteArray("HTTP/1.1 100 Continue\r\n\r\n"));
    const HttpAnswer answer = rawExchange(socket, body);
    QCOMPARE(answer.status, 200);
    QCOMPARE(SoapAnswer::read(answer.body).records.size(), std::size_t(22));
}

void TestHttpBinding::clockSetFromTestThread()
{
    auto ready = [&] {
        const HttpAnswer a = rawExchange(m_server->port(), post(ResultsService::endpointPath(), countryCall()));
        return SoapAnswer::read(a.body).records.at(0)["readyDistricts"].toInt();
    };
    m_server->setElapsed(0ms);
    QCOMPARE(ready(), 0);
    m_server->setElapsed(10min);
    const int early = ready();
    m_server->setElapsed(20min);
    const int later = ready();
    QVERIFY(early > 0);
    QVERIFY(later > early);
    m_server->setElapsed(30min);
    QCOMPARE(ready(), m_server->service().night().districtCount());
}

void TestHttpBinding::badDataFileRefused()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("bad.tsv"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("nonsense\n");
    file.close();
    ServiceOptions options;
    options.dataFile = file.fileName();
    QVERIFY_THROWS_EXCEPTION(DataSetError, ResultsServerThread server(options));
}

QTEST_MAIN(TestHttpBinding)
#include "tst_httpbinding.moc"
