#include "requestrecorder.h"

#include "metricsregistry.h"
#include "refusals.h"
#include "serverresources.h"

RequestRecorder::RequestRecorder(const ServerResources &server, std::string client)
    : m_server(server), m_client(std::move(client))
{
}

void RequestRecorder::answered(std::string_view method, std::string_view path, const HttpAnswer &answer,
                               std::chrono::nanoseconds took) const
{
    m_server.log.write(m_client, method, path, answer.note, answer.status, took);
    if (MetricsRegistry *metrics = m_server.metrics) {
        const std::string &server = m_server.name;
        metrics->add("ksv_http_requests_total",
                     {{"server", server}, {"route", answer.route}, {"status", std::to_string(answer.status)}});
        metrics->observe("ksv_http_request_seconds", {{"server", server}, {"route", answer.route}},
                         std::chrono::duration<double>(took).count());
    }
}

void RequestRecorder::refused(std::string_view method, std::string_view path, const HttpError &error) const
{
    m_server.log.write(m_client, method, path, Refusals::name(error.refusal()), error.status(), {});
    if (MetricsRegistry *metrics = m_server.metrics)
        metrics->add("ksv_http_refusals_total", {{"server", m_server.name}, {"reason", std::to_string(error.status())}});
}

void RequestRecorder::timedOut(std::string_view method, std::string_view path) const
{
    m_server.log.write(m_client, method, path, {}, 408, {});
}

void RequestRecorder::handshakeFailed() const
{
    if (MetricsRegistry *metrics = m_server.metrics)
        metrics->add("ksv_http_refusals_total", {{"server", m_server.name}, {"reason", "tls_handshake"}});
}
