// The service's log: one Qt logging category per tag, created on first use
// and kept for the life of the process, an optional log file with time
// stamps, and the host's record sink, which receives every message with its
// fields. Thread-safe; usable whether or not the service runs.
#pragma once

#include <Corvid/Corvid.h>

#include <QFile>
#include <QLoggingCategory>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Corvid {
namespace Internal {

class Logger
{
public:
    using Sink = std::function<void(const LogRecord&)>;

    static Logger& instance();

    //! level 0 info, 1 warning, 2 error (below 0 debug, above 2 error): a
    //! record with only tag, level and text.
    void log(const std::string& tag, const std::string& message, int level);
    //! Prints the record's text under its tag at its level (Qt's message
    //! handler sees printingRecord() meanwhile), appends it to the log file
    //! and hands the record to the sink.
    void log(const LogRecord& record);
    //! Appends every later message to the file; an empty path closes it.
    //! False when the file cannot be opened (then there is no file).
    bool setLogFile(const std::string& path);
    //! Every later record goes to `sink` too; an empty function removes it.
    void setSink(Sink sink);
    //! True while this thread prints a record through Qt's message handler.
    static bool printingRecord();

private:
    Logger() = default;
    struct Category
    {
        explicit Category(const std::string& tag)
            : name(QByteArray::fromStdString(tag)), category(name.constData())
        {
        }
        QByteArray name; //!< must outlive the category, which keeps the pointer
        QLoggingCategory category;
    };
    const QLoggingCategory& category(const std::string& tag);

    std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<Category>> m_categories;
    QFile m_file;
    std::shared_ptr<const Sink> m_sink; //!< guarded by m_mutex; called without it
};

//! A message of the service (tag "Corvid") about one device, with the kind of
//! event ("lost", "reopened", ...; empty for none) and the operation it
//! concerns ("acquire", "open", ...; empty for none).
void logDeviceEvent(const std::string& device, const std::string& kind, const std::string& text, int level,
                    const std::string& operation = std::string(), const std::string& feature = std::string());
//! A device that could not be opened, named by the file or address it was
//! asked for (it has no id yet): "<what> <source>: <reason>" as an error,
//! operation "open", kind "open-failed", the reason as the detail.
void logOpenFailure(const std::string& what, const std::string& source, const std::string& reason);

} // namespace Internal
} // namespace Corvid
