// Answer decoding throughput and peak memory, printed as a table.
//   ksv-bench-decode                 all sizes, both wire styles
//   ksv-bench-decode --memory N S    (internal) peak memory of decoding one answer, in a fresh process
//   ksv-bench-decode --pass P N S    one pass only (P: expat or decode), for counting instructions:
//       valgrind --tool=callgrind --toggle-collect='DecodeBench::bareExpat*'
//                --toggle-collect='DecodeBench::decodeOnce*' ksv-bench-decode --pass decode 5000 inline
//       (one command line)

#include "decodebench.h"
#include "peakmemory.h"
#include "sampleanswer.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTextStream>

#include <cstdio>

namespace {

bench::WireStyle styleFrom(const QString &name)
{
    return name == QLatin1String("multiRef") ? bench::WireStyle::MultiRef : bench::WireStyle::Inline;
}

// Runs in its own process, so that the heap holds nothing from other measurements.
int measureMemory(int records, bench::WireStyle style)
{
    const QByteArray answer = bench::SampleAnswer::generate(records, style);
    const DecodeBench bench(answer);
    const bool resettable = PeakMemory::reset();
    const qint64 before = PeakMemory::residentBytes();
    const std::size_t decoded = bench.decodeOnce().value.array().size();
    const qint64 peak = PeakMemory::peakBytes();
    std::printf("%lld %d %zu\n", qlonglong(peak - before), resettable ? 1 : 0, decoded);
    return decoded == std::size_t(records) ? 0 : 1;
}

qint64 peakDelta(int records, bench::WireStyle style, bool &resettable)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory"), QString::number(records), bench::SampleAnswer::styleName(style)});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        return -1;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    resettable = fields.value(1) == "1";
    return fields.value(0).toLongLong();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--memory"))
        return measureMemory(args.at(2).toInt(), styleFrom(args.at(3)));
    if (args.size() == 5 && args.at(1) == QLatin1String("--pass")) {
        const DecodeBench bench(bench::SampleAnswer::generate(args.at(3).toInt(), styleFrom(args.at(4))));
        if (args.at(2) == QLatin1String("expat"))
            bench.bareExpat();
        else
            bench.decodeOnce();
        return 0;
    }

    QTextStream out(stdout);
    out << "Answer decoding: fed in " << DecodeBench::Piece / 1024 << " KiB pieces; thread CPU time, best of interleaved rounds\n\n";
    out << qSetFieldWidth(0)
        << "| records | style    |      bytes | expat MB/s | QXmlStreamReader MB/s | decode MB/s | decode/expat "
           "| µs/record | decode ms | peak Δ MB | peak/answer |\n"
        << "|--------:|----------|-----------:|-----------:|----------------------:|------------:|-------------:"
           "|----------:|----------:|----------:|------------:|\n";
    out.flush();
    bool resettable = true;
    for (const int records : {22, 312, 50000}) {
        for (const bench::WireStyle style : {bench::WireStyle::Inline, bench::WireStyle::MultiRef}) {
            const QByteArray answer = bench::SampleAnswer::generate(records, style);
            const DecodeBench bench(answer);
            if (bench.decodeOnce().value.array().size() != std::size_t(records)) {
                out << "decoding gave the wrong number of records\n";
                return 1;
            }
            const double megabytes = double(answer.size()) / 1e6;
            const DecodeBench::Seconds seconds = bench.measure();
            const double expat = seconds.expat;
            const double reader = seconds.streamReader;
            const double decode = seconds.decode;
            bool childResettable = true;
            const qint64 peak = peakDelta(records, style, childResettable);
            resettable = resettable && childResettable;
            out << QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 |\n")
                       .arg(records, 7)
                       .arg(bench::SampleAnswer::styleName(style), -8)
                       .arg(answer.size(), 10)
                       .arg(megabytes / expat, 10, 'f', 1)
                       .arg(megabytes / reader, 21, 'f', 1)
                       .arg(megabytes / decode, 11, 'f', 1)
                       .arg(expat / decode, 12, 'f', 2)
                       .arg(decode * 1e6 / records, 9, 'f', 2)
                       .arg(decode * 1e3, 9, 'f', 2)
                       .arg(peak < 0 ? QStringLiteral("?") : QString::number(double(peak) / 1e6, 'f', 1), 9)
                       .arg(peak < 0 ? QStringLiteral("?") : QString::number(double(peak) / double(answer.size()), 'f', 2), 11);
            out.flush();
        }
    }
    out << "\npeak Δ: rise of VmHWM over VmRSS while one answer, already in memory, is decoded into records"
        << (resettable ? " (high-water mark reset before decoding, fresh process per row)" : " (mark could not be reset: upper bound)")
        << ".\n";
    return 0;
}
