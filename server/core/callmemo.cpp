#include "callmemo.h"

std::optional<CallMemo::Call> CallMemo::find(const QByteArray &request) const
{
    if (request.size() > MaxRequestBytes)
        return std::nullopt;
    std::lock_guard lock(m_mutex);
    const auto it = m_calls.constFind(request);
    if (it == m_calls.cend())
        return std::nullopt;
    return *it;
}

void CallMemo::store(const QByteArray &request, const Call &call)
{
    if (request.size() > MaxRequestBytes)
        return;
    std::lock_guard lock(m_mutex);
    if (m_calls.size() >= Capacity)
        m_calls.clear();
    m_calls.insert(request, call);
}
