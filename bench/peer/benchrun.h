// What the benchmark programs share around their figures: the machine's
// load, printed beside every figure (the machine is shared, and a figure
// means little without it), and their list arguments.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace bench {

//! The one-minute load average, as /proc/loadavg gives it; "?" when unknown.
inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').value(0))
                                          : QStringLiteral("?");
}

//! The comma-separated numbers after option ("--counts 1,4,16"), each
//! clamped to low..high; fallback when the option is not there.
inline QList<int> listArgument(const QStringList& args, const QString& option, const QList<int>& fallback,
                               int low, int high)
{
    const int at = args.indexOf(option);
    if (at <= 0 || at + 1 >= args.size())
        return fallback;
    QList<int> values;
    for (const QString& text : args.at(at + 1).split(QLatin1Char(',')))
        values.append(std::clamp(text.toInt(), low, high));
    return values;
}

} // namespace bench
