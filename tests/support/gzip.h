#pragma once

#include <QByteArray>

namespace testsupport {

// The data as a gzip member (RFC 1952), for replies sent with Content-Encoding: gzip.
QByteArray gzip(const QByteArray &data);

} // namespace testsupport
