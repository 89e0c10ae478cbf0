#pragma once

#include <QDateTime>
#include <QLoggingCategory>
#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

namespace Corvid {
struct LogRecord;
}

// One message of the log that the window shows.
struct LogEntry
{
    enum class Source
    {
        Pane,    //!< the camera-parameter pane (its categories and its service-log tags)
        Service, //!< the camera service ("Corvid")
        Host,    //!< camview itself ("camview..." categories) and parts that feed the sink
        Qt       //!< Qt's own messages
    };

    QDateTime time;
    QtMsgType type = QtInfoMsg;
    Source source = Source::Host;
    QString category;
    QString device;    //!< the device the message is about; empty when none
    QString feature;   //!< the feature it is about; empty when none
    QString operation; //!< "read", "write", "acquire", ...; empty when none
    QString kind;      //!< the failure's or event's kind ("AccessException", "lost", ...); empty when none
    QString detail;    //!< the reason alone, without the sentence around it; empty when none
    QString text;

    //! A warning or worse, or a failure that the pane reports below the
    //! warning level (a refused write, a GenApi exception).
    bool isProblem() const;
    //! The pane's report of a write of `feature` that the device refused.
    bool isRefusedWriteOf(const QString& feature) const;
    //! A write the device did not answer in time: it may still take it.
    bool isNotConfirmed() const { return kind == QLatin1String("not-confirmed"); }
};
Q_DECLARE_METATYPE(LogEntry)

// The process's log as the window shows it: every Qt message of the info
// level and above, from any thread, kept (the last few hundred) and announced
// to the GUI thread.
//
// The camera service hands over its messages as records with their fields
// (device, feature, kind): from its creation the sink takes them, each once.
// install() puts a Qt message handler in front of the one that prints: the
// messages are still printed (a known harmless style-sheet warning is not),
// and each one that is not a record's is recorded here. Any other part may
// feed an entry of its own with add(), or log one about a device with
// logAbout().
class LogSink : public QObject
{
    Q_OBJECT

public:
    //! The process's sink; create it first on the GUI thread (install() does).
    static LogSink* instance();
    //! Creates the sink on this thread and installs the message handler,
    //! once per process.
    static void install();

    //! Records an entry and announces it. Thread-safe; the signal is always
    //! queued, so a receiver that logs does not run inside a message handler.
    void add(LogEntry entry);
    //! Records a message of the service or the pane given as a record: a
    //! write the device took is noted, a debug message is kept only when it
    //! reports a failure.
    void addRecord(const Corvid::LogRecord& record);
    //! The entries kept so far, oldest first.
    QVector<LogEntry> entries() const;
    //! The newest entry kept about `device` and `operation` (an entry with
    //! no time when there is none).
    LogEntry lastEntryAbout(const QString& device, const QString& operation) const;
    //! The pane wrote a feature (the device took it). Thread-safe; the
    //! signal is queued.
    void noteWrite(const QString& feature);

    //! camview's own message about a device: printed in `category` as
    //! qCWarning (or qCCritical) prints it and recorded with the device.
    static void logAbout(const QLoggingCategory& category, QtMsgType type, const QString& device,
                         const QString& text);

signals:
    void entryAdded(const LogEntry& entry);
    //! A write of that feature succeeded (on the device the pane shows).
    void featureWritten(const QString& feature);

private:
    LogSink();

    mutable QMutex m_mutex;
    QVector<LogEntry> m_entries;
};
