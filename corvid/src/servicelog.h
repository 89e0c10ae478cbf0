// The service's own log lines, under the "Corvid" tag. Included by the
// service's sources only.
#pragma once

#include "logger.h"

#include <string>

namespace Corvid {
namespace Internal {

inline void log(const std::string& message, int level)
{
    Logger::instance().log("Corvid", message, level);
}

} // namespace Internal
} // namespace Corvid
