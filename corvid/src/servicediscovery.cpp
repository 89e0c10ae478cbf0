// Discovery: a thread that looks for real devices now and then, and opens
// what it found that the service does not know yet, all at once (up to
// kMaxPendingOpens), each within the open's deadline, so that devices that
// answer discovery but nothing else (or answer slowly) cannot hold back the
// listing of the others: fifty silent devices opened eight at a time held a
// camera found after them back for 13 s. An open mostly waits for its
// device; the part that parses in Aravis goes one at a time anyway.
#include "service.h"

#include "device.h"
#include "deviceid.h"
#include "servicelog.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace Corvid {
namespace Internal {

namespace {

// How often discovery looks for real devices.
constexpr std::chrono::seconds kDiscoveryInterval{5};
// How long discovery leaves a device alone that did not open.
constexpr std::chrono::seconds kDiscoveryRetryDelay{60};
constexpr size_t kMaxPendingOpens = 64;
//! How often the discovery thread looks at a stop request while opens run.
constexpr std::chrono::milliseconds kOpenSlice{20};

struct DiscoveredOpen
{
    GenApi::DeviceDescriptor descriptor;
    std::string target; //!< what is opened: the address the device answered from, or its id
    std::unique_ptr<GenApi::CDeviceConnection> connection;
    std::string error;
};

//! Shared by the discovery thread and the open threads: a thread whose open
//! outlives the round (the service stopped) still has somewhere to put it,
//! and the last owner closes it.
struct OpenRound
{
    std::mutex mutex;
    std::condition_variable finished;
    std::deque<std::shared_ptr<DiscoveredOpen>> done;
};

} // namespace

GenApi::AravisOpenOptions Service::aravisOpenOptions() const
{
    GenApi::AravisOpenOptions options;
    options.allowLocalFiles = m_options.allowDeviceFileUrls;
    return options;
}

std::vector<std::pair<std::string, bool>>
Service::openDiscovered(const std::vector<GenApi::DeviceDescriptor>& found)
{
    std::vector<std::pair<std::string, bool>> results;
    auto round = std::make_shared<OpenRound>();
    const GenApi::AravisOpenOptions options = aravisOpenOptions();
    size_t next = 0;
    size_t running = 0;
    while (next < found.size() || running > 0) {
        if (m_discoveryCancelled.load())
            break;
        while (running < kMaxPendingOpens && next < found.size()) {
            auto job = std::make_shared<DiscoveredOpen>();
            job->descriptor = found[next++];
            // A GigE Vision device is opened by the address it answered
            // from: opened by id, Aravis would search the network for it.
            const bool byAddress =
                job->descriptor.protocol == "GigEVision" && !job->descriptor.address.empty();
            job->target = byAddress ? job->descriptor.address : job->descriptor.id;
            ++running;
            std::thread([round, job, options] {
                std::unique_ptr<GenApi::CDeviceConnection> connection;
                std::string error;
                try {
                    connection = GenApi::CDeviceConnection::OpenAravis(job->target, &error, options);
                } catch (const std::exception& e) {
                    error = e.what();
                }
                std::lock_guard<std::mutex> lock(round->mutex);
                job->connection = std::move(connection);
                job->error = error;
                round->done.push_back(job);
                round->finished.notify_all();
            }).detach();
        }
        std::deque<std::shared_ptr<DiscoveredOpen>> ready;
        {
            std::unique_lock<std::mutex> lock(round->mutex);
            round->finished.wait_for(lock, kOpenSlice, [&] { return !round->done.empty(); });
            ready.swap(round->done);
        }
        for (const std::shared_ptr<DiscoveredOpen>& job : ready) {
            --running;
            const bool opened =
                !addOpenedAravis(job->target, "1", &job->descriptor, std::move(job->connection), job->error)
                     .empty();
            results.emplace_back(job->descriptor.id, opened);
        }
    }
    return results;
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

} // namespace Internal
} // namespace Corvid
