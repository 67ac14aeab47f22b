#include "resultsservice.h"

#include "livecount.h"
#include "faultwriter.h"
#include "ksv_config.h"
#include "operation.h"
#include "resultrowbuilder.h"
#include "soapfault.h"
#include "soaprequestreader.h"

#include <QDateTime>

namespace {

// Quoted in a fault; a client that sent a whole page as its code gets the start of it back.
QString quoted(const QString &text)
{
    constexpr int MaxShown = 40;
    return text.size() <= MaxShown ? text : text.left(MaxShown) + QStringLiteral("…");
}

bool isTwoDigits(const QString &s)
{
    return s.size() == 2 && s[0] >= u'0' && s[0] <= u'9' && s[1] >= u'0' && s[1] <= u'9';
}

} // namespace

ResultsService::ResultsService(DataSet data, const ServiceOptions &options, LiveCount *live)
    : m_data(std::move(data)),
      m_night(m_data, options.seed, std::chrono::minutes(std::max(0, options.nightMinutes))),
      m_finalCount(options.finalCount),
      m_live(live),
      m_writer(options.style),
      m_clock(options.nightStart.value_or(ReplayClock::WallClock::now()))
{
    if (options.frozenAt)
        m_clock.setElapsed(*options.frozenAt);
}

QString ResultsService::wsdlPath()
{
    return QStringLiteral(KSV_WSDL_PATH);
}

QString ResultsService::endpointPath()
{
    return QStringLiteral("/emu2003/webservices/ElectionResults/soap");
}

QString ResultsService::generatedText(std::int64_t secondsSinceEpoch)
{
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QByteArray ResultsService::wsdl(const QString &hostAndPort) const
{
    return WsdlWriter::write(QStringLiteral("http://") + hostAndPort + endpointPath());
}

SoapReply ResultsService::call(const QByteArray &request)
{
    SoapReply reply;
    try {
        std::optional<CallMemo::Call> call = m_memo.find(request);
        if (!call) {
            const SoapRequest parsed = SoapRequestReader::read(request);
            reply.operation = parsed.operation;
            call = resolve(parsed);
            m_memo.store(request, *call);
        }
        reply.operation = call->operation->name;
        reply.body = answer(*call->operation, call->county);
        reply.status = 200;
    } catch (const SoapFault &fault) {
        reply.status = 500;
        reply.body = FaultWriter::write(fault);
    } catch (const std::exception &e) {
        reply.status = 500;
        reply.body = FaultWriter::write(SoapFault(QStringLiteral("Server"),
                                                  QStringLiteral("Internt fel: %1").arg(e.what())));
    }
    return reply;
}

CallMemo::Call ResultsService::resolve(const SoapRequest &request) const
{
    const Operation *operation = request.operationNamespace == QStringLiteral(KSV_SERVICE_NAMESPACE)
            ? Operation::find(request.operation)
            : nullptr;
    if (!operation) {
        throw SoapFault::client(QStringLiteral("Okänd operation: '%1' i namnrymden '%2'")
                                    .arg(quoted(request.operation), quoted(request.operationNamespace)));
    }
    return CallMemo::Call{operation, operation->takesCounty ? countyArgument(request) : -1};
}

int ResultsService::countyArgument(const SoapRequest &request) const
{
    // By the part's name; a client that names it otherwise still gets its one argument read.
    const SoapRequest::Argument *argument = nullptr;
    for (const auto &a : request.arguments) {
        if (a.name == Operation::countyPart()) {
            argument = &a;
            break;
        }
    }
    if (!argument && !request.arguments.empty())
        argument = &request.arguments.front();
    if (!argument || !argument->value)
        throw SoapFault::client(QStringLiteral("Länskod saknas"));
    const QString &code = *argument->value;
    if (!isTwoDigits(code))
        throw SoapFault::client(QStringLiteral("Felaktig länskod: '%1' (två siffror väntades)").arg(quoted(code)));
    const int county = m_data.countyIndex(code);
    if (county < 0)
        throw SoapFault::client(QStringLiteral("Okänd länskod: '%1'").arg(code));
    return county;
}

QByteArray ResultsService::answer(const Operation &operation, int county)
{
    if (m_live)
        return liveAnswer(operation, county);
    const bool complete = m_finalCount || operation.finalCount;
    const int arrived = complete ? m_night.districtCount() : m_night.arrivedBy(m_clock.elapsed());
    const auto operationIndex = int(&operation - Operation::all().data());
    const AnswerCache::Key key{operationIndex * 1000 + county + 1, arrived,
                               QDateTime::currentSecsSinceEpoch()};
    QByteArray cached = m_cache.find(key);
    if (!cached.isEmpty())
        return cached;
    QByteArray written = write(operation, county, CountState(m_data, m_night, arrived), key.second);
    m_cache.store(key, written);
    return written;
}

QByteArray ResultsService::liveAnswer(const Operation &operation, int county)
{
    // An answer stands until the count changes: its `generated` is the newest report's time.
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    const auto operationIndex = int(&operation - Operation::all().data());
    const int slot = operationIndex * 1000 + county + 1;
    QByteArray cached = m_cache.find(AnswerCache::Key{slot, int(m_live->version(now)), 0});
    if (!cached.isEmpty())
        return cached;
    const LiveCount::View view = m_live->view(county, operation.finalCount, now);
    QByteArray written = write(operation, county, view.state, view.newestMs / 1000);
    m_cache.store(AnswerCache::Key{slot, int(view.version), 0}, written);
    return written;
}

QByteArray ResultsService::write(const Operation &operation, int county, const CountState &state,
                                 std::int64_t generatedSecond)
{
    const ResultRowBuilder builder(m_data, state, generatedText(generatedSecond));
    return m_writer.write(operation.name, county < 0 ? builder.countryRows() : builder.countyRows(county));
}
