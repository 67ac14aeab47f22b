#include "dataset.h"
#include "dataseterror.h"
#include "httpbinding.h"
#include "ksv_config.h"
#include "resultsservice.h"
#include "servicecommandline.h"
#include "signalwatcher.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void printLine(FILE *stream, const QString &text)
{
    const QByteArray bytes = (text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ksv-results-service"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KSV_VERSION));

    ServiceCommandLine commandLine;
    if (!commandLine.parse(QCoreApplication::arguments())) {
        printLine(stderr, QStringLiteral("ksv-results-service: %1\nSe --help.").arg(commandLine.errorText()));
        return 2;
    }
    if (commandLine.helpRequested()) {
        printLine(stdout, commandLine.helpText());
        return 0;
    }
    if (commandLine.versionRequested()) {
        printLine(stdout, QStringLiteral("ksv-results-service " KSV_VERSION));
        return 0;
    }
    const ServiceOptions &options = commandLine.options();

    std::unique_ptr<ResultsService> service;
    try {
        DataSet data = options.dataFile.isEmpty() ? DataSet::bundled() : DataSet::fromFile(options.dataFile);
        service = std::make_unique<ResultsService>(std::move(data), options);
    } catch (const DataSetError &e) {
        printLine(stderr, QStringLiteral("ksv-results-service: %1").arg(e.message()));
        return 1;
    }

    // Before the WSDL line: whoever reads it may signal us at once.
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::stopRequested, &app, [](int signalNumber) {
        printLine(stderr, QStringLiteral("ksv-results-service: signal %1, avslutar").arg(signalNumber));
        QCoreApplication::quit();
    });

    HttpBinding binding(*service, options.logRequests);
    const quint16 port = binding.listenOn(options.bindAddress, options.port);
    if (port == 0) {
        printLine(stderr, QStringLiteral("ksv-results-service: kan inte lyssna på %1 port %2: %3")
                                  .arg(options.bindAddress.toString())
                                  .arg(options.port)
                                  .arg(binding.listenError()));
        return 1;
    }
    const QString host = options.bindAddress.protocol() == QAbstractSocket::IPv6Protocol
            ? QStringLiteral("[%1]").arg(options.bindAddress.toString())
            : options.bindAddress.toString();
    printLine(stdout, QStringLiteral("WSDL: http://%1:%2%3").arg(host).arg(port).arg(ResultsService::wsdlPath()));

    return app.exec();
}
