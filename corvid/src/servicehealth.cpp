// The service's watch over its devices: pings on a thread of their own, so
// that a silent device is marked lost within a second whatever the host
// reads, and the return of a GigE Vision device that was lost, which is then
// opened again under the same id. Neither ever holds up the service thread,
// and stopping never waits for a device.
#include "service.h"

#include "device.h"
#include "logger.h"

#include <GenApi/DeviceConnection.h>

#include <algorithm>
#include <future>

namespace Corvid {
namespace Internal {

namespace {

//! Pings are at most this far apart, whatever the host asked for...
constexpr int kMaxHealthPeriodMs = 250;
//! ...and a device that does not answer one within this long is lost: with
//! the period, a device that falls silent is marked lost within a second.
constexpr int kPingDeadlineMs = 600;
//! How often a lost GigE Vision device is asked whether it is back, and how
//! long it has to answer.
constexpr std::chrono::milliseconds kReviveInterval{1000};
constexpr int kProbeDeadlineMs = 300;
//! How long stopping waits for connections to close before it lets them
//! close on their own.
constexpr std::chrono::milliseconds kCloseWait{150};

void log(const std::string& message, int level)
{
    Logger::instance().log("Corvid", message, level);
}

} // namespace

void Service::closeConnections(std::vector<std::shared_ptr<GenApi::CDeviceConnection>> connections,
                               bool waitBriefly)
{
    // Closing a device that does not answer takes as long as its transport
    // retries: it is done off the caller's thread, which waits at most a
    // moment (the process may end meanwhile: nothing is left to do then).
    if (connections.empty())
        return;
    auto closed = std::make_shared<std::promise<void>>();
    std::future<void> done = closed->get_future();
    std::thread closer([connections = std::move(connections), closed]() mutable {
        connections.clear();
        closed->set_value();
    });
    if (waitBriefly && done.wait_for(kCloseWait) == std::future_status::ready)
        closer.join();
    else
        closer.detach();
}

void Service::retire(std::shared_ptr<GenApi::CDeviceConnection> connection)
{
    if (!connection)
        return;
    // Marked lost, the connection answers every later access through its
    // node map with an exception, without touching the transport; a host
    // that still holds the map (a board that has not handled the device list
    // yet) keeps it, and the connection with it, until it lets go.
    connection->MarkLost();
    closeConnections({std::move(connection)}, false);
}

bool Service::waitForWatch(std::chrono::milliseconds period)
{
    std::unique_lock<std::mutex> lock(m_queueMutex);
    return !m_queueChanged.wait_for(lock, period, [this] { return m_stopping; });
}

void Service::healthLoop()
{
    const auto period =
        std::chrono::milliseconds(std::min(m_options.healthCheckIntervalMs, kMaxHealthPeriodMs));
    while (waitForWatch(period))
        checkHealth();
}

void Service::checkHealth()
{
    std::vector<std::pair<std::shared_ptr<Device>, std::shared_ptr<GenApi::CDeviceConnection>>> toCheck;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& device : m_devices) {
            if (!device->lost && device->connection)
                toCheck.emplace_back(device, device->connection);
        }
    }
    // Every device at once: one silent device does not delay the others.
    const auto cancelled = [this] { return m_watchCancelled.load(); };
    std::vector<std::future<bool>> answers;
    for (const auto& checked : toCheck) {
        std::shared_ptr<GenApi::CDeviceConnection> connection = checked.second;
        // A simulated device answers at once: no thread for it.
        const auto policy = connection->IsSimulated() ? std::launch::deferred : std::launch::async;
        answers.push_back(std::async(policy, [connection, cancelled] {
            try {
                return !connection->IsLost() && connection->Ping(kPingDeadlineMs, cancelled);
            } catch (...) {
                return false;
            }
        }));
    }
    bool changed = false;
    for (size_t i = 0; i < toCheck.size(); ++i) {
        const bool answering = answers[i].get();
        if (answering || m_watchCancelled.load())
            continue;
        const auto& [device, connection] = toCheck[i];
        bool newlyLost = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            // A device reopened meanwhile has a new connection: the old one's
            // silence says nothing about it.
            if (!device->lost && device->connection == connection) {
                device->lost = true;
                newlyLost = true;
            }
        }
        if (newlyLost) {
            changed = true;
            logDeviceEvent(device->id, "lost", "device " + device->id + " stopped answering", 1);
        }
    }
    if (changed)
        publishDeviceList();
}

void Service::checkLostFlags()
{
    std::vector<std::string> lost;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& device : m_devices) {
            if (!device->lost && device->connection && device->connection->IsLost()) {
                device->lost = true;
                lost.push_back(device->id);
            }
        }
    }
    for (const std::string& id : lost)
        logDeviceEvent(id, "lost", "device " + id + " stopped answering", 1);
    if (!lost.empty())
        publishDeviceList();
}

void Service::reviveLoop()
{
    const auto cancelled = [this] { return m_watchCancelled.load(); };
    while (waitForWatch(kReviveInterval)) {
        // Lost GigE Vision devices that opened before, by the address they
        // were opened with.
        std::vector<std::pair<std::string, std::string>> lost; // address, kind
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const auto& device : m_devices) {
                if (device->isAravis && device->lost && device->error.empty())
                    lost.emplace_back(device->transportId, device->kind);
            }
        }
        for (const auto& [address, kind] : lost) {
            // Opening a device that does not answer blocks for seconds: it is
            // tried only once the device answers a probe.
            GenApi::DeviceDescriptor found;
            if (!GenApi::CDeviceConnection::ProbeGigEVision(address, kProbeDeadlineMs, cancelled, &found))
                continue;
            if (m_watchCancelled.load())
                return;
            log("device at " + address + " answers again; opening it", 0);
            addAravis(address, kind, &found);
        }
    }
}

} // namespace Internal
} // namespace Corvid
