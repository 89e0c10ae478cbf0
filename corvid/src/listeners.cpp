#include "listeners.h"

#include "logger.h"

namespace Corvid {
namespace Internal {

Listeners& listeners()
{
    // Never destroyed: a late thread must not find them gone during exit.
    static Listeners* lists = new Listeners;
    return *lists;
}

void logListenerProblem(const char* what)
{
    Logger::instance().log("Corvid", what, 1);
}

} // namespace Internal
} // namespace Corvid
