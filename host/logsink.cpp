#include "logsink.h"

#include "printable.h"

#include <Corvid/Corvid.h>

#include <QMutexLocker>

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
bool g_installed = false;
// The tree's debug messages are enabled so that its records reach the sink;
// they are not printed unless the user's logging rules ask for them.
bool g_treeDebugForced = false;
// The pane's writes that the device took are debug messages in this
// category: not printed unless asked for.
const char* const kWriteCategory = "campane.write";
bool g_writeDebugForced = false;
// The feature tree's debug notes: not printed unless asked for.
const char* const kTreeCategory = "campane.tree";
// A record of the pane: the device took the write.
const char* const kWrittenKind = "written";

// camview's own message about a device is being printed on this thread: it
// is recorded with its device, not again by the message handler.
thread_local bool t_loggingAbout = false;
// An entry is being recorded on this thread: a receiver that logs meanwhile
// is printed, not recorded again.
thread_local bool t_recording = false;

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

QtMsgType typeOf(int level)
{
    if (level < 0)
        return QtDebugMsg;
    if (level == 0)
        return QtInfoMsg;
    return level == 1 ? QtWarningMsg : QtCriticalMsg;
}

LogEntry entryOf(QtMsgType type, const QString& category, const QString& text)
{
    LogEntry entry;
    entry.type = type;
    entry.category = category;
    entry.source = sourceOf(category);
    entry.text = text;
    return entry;
}

void record(const LogEntry& entry)
{
    t_recording = true;
    LogSink::instance()->add(entry);
    t_recording = false;
}

bool printedAtDebug(const QString& category)
{
    if (category == QLatin1String(kWriteCategory))
        return !g_writeDebugForced;
    if (category == QLatin1String(kTreeCategory))
        return !g_treeDebugForced;
    return true;
}

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (isKnownWarning(type, message))
        return;
    const QString category = QString::fromLatin1(context.category ? context.category : "default");
    if (type != QtDebugMsg || printedAtDebug(category)) {
        // Messages carry device texts (feature names): printed, they reach a
        // terminal.
        const QString printed = printableText(message);
        if (g_previousHandler)
            g_previousHandler(type, context, printed);
        else
            std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, printed)));
    }
    // A record's message is recorded from the record, with its fields.
    if (Corvid::IsPrintingLogRecord() || t_loggingAbout || t_recording)
        return;
    if (type == QtDebugMsg)
        return;
    record(entryOf(type, category, message));
}

} // namespace

bool LogEntry::isProblem() const
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg)
        return true;
    if (source != Source::Pane)
        return false;
    // The pane reports failures below the warning level: with their kind, or
    // under a class name (a refused panel write, an exception).
    if (!kind.isEmpty())
        return kind != QLatin1String(kWrittenKind);
    return !category.startsWith(QLatin1String("campane."));
}

bool LogEntry::isRefusedWriteOf(const QString& name) const
{
    return source == Source::Pane && operation == QLatin1String("write") && feature == name &&
           !kind.isEmpty() && kind != QLatin1String(kWrittenKind);
}

LogSink::LogSink()
{
    Corvid::SetLogRecordSink([](const Corvid::LogRecord& record) { instance()->addRecord(record); });
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
    g_installed = true;
}

void LogSink::addRecord(const Corvid::LogRecord& logged)
{
    if (t_recording)
        return;
    const QString tag = QString::fromStdString(logged.tag.empty() ? std::string("corvid") : logged.tag);
    LogEntry entry = entryOf(typeOf(logged.level), tag, QString::fromStdString(logged.text));
    entry.device = QString::fromStdString(logged.device);
    entry.feature = QString::fromStdString(logged.feature);
    entry.operation = QString::fromStdString(logged.operation);
    entry.kind = QString::fromStdString(logged.kind);
    entry.detail = QString::fromStdString(logged.detail);
    if (entry.kind == QLatin1String(kWrittenKind)) {
        noteWrite(entry.feature);
        return;
    }
    // Debug messages are notes (a node the tree could not read while it was
    // built is on the standard output too): printed when asked for, not kept.
    if (entry.type == QtDebugMsg)
        return;
    record(entry);
}

void LogSink::add(LogEntry entry)
{
    if (!entry.time.isValid())
        entry.time = QDateTime::currentDateTime();
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

LogEntry LogSink::lastEntryAbout(const QString& device, const QString& operation) const
{
    QMutexLocker lock(&m_mutex);
    for (auto it = m_entries.crbegin(); it != m_entries.crend(); ++it) {
        if (it->device == device && it->operation == operation)
            return *it;
    }
    return LogEntry();
}

void LogSink::logAbout(const QLoggingCategory& category, QtMsgType type, const QString& device,
                       const QString& text)
{
    if (!category.isEnabled(type))
        return;
    t_loggingAbout = true;
    QMessageLogger logger(nullptr, 0, nullptr, category.categoryName());
    if (type == QtCriticalMsg)
        logger.critical().noquote() << text;
    else
        logger.warning().noquote() << text;
    t_loggingAbout = false;
    if (!g_installed)
        return;
    LogEntry entry = entryOf(type, QString::fromLatin1(category.categoryName()), text);
    entry.device = device;
    record(entry);
}
