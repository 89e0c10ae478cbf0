#pragma once

// Types that the listener adapters send across threads in queued signals.
// Every one of them is registered with the meta-type system by the board
// manager before its first connection is made.

#include <Corvid/Corvid.h>

#include <QMetaType>
#include <QSharedPointer>

#include <string>

Q_DECLARE_METATYPE(Corvid::FOCUS_TYPE)
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(QSharedPointer<bool>)

// The finish flag of a device list: written on the GUI thread, polled by the
// camera service's thread that waits in the device-list callback.
inline bool isFinished(const QSharedPointer<bool>& flag)
{
    return __atomic_load_n(flag.data(), __ATOMIC_ACQUIRE);
}

inline void setFinished(const QSharedPointer<bool>& flag)
{
    if (flag)
        __atomic_store_n(flag.data(), true, __ATOMIC_RELEASE);
}
