#include "service.h"

#include "device.h"
#include "deviceid.h"
#include "listeners.h"
#include "logger.h"
#include "nodetext.h"

#include <GenApi/DeviceConnection.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace Corvid {
namespace Internal {

namespace {

// How often discovery looks for real devices.
constexpr std::chrono::seconds kDiscoveryInterval{5};
// How long discovery leaves a device alone that did not open.
constexpr std::chrono::seconds kDiscoveryRetryDelay{60};
// How often the connections' lost flags are looked at (between pings).
constexpr std::chrono::milliseconds kLostFlagInterval{100};

void log(const std::string& message, int level)
{
    Logger::instance().log("Corvid", message, level);
}

struct Global
{
    std::mutex lifecycle; //!< serialises start and stop
    std::mutex pointer;   //!< guards service
    std::shared_ptr<Service> service;
    std::atomic<std::thread::id> serviceThread{};
};

Global& global()
{
    static Global* g = new Global; // never destroyed, see Logger::instance
    return *g;
}

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

//! The service thread must outlive whatever an event does.
void runTask(const std::function<void(bool)>& task, bool deliver)
{
    try {
        task(deliver);
    } catch (const std::exception& e) {
        log(std::string("an event failed: ") + e.what(), 2);
    } catch (...) {
        log("an event failed", 2);
    }
}

} // namespace

// --- lifetime ---------------------------------------------------------------

std::shared_ptr<Service> Service::current()
{
    Global& g = global();
    std::lock_guard<std::mutex> lock(g.pointer);
    return g.service;
}

int Service::startCurrent(const ServiceOptions& options)
{
    Global& g = global();
    if (g.serviceThread.load() == std::this_thread::get_id()) {
        log("StartService called from a listener on the service thread; ignored", 1);
        return RESULT_ALREADY_RUNNING;
    }
    std::lock_guard<std::mutex> lifecycle(g.lifecycle);
    if (current())
        return RESULT_ALREADY_RUNNING;
    auto service = std::make_shared<Service>(options);
    service->start();
    {
        std::lock_guard<std::mutex> lock(g.pointer);
        g.service = service;
    }
    // Listeners told about the first devices may already ask about them.
    service->addStartDevices();
    return RESULT_OK;
}

void Service::stopCurrent()
{
    Global& g = global();
    if (g.serviceThread.load() == std::this_thread::get_id()) {
        // Joining the service thread from itself cannot work.
        log("StopService called from a listener on the service thread; ignored", 1);
        return;
    }
    std::lock_guard<std::mutex> lifecycle(g.lifecycle);
    std::shared_ptr<Service> service = current();
    if (!service)
        return;
    {
        std::lock_guard<std::mutex> lock(g.pointer);
        g.service.reset();
    }
    service->stop();
}

Service::Service(const ServiceOptions& options) : m_options(options), m_settings(options.settingsFile)
{
    if (m_options.healthCheckIntervalMs <= 0)
        m_options.healthCheckIntervalMs = 1000;
}

Service::~Service()
{
    stop();
}

void Service::start()
{
    if (!m_options.logFile.empty() && !Logger::instance().setLogFile(m_options.logFile))
        log("cannot open the log file " + m_options.logFile, 1);
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_started = true;
    }
    m_thread = std::thread([this] { run(); });
    m_healthThread = std::thread([this] { healthLoop(); });
    m_reviveThread = std::thread([this] { reviveLoop(); });
}

void Service::addStartDevices()
{
    if (m_options.defaultDevices) {
        const std::string dir =
            m_options.devicesDir.empty() ? std::string(CORVID_DEFAULT_DEVICES_DIR) : m_options.devicesDir;
        // The card comes first: a host that meets a new card in a device list
        // may leave that list's cameras for the next one.
        addSimulated(dir + "/frame-grabber-card.xml", std::string(), true);
        addSimulated(dir + "/kvx-slp-camera.xml", "1", false);
        addSimulated(dir + "/sl-camera-dual.xml", "5", false);
    }
    if (m_options.discover)
        m_discoveryThread = std::thread([this] { discoveryLoop(); });
}

void Service::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (!m_started || m_stopping)
            return;
        m_stopping = true;
    }
    // A search under way ends within one slice instead of its full window.
    m_discoveryCancelled = true;
    m_watchCancelled = true;
    m_queueChanged.notify_all();
    m_queueRoom.notify_all();
    for (std::thread* thread : {&m_thread, &m_discoveryThread, &m_healthThread, &m_reviveThread}) {
        if (thread->joinable())
            thread->join();
    }

    std::vector<std::shared_ptr<Device>> devices;
    std::vector<Retired> retired;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        devices.swap(m_devices);
        retired.swap(m_retired);
    }
    // The connections close outside the lock, without waiting long for a
    // device that does not answer (or later, in a call that still holds one).
    std::vector<std::shared_ptr<GenApi::CDeviceConnection>> connections;
    for (const auto& device : devices)
        connections.push_back(device->connection);
    for (Retired& r : retired)
        connections.push_back(std::move(r.connection));
    devices.clear();
    closeConnections(std::move(connections), true);
    if (!m_options.logFile.empty())
        Logger::instance().setLogFile(std::string());
}

// --- the service thread -------------------------------------------------------

bool Service::isServiceThread() const
{
    return global().serviceThread.load() == std::this_thread::get_id();
}

void Service::run()
{
    global().serviceThread = std::this_thread::get_id();
    // A read that finds a device gone marks its connection lost at once; that
    // flag is looked at often (the pings run on the health thread), so that
    // the board of a device lost under a read goes without waiting for a ping.
    const auto lostInterval =
        std::min(std::chrono::milliseconds(m_options.healthCheckIntervalMs), kLostFlagInterval);
    auto nextLostCheck = std::chrono::steady_clock::now() + lostInterval;
    std::unique_lock<std::mutex> lock(m_queueMutex);
    while (!m_stopping) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextLostCheck) {
            lock.unlock();
            checkLostFlags();
            lock.lock();
            nextLostCheck = std::chrono::steady_clock::now() + lostInterval;
            continue;
        }
        if (!m_queue.empty()) {
            auto task = std::move(m_queue.front());
            m_queue.pop_front();
            m_queueRoom.notify_all();
            lock.unlock();
            runTask(task, true);
            lock.lock();
            continue;
        }
        m_queueChanged.wait_until(lock, nextLostCheck);
    }
    // Events not delivered yet are dropped; whoever waits for one is released.
    while (!m_queue.empty()) {
        auto task = std::move(m_queue.front());
        m_queue.pop_front();
        m_queueRoom.notify_all();
        lock.unlock();
        runTask(task, false);
        lock.lock();
    }
    global().serviceThread = std::thread::id();
}

void Service::discoveryLoop()
{
    while (true) {
        discoverOnce();
        std::unique_lock<std::mutex> lock(m_queueMutex);
        if (m_queueChanged.wait_for(lock, kDiscoveryInterval, [this] { return m_stopping; }))
            return;
    }
}

void Service::discoverOnce()
{
    std::vector<GenApi::DeviceDescriptor> found;
    try {
        found = GenApi::CDeviceConnection::Discover([this] { return m_discoveryCancelled.load(); });
    } catch (const std::exception& e) {
        log(std::string("device discovery failed: ") + e.what(), 1);
        return;
    }
    std::vector<GenApi::DeviceDescriptor> fresh;
    for (const auto& descriptor : found) {
        bool known = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const auto& device : m_devices) {
                if (device->lost || !device->isAravis)
                    continue;
                if (device->transportId == descriptor.id ||
                    (!descriptor.address.empty() && device->description == descriptor.address) ||
                    device->id == aravisDeviceId(descriptor.serial, descriptor.id))
                    known = true;
            }
        }
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            if (m_stopping)
                return;
        }
        if (known)
            continue;
        // A device that does not open (another host may control it) is
        // tried again after a while, not at every round.
        const auto now = std::chrono::steady_clock::now();
        auto retry = m_discoveryRetry.find(descriptor.id);
        if (retry != m_discoveryRetry.end() && now < retry->second)
            continue;
        fresh.push_back(descriptor);
    }
    for (const auto& [id, opened] : openDiscovered(fresh)) {
        if (opened)
            m_discoveryRetry.erase(id);
        else
            m_discoveryRetry[id] = std::chrono::steady_clock::now() + kDiscoveryRetryDelay;
    }
}

// --- devices -------------------------------------------------------------------

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

void Service::retireLocked(std::shared_ptr<GenApi::CDeviceConnection> connection)
{
    if (connection)
        m_retired.push_back({std::move(connection), std::chrono::steady_clock::now()});
}

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
            retireLocked(existing->connection);
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
    if (replaced)
        replaced->MarkLost();
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
        log("cannot open the simulated device " + xmlPath + ": no such file", 2);
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
        log("cannot open the simulated device " + xmlPath + ": " + error, 2);
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
        log("cannot open the device " + idOrAddress + ": " + error, 2);
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
        retireLocked(device->connection);
        if (m_focusedCamera == device->id)
            m_focusedCamera.clear();
    }
    if (connection)
        connection->MarkLost();
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

// --- image view record -------------------------------------------------------------

ImageViewRecord Service::imageViewRecord(const std::string& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_imageView.find(id);
    return it == m_imageView.end() ? ImageViewRecord() : it->second;
}

void Service::recordImageView(const std::string& id, const std::function<void(ImageViewRecord&)>& change)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    change(m_imageView[id]);
}

// --- events --------------------------------------------------------------------------

Service::Lists Service::snapshotLists() const
{
    Lists lists;
    // A device that never opened is nothing the listeners could use or let go of.
    for (const auto& device : m_devices) {
        if (device->connection)
            (device->isCard ? lists.cards : lists.cams).push_back(device->id);
    }
    return lists;
}

void Service::publishLists(const Lists& lists)
{
    post([lists](bool deliver) {
        if (!deliver)
            return;
        listeners().deviceList.forEach(
            [&](IDeviceListUpdate* listener) { listener->DeviceListUpdated(1, lists.cards, lists.cams); });
    });
}

void Service::publishDeviceList()
{
    Lists lists;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        lists = snapshotLists();
    }
    publishLists(lists);
}

void Service::setFocus(FOCUS_TYPE type, const std::string& id)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (type == FOCUS_CAMERA)
            m_focusedCamera = id;
    }
    post([type, id](bool deliver) {
        if (deliver)
            listeners().focus.forEach([&](IFocusUpdate* listener) { listener->FocusUpdated(type, id); });
    });
}

} // namespace Internal
} // namespace Corvid
