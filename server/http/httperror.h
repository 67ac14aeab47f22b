#pragma once

#include "refusal.h"

#include <stdexcept>
#include <string>

// A request the server refuses: why, the HTTP status and the text of the answer, as Refusals
// makes them. Thrown wherever the refusal is found and answered in one place, which closes the
// connection after it.
class HttpError : public std::runtime_error
{
public:
    HttpError(Refusal refusal, int status, const std::string &text)
        : std::runtime_error(text), m_refusal(refusal), m_status(status)
    {
    }

    Refusal refusal() const { return m_refusal; }
    int status() const { return m_status; }

private:
    Refusal m_refusal;
    int m_status;
};
