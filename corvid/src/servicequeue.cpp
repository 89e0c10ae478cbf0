// The service's event queue and the thread that delivers it: bounded, with
// back-pressure on the threads that post to it, a device-list catch-up
// queued once per listener, and the events the service publishes (device
// lists, focus).
#include "listeners.h"
#include "service.h"

#include "device.h"
#include "servicelog.h"

#include <algorithm>

namespace Corvid {
namespace Internal {

namespace {

// How often the connections' lost flags are looked at (between pings).
constexpr std::chrono::milliseconds kLostFlagInterval{100};

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

std::atomic<std::thread::id> Service::s_serviceThread{};

bool Service::isServiceThread() const
{
    return s_serviceThread.load() == std::this_thread::get_id();
}

void Service::run()
{
    s_serviceThread = std::this_thread::get_id();
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
            runFirstTask(lock, true);
            continue;
        }
        m_queueChanged.wait_until(lock, nextLostCheck);
    }
    // Events not delivered yet are dropped; whoever waits for one is released.
    while (!m_queue.empty())
        runFirstTask(lock, false);
    s_serviceThread = std::thread::id();
}

void Service::runFirstTask(std::unique_lock<std::mutex>& lock, bool deliver)
{
    auto task = std::move(m_queue.front());
    m_queue.pop_front();
    m_queueRoom.notify_all();
    lock.unlock();
    runTask(task, deliver);
    lock.lock();
}

void Service::post(std::function<void(bool)> task)
{
    {
        std::unique_lock<std::mutex> lock(m_queueMutex);
        // A host that posts faster than listeners take events waits for room
        // instead of growing the queue without end. The service thread posts
        // from inside listeners: it must never wait for itself.
        if (!isServiceThread())
            m_queueRoom.wait(lock,
                             [this] { return m_queue.size() < kMaxQueuedTasks || m_stopping || !m_started; });
        if (m_started && !m_stopping) {
            m_queue.push_back(std::move(task));
            m_queueChanged.notify_all();
            return;
        }
    }
    task(false);
}

void Service::postAndWait(const std::function<void(bool)>& task)
{
    if (isServiceThread()) {
        task(true);
        return;
    }
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool done = false;
    post([&](bool deliver) {
        task(deliver);
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        doneChanged.notify_all();
    });
    std::unique_lock<std::mutex> lock(mutex);
    doneChanged.wait(lock, [&] { return done; });
}

void Service::catchUpDeviceListListener(IDeviceListUpdate* listener)
{
    {
        // A catch-up already waiting sends the list as it is when it runs:
        // a second one would only repeat it.
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (!m_catchUpQueued.insert(listener).second)
            return;
    }
    post([this, listener](bool deliver) {
        {
            std::lock_guard<std::mutex> lock(m_queueMutex);
            m_catchUpQueued.erase(listener);
        }
        if (!deliver)
            return;
        Lists lists;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            lists = snapshotLists();
        }
        // The list as it grew: the cards on their own first, as when the
        // devices were added.
        if (!lists.cards.empty() && !lists.cams.empty()) {
            listeners().deviceList.callOne(listener, [&](IDeviceListUpdate* l) {
                l->DeviceListUpdated(1, lists.cards, std::vector<std::string>());
            });
        }
        listeners().deviceList.callOne(
            listener, [&](IDeviceListUpdate* l) { l->DeviceListUpdated(1, lists.cards, lists.cams); });
    });
}

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
