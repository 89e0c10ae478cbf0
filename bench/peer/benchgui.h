// Figures of the benchmarks that run a Qt event loop: the longest time the
// GUI thread went without handling events, and the process's peak memory.
#pragma once

#include "benchrun.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace bench {

//! Turns the event loop for ms, or until until() holds, with a 2 ms timer;
//! returns the longest gap between two of its turns, in ms.
inline double longestStall(int ms, const std::function<bool()>& until = {})
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    double longest = 0.0;
    QTimer timer;
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, (now - last) / 1.0e6);
        last = now;
        if (clock.elapsed() >= ms || (until && until()))
            loop.quit();
    });
    timer.start(2);
    loop.exec();
    return longest;
}

//! The whole number after `name` among the application's arguments, or
//! fallback.
inline int intArgument(const char* name, int fallback)
{
    const QStringList args = QCoreApplication::arguments();
    const int at = args.indexOf(QLatin1String(name));
    return at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

//! The process's peak resident size (VmHWM) in MiB; 0 when unknown.
inline double peakRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0.0;
}

} // namespace bench
