// The registered listeners and image view, process-wide: a host may
// register them before the service starts and keep them across a restart.
#pragma once

#include "listenerlist.h"

#include <Corvid/CorvidHost.h>

namespace Corvid {
namespace Internal {

struct Listeners
{
    ListenerList<IDeviceListUpdate> deviceList;
    ListenerList<IFocusUpdate> focus;
    ListenerList<ILangUpdate> language;
    ListenerList<IROIDrawUpdate> roi;
    ListenerList<IImageModeUpdate> imageMode;
    ListenerList<IImportUpdate> import;
    ListenerList<IImageView> imageView; //!< at most one
};

Listeners& listeners();

} // namespace Internal
} // namespace Corvid
