#include "logsink.h"

#include "printable.h"

#include <QLoggingCategory>
#include <QMutexLocker>
#include <QRegularExpression>

#include <cstdio>

namespace {

const int kKeptEntries = 500;

// Harmless warnings that Qt repeats for every widget it styles: neither
// printed nor recorded.
const char* const kKnownWarnings[] = {
    // The pane's button style sheets give rgb() a fourth, percentage
    // component on purpose (the border keeps its colour); Qt ignores it.
    "QCssParser::parseColorValue: Specified color without alpha value but alpha given",
};

QtMessageHandler g_previousHandler = nullptr;
// The tree's debug messages are enabled for its write failures only: the
// others are not printed unless the user's logging rules ask for them.
bool g_treeDebugForced = false;

// The pane reports each write the device took as a debug message "Wrote
// <feature>" in this category: not printed unless asked for, it clears an
// earlier refusal of that feature.
const char* const kWriteCategory = "campane.write";
const char* const kWritten = "Wrote ";
bool g_writeDebugForced = false;

// The feature tree reports a refused write as two debug messages: this one
// with the feature's name, then the device's reason.
const char* const kTreeCategory = "campane.tree";
const char* const kTreeWriteFailure = "Failed to set data for ";

bool isKnownWarning(QtMsgType type, const QString& message)
{
    if (type != QtWarningMsg)
        return false;
    for (const char* known : kKnownWarnings) {
        if (message.startsWith(QLatin1String(known)))
            return true;
    }
    return false;
}

LogEntry::Source sourceOf(const QString& category)
{
    if (category == QLatin1String("Corvid"))
        return LogEntry::Source::Service;
    if (category.startsWith(QLatin1String("camview")))
        return LogEntry::Source::Host;
    if (category == QLatin1String("default") || category.startsWith(QLatin1String("qt.")))
        return LogEntry::Source::Qt;
    // The pane's own categories ("campane.*"), the class names it logs
    // failures under, and the feature names of the tree's GenApi warnings.
    return LogEntry::Source::Pane;
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (isKnownWarning(type, message))
        return;
    if (type == QtDebugMsg && context.category && qstrcmp(context.category, kWriteCategory) == 0) {
        if (!g_writeDebugForced && g_previousHandler)
            g_previousHandler(type, context, message);
        if (message.startsWith(QLatin1String(kWritten)))
            LogSink::instance()->noteWrite(message.mid(int(qstrlen(kWritten))));
        return;
    }
    static thread_local LogEntry treeFailure;
    const QString category = QString::fromLatin1(context.category ? context.category : "default");
    const bool treeMessage = type == QtDebugMsg && category == QLatin1String(kTreeCategory);
    const bool treeFailureText =
        treeMessage && (message.startsWith(QLatin1String(kTreeWriteFailure)) || !treeFailure.text.isEmpty());
    if (!treeMessage || treeFailureText || !g_treeDebugForced) {
        // Messages carry device texts (feature names): printed, they reach a
        // terminal.
        const QString printed = printableText(message);
        if (g_previousHandler)
            g_previousHandler(type, context, printed);
        else
            std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, printed)));
    }

    // A receiver of the sink that logs while an entry is being recorded on
    // this thread is printed, not recorded again.
    static thread_local bool recording = false;
    if (recording)
        return;
    if (!treeFailure.text.isEmpty()) {
        // The reason of a refused tree write completes its entry.
        LogEntry entry = treeFailure;
        treeFailure = LogEntry();
        if (treeMessage) {
            entry.text += QStringLiteral(": ") + message;
            recording = true;
            LogSink::instance()->add(entry);
            recording = false;
            return;
        }
        recording = true;
        LogSink::instance()->add(entry);
        recording = false;
    }
    if (type == QtDebugMsg && !(treeMessage && message.startsWith(QLatin1String(kTreeWriteFailure))))
        return;

    LogEntry entry;
    entry.type = type;
    entry.category = category;
    entry.source = sourceOf(entry.category);
    entry.text = message;
    if (type == QtDebugMsg) {
        treeFailure = entry;
        return;
    }
    recording = true;
    LogSink::instance()->add(entry);
    recording = false;
}

} // namespace

bool LogEntry::isProblem() const
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        return true;
    // The pane reports failures below the warning level: under a class name
    // (a refused panel write, an exception) and as the tree's debug message.
    return source == Source::Pane && (!category.startsWith(QLatin1String("campane.")) ||
                                      text.startsWith(QLatin1String(kTreeWriteFailure)));
}

LogSink* LogSink::instance()
{
    // Never deleted: threads may log until the process ends.
    static LogSink* sink = new LogSink;
    return sink;
}

void LogSink::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    qRegisterMetaType<LogEntry>();
    instance();
    // The tree reports a refused write at the debug level only.
    g_treeDebugForced = !QLoggingCategory(kTreeCategory, QtInfoMsg).isDebugEnabled();
    g_writeDebugForced = !QLoggingCategory(kWriteCategory, QtInfoMsg).isDebugEnabled();
    QLoggingCategory::setFilterRules(QStringLiteral("%1.debug=true\n%2.debug=true")
                                         .arg(QLatin1String(kTreeCategory), QLatin1String(kWriteCategory)));
    g_previousHandler = qInstallMessageHandler(handleMessage);
}

void LogSink::add(LogEntry entry)
{
    if (!entry.time.isValid())
        entry.time = QDateTime::currentDateTime();
    if (entry.device.isEmpty())
        entry.device = deviceNamedIn(entry.text);
    {
        QMutexLocker lock(&m_mutex);
        m_entries.append(entry);
        if (m_entries.size() > kKeptEntries)
            m_entries.remove(0, m_entries.size() - kKeptEntries);
    }
    QMetaObject::invokeMethod(
        this, [this, entry] { emit entryAdded(entry); }, Qt::QueuedConnection);
}

void LogSink::noteWrite(const QString& feature)
{
    QMetaObject::invokeMethod(
        this, [this, feature] { emit featureWritten(feature); }, Qt::QueuedConnection);
}

QVector<LogEntry> LogSink::entries() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries;
}

QString LogSink::deviceNamedIn(const QString& text)
{
    // Ids are one word that does not end in punctuation, so a full stop or
    // colon after one is left out.
    static const QRegularExpression id(QStringLiteral("\\b(?:SIM|ARV)-(?:\\S*[^\\s.,:;!?)\\]'\"])?"));
    return id.match(text).captured();
}
