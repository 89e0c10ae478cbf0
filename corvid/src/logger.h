// The service's log: one Qt logging category per tag, created on first use
// and kept for the life of the process, and an optional log file with time
// stamps. Thread-safe; usable whether or not the service runs.
#pragma once

#include <QFile>
#include <QLoggingCategory>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Corvid {
namespace Internal {

class Logger
{
public:
    static Logger& instance();

    //! level 0 info, 1 warning, 2 error (below 0 debug, above 2 error).
    void log(const std::string& tag, const std::string& message, int level);
    //! Appends every later message to the file; an empty path closes it.
    //! False when the file cannot be opened (then there is no file).
    bool setLogFile(const std::string& path);

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
};

} // namespace Internal
} // namespace Corvid
