#include "hostevents.h"

HostEvents::HostEvents(QObject* parent) : QObject(parent)
{
    Corvid::RegisterDeviceListUpdateListener(this);
    Corvid::RegisterFocusUpdateListener(this);
}

HostEvents::~HostEvents()
{
    Corvid::UnRegisterDeviceListUpdateListener(this);
    Corvid::UnRegisterFocusUpdateListener(this);
}

void HostEvents::DeviceListUpdated(int, std::vector<std::string>, std::vector<std::string>)
{
    emit deviceListChanged();
}

void HostEvents::FocusUpdated(Corvid::FOCUS_TYPE type, std::string id)
{
    emit focusChanged(int(type), QString::fromUtf8(id.c_str(), int(id.size())));
}
