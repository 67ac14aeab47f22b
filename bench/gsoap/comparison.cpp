#include "comparison.h"

#include "childprocess.h"

#include "cannedservice.h"
#include "testhttpserver.h"

#include <algorithm>
#include <stdexcept>

namespace {

struct Report
{
    long records = 0;
    double callWall = 0;
    double callCpu = 0;
    double peakBytes = 0;
    QByteArray checksum;
};

Report parse(const QByteArray &line)
{
    const QList<QByteArray> fields = line.trimmed().split(' ');
    if (fields.size() != 6)
        throw std::runtime_error("a child printed no figures: " + line.toStdString());
    return {fields[0].toLong(), fields[1].toDouble(), fields[2].toDouble(), fields[4].toDouble(), fields[5]};
}

void add(Comparison::Figures &figures, const ChildRun &run, const Report &report)
{
    figures.callWall.push_back(report.callWall);
    figures.callCpu.push_back(report.callCpu);
    figures.processWall.push_back(run.wallSeconds);
    figures.processCpu.push_back(run.cpuSeconds);
    figures.peakBytes.push_back(report.peakBytes);
}

} // namespace

Comparison::Comparison(QString ksvProgram, QString gsoapProgram)
    : m_ksv(std::move(ksvProgram)), m_gsoap(std::move(gsoapProgram))
{
}

double Comparison::median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

Comparison::Result Comparison::run(int records, bench::WireStyle style, int runs) const
{
    Result result;
    const QByteArray answer = bench::SampleAnswer::generate(records, style);
    result.answerBytes = answer.size();
    CannedService service;
    service.reply(testsupport::CannedReply::ok(answer));
    const QString wsdl = service.wsdlUrl().toString();
    const QString endpoint = service.endpointUrl().toString();
    const QStringList ksvArguments{QStringLiteral("--child"), wsdl};
    const QStringList gsoapArguments{endpoint};

    const Report ksvCheck = parse(ChildProcess::run(m_ksv, ksvArguments + QStringList{"--verify"}).output);
    const Report gsoapCheck = parse(ChildProcess::run(m_gsoap, gsoapArguments + QStringList{"--verify"}).output);
    if (ksvCheck.records != records || gsoapCheck.records != records || ksvCheck.checksum != gsoapCheck.checksum)
        throw std::runtime_error("the clients decoded different records");
    result.records = ksvCheck.records;

    for (int i = 0; i < runs; ++i) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool ksv = (turn == 0) == (i % 2 == 0);
            const ChildRun run = ChildProcess::run(ksv ? m_ksv : m_gsoap, ksv ? ksvArguments : gsoapArguments);
            const Report report = parse(run.output);
            if (report.records != records)
                throw std::runtime_error("a timed run decoded another number of records");
            add(ksv ? result.ksv : result.gsoap, run, report);
        }
    }
    return result;
}
