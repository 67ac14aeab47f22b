#pragma once

#include <QString>

namespace soap {

// How the transport reaches the network: directly, through the user's own proxy configuration
// (with automatic detection where the platform offers it) or through one named HTTP proxy.
struct ProxySetting
{
    enum class Mode { Direct, System, Explicit };

    Mode mode = Mode::Direct;
    QString host;
    quint16 port = 0;
};

} // namespace soap
