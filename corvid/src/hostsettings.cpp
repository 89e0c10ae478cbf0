#include "hostsettings.h"

#include <QSettings>
#include <QStandardPaths>

namespace Corvid {
namespace Internal {

namespace {

const char* settingsKey(PARAMETER_INFO key)
{
    switch (key) {
    case PARAMETER_USER_LEVEL:
        return "Parameters/UserLevel";
    }
    return nullptr;
}

} // namespace

HostSettings::HostSettings(const std::string& path)
    : m_path(path.empty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                QStringLiteral("/campane/host.ini")
                          : QString::fromStdString(path))
{
}

std::string HostSettings::value(PARAMETER_INFO key) const
{
    const char* name = settingsKey(key);
    if (!name)
        return std::string();
    std::lock_guard<std::mutex> lock(m_mutex);
    QSettings settings(m_path, QSettings::IniFormat);
    return settings.value(QLatin1String(name)).toString().toStdString();
}

int HostSettings::setValue(PARAMETER_INFO key, const std::string& value)
{
    const char* name = settingsKey(key);
    if (!name)
        return RESULT_BAD_KEY;
    // The user level is a GenICam visibility the tree filters by: 0 Beginner,
    // 1 Expert, 2 Guru.
    if (value != "0" && value != "1" && value != "2")
        return RESULT_BAD_VALUE;
    std::lock_guard<std::mutex> lock(m_mutex);
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(QLatin1String(name), QString::fromStdString(value));
    settings.sync();
    return settings.status() == QSettings::NoError ? RESULT_OK : RESULT_STORAGE_ERROR;
}

} // namespace Internal
} // namespace Corvid
