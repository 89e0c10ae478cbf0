#include "logger.h"

#include <QDateTime>

namespace Corvid {
namespace Internal {

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
    const QString text = QString::fromStdString(message);
    // The lock is not held while Qt's message handler runs: a handler that
    // logs through us again must not deadlock. Categories are never removed,
    // so the reference stays valid.
    const QLoggingCategory* found = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        found = &category(tag);
    }
    const QLoggingCategory& cat = *found;
    const char* levelName = "info";
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
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_file.isOpen()) {
        const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                                levelName + ' ' + cat.categoryName() + ": " + text.toUtf8() + '\n';
        m_file.write(line);
        m_file.flush();
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

} // namespace Internal
} // namespace Corvid
