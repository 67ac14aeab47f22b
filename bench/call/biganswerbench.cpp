#include "biganswerbench.h"

#include "cannedservice.h"
#include "testhttpserver.h"

#include <QProcess>

#include <algorithm>
#include <stdexcept>

BigAnswerBench::Result BigAnswerBench::run(const QString &program, int records,
                                           bench::WireStyle style, int runs)
{
    Result result;
    const QByteArray answer = bench::SampleAnswer::generate(records, style);
    result.answerBytes = answer.size();
    CannedService service;
    service.reply(testsupport::CannedReply::ok(answer));
    const QUrl wsdl = service.wsdlUrl();

    runs = std::max(runs, 1);
    std::vector<Result> samples;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.start(program, {QStringLiteral("--child"), wsdl.toString()});
        if (!child.waitForFinished(120000) || child.exitCode() != 0)
            throw std::runtime_error("child call failed: " + child.readAllStandardError().toStdString());
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 4)
            throw std::runtime_error("child printed no figures");
        Result sample = result;
        sample.records = fields[0].toInt();
        sample.medianSeconds = fields[1].toDouble();
        sample.baselineBytes = fields[2].toLongLong();
        sample.peakBytes = fields[3].toLongLong();
        samples.push_back(sample);
    }
    std::sort(samples.begin(), samples.end(),
              [](const Result &a, const Result &b) { return a.medianSeconds < b.medianSeconds; });
    Result median = samples[samples.size() / 2];
    median.minSeconds = samples.front().medianSeconds;
    return median;
}
