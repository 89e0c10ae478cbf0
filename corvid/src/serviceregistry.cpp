// The device registry: looking devices up by id, what the host reads and
// sets about them (information keys, usability, kind, lock), their removal
// and a simulated loss. Every access holds the service's mutex; a listener
// hears of a change through a device list queued after it is released.
#include "service.h"

#include "device.h"
#include "servicelog.h"

#include <GenApi/DeviceConnection.h>

#include <algorithm>

namespace Corvid {
namespace Internal {

std::shared_ptr<Device> Service::findLocked(const std::string& id) const
{
    const std::string& key = id.empty() ? m_focusedCamera : id;
    if (key.empty())
        return nullptr;
    for (const auto& device : m_devices) {
        if (device->id == key)
            return device;
    }
    return nullptr;
}

std::string Service::resolveId(const std::string& id) const
{
    if (!id.empty())
        return id;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_focusedCamera;
}

std::string Service::uniqueIdLocked(const std::string& base, const std::string& description) const
{
    std::string id = base;
    for (int n = 2;; ++n) {
        std::shared_ptr<Device> other = findLocked(id);
        if (!other || other->description == description)
            return id;
        id = base + "-" + std::to_string(n);
    }
}

int Service::removeDevice(const std::string& id)
{
    std::shared_ptr<GenApi::CDeviceConnection> connection;
    std::vector<Lists> publications;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Device> device = findLocked(id);
        if (!device)
            return RESULT_UNKNOWN_DEVICE;
        // A usable device is first reported unusable, so that listeners let go
        // of it, and then left out of the list.
        if (device->isUsable()) {
            device->usable = false;
            publications.push_back(snapshotLists());
        }
        m_devices.erase(std::find(m_devices.begin(), m_devices.end(), device));
        publications.push_back(snapshotLists());
        connection = device->connection;
        if (m_focusedCamera == device->id)
            m_focusedCamera.clear();
    }
    retire(std::move(connection));
    logDeviceEvent(id, "removed", "device " + id + " removed", 0);
    for (const Lists& lists : publications)
        publishLists(lists);
    return RESULT_OK;
}

int Service::setUsable(const std::string& id, bool usable)
{
    Lists lists;
    bool lost = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Device> device = findLocked(id);
        if (!device)
            return RESULT_UNKNOWN_DEVICE;
        lost = usable && !device->isAnswering();
        if (!lost) {
            if (device->usable == usable)
                return RESULT_OK;
            device->usable = usable;
            lists = snapshotLists();
        }
    }
    if (lost) {
        logDeviceEvent(id, "lost", "device " + id + " is lost; add it again to use it", 1);
        return RESULT_ACCESS_DENIED;
    }
    publishLists(lists);
    return RESULT_OK;
}

int Service::simulateLoss(const std::string& id)
{
    std::shared_ptr<GenApi::CDeviceConnection> connection;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Device> device = findLocked(id);
        if (!device)
            return RESULT_UNKNOWN_DEVICE;
        connection = device->connection;
    }
    // The health check notices the loss and publishes it, as with a real one.
    if (connection)
        connection->MarkLost();
    return RESULT_OK;
}

int Service::setKind(const std::string& id, const std::string& kind)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Device> device = findLocked(id);
    if (!device || device->isCard)
        return RESULT_UNKNOWN_DEVICE;
    device->kind = kind;
    return RESULT_OK;
}

int Service::setLock(const std::string& id, const std::string& lockText)
{
    Lists lists;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Device> device = findLocked(id);
        if (!device || device->isCard)
            return RESULT_UNKNOWN_DEVICE;
        device->lock = lockText;
        lists = snapshotLists();
    }
    // Hosts apply the lock when they handle the next device list.
    publishLists(lists);
    return RESULT_OK;
}

std::vector<DeviceEntry> Service::listDevices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<DeviceEntry> entries;
    for (const auto& device : m_devices)
        entries.push_back({device->id, device->isCard, device->model, device->description, device->isUsable(),
                           device->error});
    return entries;
}

std::string Service::cameraInfo(const std::string& id, CAM_INFO key) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Device> device = findLocked(id);
    if (!device || device->isCard)
        return std::string();
    switch (key) {
    case CAM_INFO_ID:
        return device->id;
    case CAM_INFO_MODEL:
        return device->model;
    case CAM_INFO_SERIAL:
        return device->serial;
    case CAM_INFO_OPENED:
        return device->isUsable() ? "1" : "0";
    case CAM_INFO_CONNECTED:
        return device->isAnswering() ? "1" : "0";
    case CAM_INFO_VENDOR:
        return device->vendor;
    case CAM_INFO_KIND:
        return device->kind;
    case CAM_INFO_ADDRESS:
        return device->description;
    case CAM_INFO_LOCK:
        return device->lock;
    case CAM_INFO_ERROR:
        return device->error;
    default:
        break;
    }
    auto it = device->panel.find(key);
    return it == device->panel.end() ? std::string() : it->second;
}

std::string Service::cardInfo(const std::string& id, CARD_INFO key) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Device> device = findLocked(id);
    if (!device || !device->isCard)
        return std::string();
    switch (key) {
    case CARD_INFO_ID:
        return device->id;
    case CARD_INFO_KIND:
        return device->kind;
    case CARD_INFO_MODEL:
        return device->model;
    case CARD_INFO_USABLE:
        return device->isUsable() ? "1" : "0";
    case CARD_INFO_ERROR:
        return device->error;
    }
    return std::string();
}

int Service::setCameraInfo(const std::string& id, CAM_INFO key, const std::string& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Device> device = findLocked(id);
    if (!device || device->isCard)
        return RESULT_UNKNOWN_DEVICE;
    if (key < CAM_INFO_PANEL_50 || key > CAM_INFO_PANEL_56)
        return RESULT_BAD_KEY;
    device->panel[key] = value;
    return RESULT_OK;
}

std::shared_ptr<GenApi::CDeviceConnection> Service::connection(const std::string& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<Device> device = findLocked(id);
    return device ? device->connection : nullptr;
}

} // namespace Internal
} // namespace Corvid
