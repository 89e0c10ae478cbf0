#include "logger.h"

#include <QDateTime>

namespace Corvid {
namespace Internal {

namespace {

thread_local bool t_printingRecord = false;

//! Sets the thread's flag for the time of one print.
class PrintingRecord
{
public:
    PrintingRecord() { t_printingRecord = true; }
    ~PrintingRecord() { t_printingRecord = false; }
    PrintingRecord(const PrintingRecord&) = delete;
    PrintingRecord& operator=(const PrintingRecord&) = delete;
};

} // namespace

Logger& Logger::instance()
{
    // Never destroyed: listeners and late threads may still log during exit.
    static Logger* logger = new Logger;
    return *logger;
}

const QLoggingCategory& Logger::category(const std::string& tag)
{
    const std::string name = tag.empty() ? std::string("corvid") : tag;
    auto it = m_categories.find(name);
    if (it == m_categories.end())
        it = m_categories.emplace(name, std::make_unique<Category>(name)).first;
    return it->second->category;
}

void Logger::log(const std::string& tag, const std::string& message, int level)
{
    log(LogRecord{tag, level, {}, {}, {}, {}, message, {}});
}

void Logger::log(const LogRecord& record)
{
    const QString text = QString::fromStdString(record.text);
    const int level = record.level;
    // The lock is not held while Qt's message handler runs: a handler that
    // logs through us again must not deadlock. Categories are never removed,
    // so the reference stays valid.
    const QLoggingCategory* found = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        found = &category(record.tag);
    }
    const QLoggingCategory& cat = *found;
    const char* levelName = "info";
    {
        const PrintingRecord printing;
        if (level < 0) {
            levelName = "debug";
            qCDebug(cat).noquote() << text;
        } else if (level == 0) {
            qCInfo(cat).noquote() << text;
        } else if (level == 1) {
            levelName = "warning";
            qCWarning(cat).noquote() << text;
        } else {
            levelName = "error";
            qCCritical(cat).noquote() << text;
        }
    }
    std::shared_ptr<const Sink> sink;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        sink = m_sink;
        if (m_file.isOpen()) {
            const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                                    levelName + ' ' + cat.categoryName() + ": " + text.toUtf8() + '\n';
            m_file.write(line);
            m_file.flush();
        }
    }
    if (!sink)
        return;
    try {
        (*sink)(record);
    } catch (...) {
        // A host's sink never makes the service's caller fail.
    }
}

bool Logger::setLogFile(const std::string& path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_file.isOpen())
        m_file.close();
    if (path.empty())
        return true;
    m_file.setFileName(QString::fromStdString(path));
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void Logger::setSink(Sink sink)
{
    auto shared = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sink = std::move(shared);
}

bool Logger::printingRecord()
{
    return t_printingRecord;
}

void logDeviceEvent(const std::string& device, const std::string& kind, const std::string& text, int level,
                    const std::string& operation, const std::string& feature)
{
    Logger::instance().log(LogRecord{"Corvid", level, device, feature, operation, kind, text, std::string()});
}

void logOpenFailure(const std::string& what, const std::string& source, const std::string& reason)
{
    Logger::instance().log(LogRecord{"Corvid", 2, source, std::string(), "open", "open-failed",
                                     what + " " + source + ": " + reason, reason});
}

} // namespace Internal
} // namespace Corvid
