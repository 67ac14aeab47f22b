#pragma once

#include "answercache.h"
#include "answerwriter.h"
#include "callmemo.h"
#include "countstate.h"
#include "dataset.h"
#include "electionnight.h"
#include "replayclock.h"
#include "serviceoptions.h"
#include "soapreply.h"
#include "wsdlwriter.h"

#include <QByteArray>
#include <QString>

class LiveCount;
struct Operation;
struct SoapRequest;

// The ElectionResults service without its transport: SOAP request bytes in, HTTP status and
// answer bytes out, and the WSDL document. Answers come from the replayed night, or from a live
// night's count when there is one. Safe to call from several threads.
class ResultsService
{
public:
    // `live`, if any, outlives the service.
    ResultsService(DataSet data, const ServiceOptions &options, LiveCount *live = nullptr);

    SoapReply call(const QByteArray &request);
    // The WSDL with its endpoint on `hostAndPort` (as in a Host header: "127.0.0.1:8803").
    QByteArray wsdl(const QString &hostAndPort) const;

    ReplayClock &clock() { return m_clock; }
    const DataSet &data() const { return m_data; }
    const ElectionNight &night() const { return m_night; }

    static QString wsdlPath();
    static QString endpointPath();
    // Moment formatting of `generated`: local time, ISO 8601, whole seconds.
    static QString generatedText(std::int64_t secondsSinceEpoch);

private:
    // The operation and county a request asks for; throws a SoapFault if there is none.
    CallMemo::Call resolve(const SoapRequest &request) const;
    QByteArray answer(const Operation &operation, int county);
    QByteArray liveAnswer(const Operation &operation, int county);
    QByteArray write(const Operation &operation, int county, const CountState &state, std::int64_t generatedSecond);
    int countyArgument(const SoapRequest &request) const;

    DataSet m_data;
    ElectionNight m_night;
    bool m_finalCount = false;
    LiveCount *m_live = nullptr;
    AnswerWriter m_writer;
    ReplayClock m_clock;
    AnswerCache m_cache;
    CallMemo m_memo;
};
