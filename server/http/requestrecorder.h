#pragma once

#include "httpanswer.h"
#include "httperror.h"

#include <chrono>
#include <string>
#include <string_view>

struct ServerResources;

// What a session tells of its requests: a line each in the request log, and counts and durations
// in the server's metrics, if it keeps any. Method and path are the request line as far as it was
// read.
class RequestRecorder
{
public:
    // The server's resources outlive the recorder.
    RequestRecorder(const ServerResources &server, std::string client);

    const std::string &client() const { return m_client; }

    void answered(std::string_view method, std::string_view path, const HttpAnswer &answer,
                  std::chrono::nanoseconds took) const;
    void refused(std::string_view method, std::string_view path, const HttpError &error) const;
    // A request begun and not finished in time.
    void timedOut(std::string_view method, std::string_view path) const;
    void handshakeFailed() const;

private:
    const ServerResources &m_server;
    std::string m_client;
};
