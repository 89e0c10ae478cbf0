// The service's event queue: bounded, with back-pressure on the threads that
// post to it, and a device-list catch-up queued once per listener.
#include "listeners.h"
#include "service.h"

namespace Corvid {
namespace Internal {

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

} // namespace Internal
} // namespace Corvid
