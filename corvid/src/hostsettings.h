// The host parameters that outlive the process (the feature tree's user
// level), kept in an INI file: the one the host names, or campane/host.ini
// under the user's configuration directory.
#pragma once

#include <Corvid/Corvid.h>

#include <QString>

#include <mutex>
#include <string>

namespace Corvid {
namespace Internal {

class HostSettings
{
public:
    //! An empty path selects the user's configuration directory.
    explicit HostSettings(const std::string& path);

    QString path() const { return m_path; }
    //! The stored text; "" when never set or for a key we do not keep.
    std::string value(PARAMETER_INFO key) const;
    //! 0, or RESULT_BAD_KEY / RESULT_BAD_VALUE (logged by the caller).
    int setValue(PARAMETER_INFO key, const std::string& value);

private:
    QString m_path;
    mutable std::mutex m_mutex; //!< one QSettings at a time on the file
};

} // namespace Internal
} // namespace Corvid
