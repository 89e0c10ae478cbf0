// The service's lifetime: the one running service, its start (threads, then
// the default devices and discovery) and its stop (threads joined, devices
// closed without waiting long for one that does not answer).
#include "service.h"

#include "device.h"
#include "servicelog.h"

#include <GenApi/DeviceConnection.h>

namespace Corvid {
namespace Internal {

namespace {

struct Global
{
    std::mutex lifecycle; //!< serialises start and stop
    std::mutex pointer;   //!< guards service
    std::shared_ptr<Service> service;
};

Global& global()
{
    static Global* g = new Global; // never destroyed, see Logger::instance
    return *g;
}

} // namespace

std::shared_ptr<Service> Service::current()
{
    Global& g = global();
    std::lock_guard<std::mutex> lock(g.pointer);
    return g.service;
}

int Service::startCurrent(const ServiceOptions& options)
{
    Global& g = global();
    if (s_serviceThread.load() == std::this_thread::get_id()) {
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
    if (s_serviceThread.load() == std::this_thread::get_id()) {
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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        devices.swap(m_devices);
    }
    // The connections close outside the lock, without waiting long for a
    // device that does not answer (or later, with the last holder of a node
    // map or a call under way).
    std::vector<std::shared_ptr<GenApi::CDeviceConnection>> connections;
    for (const auto& device : devices)
        connections.push_back(device->connection);
    devices.clear();
    closeConnections(std::move(connections), true);
    if (!m_options.logFile.empty())
        Logger::instance().setLogFile(std::string());
}

} // namespace Internal
} // namespace Corvid
