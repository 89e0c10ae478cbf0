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

namespace {

QStringList toStringList(const std::vector<std::string>& ids)
{
    QStringList list;
    for (const std::string& id : ids)
        list << QString::fromUtf8(id.c_str(), int(id.size()));
    return list;
}

} // namespace

void HostEvents::DeviceListUpdated(int, std::vector<std::string> cardList, std::vector<std::string> camList)
{
    emit deviceListChanged(toStringList(cardList), toStringList(camList));
}

void HostEvents::FocusUpdated(Corvid::FOCUS_TYPE type, std::string id)
{
    emit focusChanged(int(type), QString::fromUtf8(id.c_str(), int(id.size())));
}
