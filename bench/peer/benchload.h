// The machine's load, printed beside every figure of a benchmark: the
// machine is shared, and a figure means little without it.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace bench {

//! The one-minute load average, as /proc/loadavg gives it; "?" when unknown.
inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').value(0))
                                          : QStringLiteral("?");
}

} // namespace bench
