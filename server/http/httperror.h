#pragma once

#include <stdexcept>
#include <string>

// A request the server refuses: the HTTP status and the text of the answer. Thrown wherever the
// refusal is found and answered in one place, which closes the connection after it.
class HttpError : public std::runtime_error
{
public:
    HttpError(int status, const std::string &text) : std::runtime_error(text), m_status(status) {}

    int status() const { return m_status; }

private:
    int m_status;
};
