#include "responsedecoder.h"

#include "answerbuilder.h"
#include "decodefailure.h"
#include "errornumbers.h"
#include "expatreader.h"
#include "layererror.h"

#include <optional>
#include <utility>

namespace soap {

struct ResponseDecoder::Impl
{
    Impl(const DecodeSetup &setup, AnswerExpectation expectation, const QByteArray &httpCharset,
         QString where, const Deadline &deadline)
        : failure(std::move(where)), builder(setup, std::move(expectation), failure)
    {
        // An unusable charset is reported where every other failure is: on feed or finish.
        try {
            reader = std::make_unique<ExpatReader>(builder, httpCharset, failure, MaxDepth, deadline);
        } catch (const RaisedError &error) {
            failed = error;
        }
    }

    template<typename Step>
    auto guarded(Step &&step)
    {
        if (failed)
            throw *failed;
        try {
            return step();
        } catch (const RaisedError &error) {
            failed = error;
            throw;
        }
    }

    void refuseAfterFinish() const
    {
        if (finished)
            throw LayerError::make(ErrorNumber::BadArgument,
                                   QStringLiteral("Svaret matades efter att avkodningen avslutats."));
    }

    DecodeFailure failure;
    AnswerBuilder builder;
    std::unique_ptr<ExpatReader> reader;
    std::optional<RaisedError> failed;
    bool finished = false;
};

ResponseDecoder::ResponseDecoder(const DecodeSetup &setup, AnswerExpectation expectation,
                                 QByteArray httpCharset, QString where, Deadline deadline)
    : m_impl(std::make_unique<Impl>(setup, std::move(expectation), httpCharset, std::move(where), deadline))
{
}

ResponseDecoder::~ResponseDecoder() = default;

void ResponseDecoder::feed(const char *data, qsizetype size)
{
    m_impl->guarded([&] {
        m_impl->refuseAfterFinish();
        m_impl->reader->parse(data, size);
    });
}

char *ResponseDecoder::room(qsizetype size)
{
    return m_impl->guarded([&] {
        m_impl->refuseAfterFinish();
        return m_impl->reader->room(size);
    });
}

void ResponseDecoder::commit(qsizetype size)
{
    m_impl->guarded([&] { m_impl->reader->commit(size); });
}

DecodedAnswer ResponseDecoder::finish()
{
    return m_impl->guarded([&] {
        if (m_impl->finished)
            throw LayerError::make(ErrorNumber::BadArgument,
                                   QStringLiteral("Avkodningen av svaret avslutades två gånger."));
        m_impl->finished = true;
        m_impl->reader->finish();
        return m_impl->builder.result();
    });
}

} // namespace soap
