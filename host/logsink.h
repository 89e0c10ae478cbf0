#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

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
    QString device; //!< the device the message names; empty when it names none
    QString text;

    //! A warning or worse, or a failure that the pane reports in the service
    //! log at the info level (a refused write, a GenApi exception).
    bool isProblem() const;
};
Q_DECLARE_METATYPE(LogEntry)

// The process's log as the window shows it: every Qt message of the info
// level and above, from any thread, kept (the last few hundred) and announced
// to the GUI thread.
//
// install() puts a Qt message handler in front of the one that prints: the
// messages are still printed (a known harmless style-sheet warning is not), and each
// is recorded here. Any other part may feed an entry of its own with add().
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
    //! The entries kept so far, oldest first.
    QVector<LogEntry> entries() const;
    //! The pane wrote a feature (the device took it). Thread-safe; the
    //! signal is queued.
    void noteWrite(const QString& feature);

    //! The device id ("SIM-..." or "ARV-...") that `text` names first, or "".
    static QString deviceNamedIn(const QString& text);

signals:
    void entryAdded(const LogEntry& entry);
    //! A write of that feature succeeded (on the device the pane shows).
    void featureWritten(const QString& feature);

private:
    LogSink() = default;

    mutable QMutex m_mutex;
    QVector<LogEntry> m_entries;
};
