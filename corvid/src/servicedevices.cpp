// Adding devices: simulated ones from a description file, ones that Aravis
// reaches by id or address, ones that cannot be opened (listed with the
// reason), and a lost device opened again under its id.
#include "service.h"

#include "device.h"
#include "deviceid.h"
#include "nodetext.h"
#include "servicelog.h"

#include <GenApi/DeviceConnection.h>

#include <filesystem>

namespace Corvid {
namespace Internal {

namespace {

std::string readText(GenApi::CDeviceConnection& connection, const char* feature)
{
    std::string value;
    if (readNodeText(connection.GetNodeMap(), feature, value, nullptr) != RESULT_OK)
        return std::string();
    return value;
}

void readIdentity(Device& device)
{
    device.model = readText(*device.connection, "DeviceModelName");
    device.serial = readText(*device.connection, "DeviceSerialNumber");
    device.vendor = readText(*device.connection, "DeviceVendorName");
}

std::string canonicalPath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

} // namespace

std::string Service::insertDevice(std::shared_ptr<Device> device)
{
    std::shared_ptr<GenApi::CDeviceConnection> unused; // closed after the lock
    std::shared_ptr<GenApi::CDeviceConnection> replaced;
    Lists lists;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::shared_ptr<Device> existing = findLocked(device->id);
        if (existing && existing->isAnswering()) {
            unused = device->connection;
            return existing->id;
        }
        if (existing) {
            // Opened again after a loss: same id, new connection.
            replaced = existing->connection;
            existing->connection = device->connection;
            existing->transportId = device->transportId;
            existing->model = device->model;
            existing->serial = device->serial;
            existing->vendor = device->vendor;
            if (!existing->error.empty()) { // it never opened before
                existing->kind = device->kind;
                existing->panel = device->panel;
                existing->error.clear();
            }
            existing->lost = false;
            existing->usable = true;
        } else {
            m_devices.push_back(device);
        }
        lists = snapshotLists();
    }
    retire(std::move(replaced));
    logDeviceEvent(device->id, "added", "device " + device->id + " added (" + device->description + ")", 0);
    publishLists(lists);
    return device->id;
}

std::string Service::insertUnusableLocked(const std::string& id, bool isCard, const std::string& description,
                                          const std::string& model, const std::string& error)
{
    std::shared_ptr<Device> device = findLocked(id);
    // The same device opened before (it may only be lost for now): it stays
    // as it was.
    if (device && device->connection)
        return id;
    if (!device) {
        device = std::make_shared<Device>();
        device->id = id;
        device->isCard = isCard;
        device->description = description;
        device->model = model;
        m_devices.push_back(device);
    }
    device->error = error.empty() ? std::string("the device cannot be opened") : error;
    return id;
}

std::string Service::addSimulated(const std::string& xmlPath, const std::string& kind, bool isCard)
{
    if (xmlPath.empty()) {
        log("no description file given for a simulated device", 1);
        return std::string();
    }
    const std::string path = canonicalPath(xmlPath);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& device : m_devices) {
            if (device->description == path && !device->isAravis && device->isAnswering())
                return device->id;
        }
    }
    std::error_code missing;
    if (!std::filesystem::is_regular_file(path, missing)) {
        logOpenFailure("cannot open the simulated device", xmlPath, "no such file");
        return std::string();
    }
    std::string error;
    std::unique_ptr<GenApi::CDeviceConnection> connection;
    try {
        connection = GenApi::CDeviceConnection::OpenSimulated(path, &error);
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (!connection) {
        logOpenFailure("cannot open the simulated device", xmlPath, error);
        std::lock_guard<std::mutex> lock(m_mutex);
        return insertUnusableLocked(uniqueIdLocked(simulatedDeviceId(path), path), isCard, path,
                                    std::filesystem::path(path).stem().string(), error);
    }
    auto device = std::make_shared<Device>();
    device->isCard = isCard;
    device->description = path;
    device->connection = std::move(connection);
    device->kind = isCard ? std::string("4") : kind;
    for (int key = CAM_INFO_PANEL_50; key <= CAM_INFO_PANEL_56; ++key)
        device->panel[key] = "0";
    readIdentity(*device);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        device->id = uniqueIdLocked(simulatedDeviceId(path), path);
    }
    return insertDevice(device);
}

std::string Service::addAravis(const std::string& idOrAddress, const std::string& kind,
                               const GenApi::DeviceDescriptor* found)
{
    if (idOrAddress.empty()) {
        log("no device id or address given", 1);
        return std::string();
    }
    std::shared_ptr<GenApi::CDeviceConnection> lostConnection;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& device : m_devices) {
            if (!device->isAravis || (device->description != idOrAddress &&
                                      device->transportId != idOrAddress && device->id != idOrAddress))
                continue;
            if (device->isAnswering())
                return device->id;
            lostConnection = device->connection;
        }
    }
    // A device that was only silent for a while may still count its lost
    // connection as its controller: the new one needs the control channel.
    if (lostConnection)
        lostConnection->ReleaseControl(300);
    // One of our ids: the device that discovery finds with it.
    GenApi::DeviceDescriptor byId;
    if (!found && discoverDeviceById(
                      idOrAddress, [this] { return m_discoveryCancelled.load(); }, &byId))
        return addAravis(byId.protocol == "GigEVision" && !byId.address.empty() ? byId.address : byId.id,
                         kind, &byId);
    std::string error;
    std::unique_ptr<GenApi::CDeviceConnection> connection;
    try {
        connection = GenApi::CDeviceConnection::OpenAravis(idOrAddress, &error, aravisOpenOptions());
    } catch (const std::exception& e) {
        error = e.what();
    }
    return addOpenedAravis(idOrAddress, kind, found, std::move(connection), error);
}

std::string Service::addOpenedAravis(const std::string& idOrAddress, const std::string& kind,
                                     const GenApi::DeviceDescriptor* found,
                                     std::unique_ptr<GenApi::CDeviceConnection> connection,
                                     const std::string& error)
{
    if (!connection) {
        logOpenFailure("cannot open the device", idOrAddress, error);
        if (!found || found->id.empty())
            return std::string();
        // Discovery saw it: the user should see why it cannot be used.
        std::lock_guard<std::mutex> lock(m_mutex);
        return insertUnusableLocked(aravisDeviceId(found->serial, idOrAddress), false,
                                    found->address.empty() ? idOrAddress : found->address, found->model,
                                    error);
    }
    auto device = std::make_shared<Device>();
    device->isAravis = true;
    device->description = idOrAddress;
    device->transportId = idOrAddress;
    device->connection = std::move(connection);
    device->kind = kind;
    for (int key = CAM_INFO_PANEL_50; key <= CAM_INFO_PANEL_56; ++key)
        device->panel[key] = "0";
    readIdentity(*device);
    // A GigE Vision device is named by what its bootstrap registers say,
    // as discovery names it, however it was opened.
    GenApi::DeviceDescriptor transport;
    const bool gige = device->connection->GetTransportIdentity(&transport);
    if (gige && device->serial.empty())
        device->serial = transport.serial;
    if (found) {
        if (device->serial.empty())
            device->serial = found->serial;
        if (device->model.empty())
            device->model = found->model;
        if (device->vendor.empty())
            device->vendor = found->vendor;
        if (!found->address.empty())
            device->description = found->address;
    }
    const std::string& reported = found && !found->serial.empty() ? found->serial : device->serial;
    device->id = aravisDeviceId(gige ? transport.serial : reported, idOrAddress);
    return insertDevice(device);
}

} // namespace Internal
} // namespace Corvid
