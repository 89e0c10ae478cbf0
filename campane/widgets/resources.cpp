#include "resources.h"

#include <QtGlobal>

static void registerIcons()
{
    // Must be called from the global namespace.
    Q_INIT_RESOURCE(campane_icons);
}

void initCampaneResources()
{
    static const bool registered = (registerIcons(), true);
    Q_UNUSED(registered);
}
