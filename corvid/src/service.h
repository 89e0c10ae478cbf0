// The running camera service: its devices, its thread and its event queue.
//
// One service thread delivers every listener call, in the order the events
// happened. A health thread checks every healthCheckIntervalMs (at most a
// quarter of a second) that the devices still answer, and a revival thread
// opens again the lost GigE Vision devices that answer again. Another thread,
// when discovery is on, looks for real devices now and then and opens the
// new ones. Device information is guarded by one
// mutex that is never held while a listener runs or a device is accessed, so
// a listener may call back into the service.
//
// The class is defined over several files: service.cpp (start and stop),
// servicequeue.cpp (the service thread, its queue and the events),
// servicedevices.cpp (adding devices), serviceregistry.cpp (looking them up,
// their state, removal), servicehealth.cpp (pings and revival),
// servicediscovery.cpp (discovery) and serviceimageview.cpp.
#pragma once

#include "hostsettings.h"

#include <Corvid/CorvidHost.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <GenApi/DeviceConnection.h>

namespace Corvid {
namespace Internal {

struct Device;

class Service
{
public:
    //! The running service, or null.
    static std::shared_ptr<Service> current();
    static int startCurrent(const ServiceOptions& options);
    static void stopCurrent();

    explicit Service(const ServiceOptions& options);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Devices
    std::string addSimulated(const std::string& xmlPath, const std::string& kind, bool isCard);
    //! found: what discovery said about the device, for what its node map
    //! does not tell (serial, model, vendor); may be null.
    std::string addAravis(const std::string& idOrAddress, const std::string& kind,
                          const GenApi::DeviceDescriptor* found = nullptr);
    int removeDevice(const std::string& id);
    int setUsable(const std::string& id, bool usable);
    int simulateLoss(const std::string& id);
    int setKind(const std::string& id, const std::string& kind);
    int setLock(const std::string& id, const std::string& lockText);
    std::vector<DeviceEntry> listDevices() const;

    std::string cameraInfo(const std::string& id, CAM_INFO key) const;
    std::string cardInfo(const std::string& id, CARD_INFO key) const;
    int setCameraInfo(const std::string& id, CAM_INFO key, const std::string& value);
    //! The device's connection; "" means the focused camera. Null when unknown.
    std::shared_ptr<GenApi::CDeviceConnection> connection(const std::string& id) const;
    //! The id itself, or the focused camera's id for "".
    std::string resolveId(const std::string& id) const;

    HostSettings& settings() { return m_settings; }

    // Image view calls without a registered view, and with one.
    ImageViewRecord imageViewRecord(const std::string& id) const;
    void recordImageView(const std::string& id, const std::function<void(ImageViewRecord&)>& change);

    // Events: each is queued and delivered on the service thread.
    void publishDeviceList();
    void catchUpDeviceListListener(IDeviceListUpdate* listener);
    void setFocus(FOCUS_TYPE type, const std::string& id);
    //! Queues task; it runs on the service thread with deliver true, or with
    //! deliver false when the service stops before its turn. At most
    //! kMaxQueuedTasks wait: another thread then waits for room (the service
    //! thread itself never waits on its own queue).
    void post(std::function<void(bool deliver)> task);
    static constexpr size_t kMaxQueuedTasks = 10000;
    //! Queues task and waits until it ran; runs it at once on the service
    //! thread itself.
    void postAndWait(const std::function<void(bool deliver)>& task);
    bool isServiceThread() const;

private:
    //! The rest of addAravis once the device was opened (or not, with error).
    std::string addOpenedAravis(const std::string& idOrAddress, const std::string& kind,
                                const GenApi::DeviceDescriptor* found,
                                std::unique_ptr<GenApi::CDeviceConnection> connection,
                                const std::string& error);
    GenApi::AravisOpenOptions aravisOpenOptions() const;
    //! Opens the devices discovery found, several at a time, and adds them
    //! (refused ones listed with the reason). Returns whether each (by its
    //! discovery id) opened; stops early, leaving the opens under way to end
    //! on their own, when the service stops.
    std::vector<std::pair<std::string, bool>>
    openDiscovered(const std::vector<GenApi::DeviceDescriptor>& found);
    //! Lists a device that was found but cannot be opened, with the reason;
    //! an entry of that id that opened before is left alone. Returns the id.
    std::string insertUnusableLocked(const std::string& id, bool isCard, const std::string& description,
                                     const std::string& model, const std::string& error);
    struct Lists
    {
        std::vector<std::string> cards;
        std::vector<std::string> cams;
    };
    void start();
    //! The default devices, and discovery when asked for.
    void addStartDevices();
    void stop();
    void run();
    //! Takes the first queued task and runs it without the queue's lock
    //! (lock holds m_queueMutex before and after).
    void runFirstTask(std::unique_lock<std::mutex>& lock, bool deliver);
    //! Pings every device that opened (on the health thread).
    void checkHealth();
    //! Marks lost, without pinging, the devices whose connection a read found gone.
    void checkLostFlags();
    //! The health thread: pings the devices every period.
    void healthLoop();
    //! The revival thread: opens again the lost GigE Vision devices that answer.
    void reviveLoop();
    //! Waits for the period; false once the service stops.
    bool waitForWatch(std::chrono::milliseconds period);
    //! Lets the connections go on a thread of their own; with waitBriefly,
    //! waits a moment for them to close.
    static void closeConnections(std::vector<std::shared_ptr<GenApi::CDeviceConnection>> connections,
                                 bool waitBriefly);
    //! Closes the connection of a device that was removed or opened again:
    //! every access through its node map fails at once from now on, and the
    //! service lets it go (it ends with the last holder of its node map).
    static void retire(std::shared_ptr<GenApi::CDeviceConnection> connection);
    void discoveryLoop();
    void discoverOnce();
    Lists snapshotLists() const;           //!< m_mutex held
    void publishLists(const Lists& lists); //!< queues the delivery
    std::shared_ptr<Device> findLocked(const std::string& id) const;
    std::string uniqueIdLocked(const std::string& base, const std::string& description) const;
    //! Inserts or revives the device; returns its id.
    std::string insertDevice(std::shared_ptr<Device> device);

    ServiceOptions m_options;
    HostSettings m_settings;

    mutable std::mutex m_mutex;                     //!< guards the device data below
    std::vector<std::shared_ptr<Device>> m_devices; //!< in order of addition
    std::string m_focusedCamera;
    std::map<std::string, ImageViewRecord> m_imageView;

    std::mutex m_queueMutex; //!< guards the queue and the stop flags
    std::condition_variable m_queueChanged;
    std::deque<std::function<void(bool)>> m_queue;
    std::condition_variable m_queueRoom; //!< a task left the queue, or the service stops
    //! Listeners whose catch-up with the device list is queued: one is enough.
    std::set<IDeviceListUpdate*> m_catchUpQueued;
    bool m_stopping = false;
    std::thread m_thread;
    std::thread m_discoveryThread;
    std::thread m_healthThread;
    std::thread m_reviveThread;
    //! Set by stop(): ends a ping or a probe under way at once.
    std::atomic<bool> m_watchCancelled{false};
    //! Set by stop(): ends a discovery round under way at its next slice.
    std::atomic<bool> m_discoveryCancelled{false};
    //! Devices that did not open, and when discovery tries them again (used
    //! by the discovery thread only).
    std::map<std::string, std::chrono::steady_clock::time_point> m_discoveryRetry;
    bool m_started = false;
    //! The thread that delivers the events of the running service.
    static std::atomic<std::thread::id> s_serviceThread;
};

} // namespace Internal
} // namespace Corvid
