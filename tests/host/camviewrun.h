// camview run as a separate program, as scripts run it.
#pragma once

#include <QProcess>
#include <QStringList>

// A run of camview: its exit code (-1 when it crashed or hung), what it
// printed, line by line, and its errors. Without `screen` it has no
// platform: dumps, settings files and the help need none.
struct Run
{
    int exitCode = -1;
    QStringList output;
    QString errors;
};

inline Run run(const QStringList& arguments, const QString& configDir, bool screen = false)
{
    QProcess camview;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    if (screen)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    camview.setProcessEnvironment(environment);
    camview.start(QStringLiteral(CAMVIEW_EXECUTABLE), arguments);
    Run result;
    if (camview.waitForFinished(120000) && camview.exitStatus() == QProcess::NormalExit)
        result.exitCode = camview.exitCode();
    result.output = QString::fromUtf8(camview.readAllStandardOutput()).split(QLatin1Char('\n'));
    result.errors = QString::fromUtf8(camview.readAllStandardError());
    return result;
}

// The index of the first of lines that the run did not print after the ones
// before it; -1 when it printed them all, in this order.
inline int firstNotPrinted(const Run& run, const QStringList& lines)
{
    int at = 0;
    for (int i = 0; i < lines.size(); ++i) {
        at = run.output.indexOf(lines.at(i), at);
        if (at < 0)
            return i;
    }
    return -1;
}
