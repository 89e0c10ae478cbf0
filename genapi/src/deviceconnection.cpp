#define G_LOG_DOMAIN "genapi"

#include <GenApi/DeviceConnection.h>

#include "aravisparsegate.h"
#include "descriptioncheck.h"
#include "devicecontext.h"
#include "gigedescription.h"
#include "gvcpdiscovery.h"
#include "gvcpreader.h"
#include "proxydevice.h"
#include "simdevice.h"
#include "transportidentity.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace GenApi {

using Internal::DeviceContext;

struct CDeviceConnection::Impl
{
    std::shared_ptr<DeviceContext> ctx;
    bool simulated = false;
    //! Declared last so that it goes first: the nodes use the context.
    std::unique_ptr<INodeMap, void (*)(INodeMap*)> nodeMap{nullptr, nullptr};
};

namespace {

//! Aravis's device list and device opening are process-wide and not
//! thread-safe.
std::mutex& aravisSystemMutex()
{
    static std::mutex mutex;
    return mutex;
}

//! Takes the Aravis system mutex within timeout: an open that never ends
//! must not block the next one for good. (Polled rather than a timed mutex,
//! whose clock-based lock ThreadSanitizer does not see.)
std::unique_lock<std::mutex> lockAravisWithin(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(aravisSystemMutex(), std::defer_lock);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!lock.try_lock() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return lock;
}

//! One Aravis open, run on a thread of its own so that its caller waits at
//! most a deadline: Aravis waits as long as a device keeps answering
//! "pending". A caller that gave up leaves the device to the thread, which
//! releases it when Aravis returns.
struct PendingOpen
{
    std::mutex mutex;
    std::condition_variable finished;
    uint64_t ticket = 0; //!< the parse gate's, once the open has it
    bool done = false;
    bool abandoned = false;
    ArvDevice* device = nullptr;
    std::string error;
};

//! The devices (address or id) whose open was given up on while Aravis
//! still waits for them: a device that answers "pending" forever keeps that
//! thread for good, and opening it again (discovery retries) would leave
//! one more thread waiting on it each time.
std::mutex& waitingOpensMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::set<std::string>& waitingOpens()
{
    static std::set<std::string> names;
    return names;
}

bool openStillWaiting(const std::string& name)
{
    std::lock_guard<std::mutex> lock(waitingOpensMutex());
    return waitingOpens().count(name) > 0;
}

//! Runs open (which parses: see aravisparsegate.h) once it has the parse
//! gate. The deadline counts from then, so that opens queued behind others
//! are not refused for the time the others took. The caller lets the gate go
//! for the open as soon as Aravis has parsed (AravisParseWatch), after
//! holdMs at most, or when it gives up: a device that stops answering once
//! it is asked for the control channel (Aravis asks after its parse) must not
//! hold every later open back. Waiting opens take the gate in no particular
//! order, and a fixed allowance alone was paid in full by every such device
//! that got its turn before a camera: 50 of them held one back 14 to 16 s,
//! where Aravis's own part takes about a millisecond each on loopback.
ArvDevice* openWithin(const std::string& name, int deadlineMs, int holdMs,
                      std::function<ArvDevice*(std::string*)> open, std::string* error)
{
    auto pending = std::make_shared<PendingOpen>();
    std::thread([pending, name, open = std::move(open)] {
        Internal::AravisParseGate& gate = Internal::AravisParseGate::instance();
        const uint64_t ticket = gate.enter(Internal::AravisParseGate::Turn::Open);
        {
            std::lock_guard<std::mutex> lock(pending->mutex);
            pending->ticket = ticket;
        }
        pending->finished.notify_all();
        std::string reason;
        ArvDevice* device = nullptr;
        {
            Internal::AravisParseWatch watch([&gate, ticket] { gate.leave(ticket); });
            device = open(&reason);
        }
        gate.leave(ticket);
        std::lock_guard<std::mutex> lock(pending->mutex);
        if (pending->abandoned) {
            if (device)
                g_object_unref(device);
            std::lock_guard<std::mutex> waiting(waitingOpensMutex());
            waitingOpens().erase(name);
        } else {
            pending->device = device;
            pending->error = reason;
        }
        pending->done = true;
        pending->finished.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(pending->mutex);
    pending->finished.wait(lock, [&] { return pending->ticket != 0; });
    const auto entered = std::chrono::steady_clock::now();
    const auto deadline = entered + std::chrono::milliseconds(deadlineMs);
    const auto letGo = std::min(deadline, entered + std::chrono::milliseconds(holdMs));
    const auto isDone = [&] { return pending->done; };
    if (!pending->finished.wait_until(lock, letGo, isDone)) {
        const uint64_t ticket = pending->ticket;
        lock.unlock();
        Internal::AravisParseGate::instance().leave(ticket);
        lock.lock();
        if (!pending->finished.wait_until(lock, deadline, isDone)) {
            pending->abandoned = true;
            std::lock_guard<std::mutex> waiting(waitingOpensMutex());
            waitingOpens().insert(name);
            *error = "the device did not finish opening within " + std::to_string(deadlineMs) + " ms";
            return nullptr;
        }
    }
    *error = pending->error;
    return pending->device;
}

bool isIPv4Address(const std::string& text)
{
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

//! How long reading a GigE Vision device's description may take, within the
//! open's deadline.
constexpr int kDescriptionShare = 2;
//! How long an open by address keeps the parse gate at most: Aravis reads
//! the description again (three times as long as ours took is allowed) and
//! parses it (Aravis takes about 33 ms per MiB; three times that allowed).
constexpr int kParseHoldMs = 300;
constexpr int kParseHoldMsPerMiB = 100;

void fail(std::string* error, const std::string& name, const std::string& reason)
{
    g_warning("Cannot open %s: %s", name.c_str(), reason.c_str());
    if (error)
        *error = reason;
}

//! How long devices have to answer a GigE Vision discovery, and the slices
//! in which a cancellation is noticed.
constexpr int kGigEDiscoveryWindowMs = 1000;
constexpr int kDiscoverySliceMs = 20;

std::string copyOf(const char* text)
{
    return text ? std::string(text) : std::string();
}

} // namespace

CDeviceConnection::CDeviceConnection(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CDeviceConnection::~CDeviceConnection() = default;

//! Builds the node map over a context whose device and description are
//! ready; null with the reason when the node layer refuses it.
static std::unique_ptr<CDeviceConnection::Impl> withNodeMap(std::shared_ptr<DeviceContext> ctx,
                                                            bool simulated, std::string* error)
{
    auto impl = std::make_unique<CDeviceConnection::Impl>();
    impl->ctx = ctx;
    impl->simulated = simulated;
    try {
        impl->nodeMap = Internal::CreateNodeMap(ctx);
    } catch (const GenICam::GenericException& e) {
        fail(error, ctx->name, e.GetDescription());
        return nullptr;
    } catch (const std::exception& e) {
        fail(error, ctx->name, e.what());
        return nullptr;
    }
    if (!impl->nodeMap) {
        fail(error, ctx->name, "no node map could be built");
        return nullptr;
    }
    ctx->packDescription();
    return impl;
}

std::unique_ptr<CDeviceConnection> CDeviceConnection::OpenSimulated(const std::string& xmlPath,
                                                                    std::string* error)
{
    gchar* contents = nullptr;
    gsize length = 0;
    GError* gerror = nullptr;
    if (!g_file_get_contents(xmlPath.c_str(), &contents, &length, &gerror)) {
        fail(error, xmlPath, gerror ? gerror->message : "cannot read the file");
        g_clear_error(&gerror);
        return nullptr;
    }
    std::string xml(contents, length);
    g_free(contents);
    return OpenSimulatedFromText(xml, xmlPath, error);
}

std::unique_ptr<CDeviceConnection>
CDeviceConnection::OpenSimulatedFromText(const std::string& xml, const std::string& name, std::string* error)
{
    auto ctx = std::make_shared<DeviceContext>();
    ctx->xml = xml;
    ctx->name = name;
    std::string reason;
    if (!Internal::OpenSimulatedDevice(ctx.get(), &reason)) {
        fail(error, name, reason);
        return nullptr;
    }
    auto impl = withNodeMap(ctx, true, error);
    if (!impl)
        return nullptr;
    return std::unique_ptr<CDeviceConnection>(new CDeviceConnection(std::move(impl)));
}

std::unique_ptr<CDeviceConnection> CDeviceConnection::OpenAravis(const std::string& deviceIdOrAddress,
                                                                 std::string* error)
{
    return OpenAravis(deviceIdOrAddress, error, AravisOpenOptions());
}

std::unique_ptr<CDeviceConnection> CDeviceConnection::OpenAravis(const std::string& deviceIdOrAddress,
                                                                 std::string* error,
                                                                 const AravisOpenOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    const int deadlineMs = std::max(1, options.deadlineMs);
    if (openStillWaiting(deviceIdOrAddress)) {
        fail(error, deviceIdOrAddress, "an earlier open of the device is still waiting for it");
        return nullptr;
    }
    ArvDevice* device = nullptr;
    std::string description;
    std::string reason;
    if (isIPv4Address(deviceIdOrAddress)) {
        // Our own reads first, and Aravis is given the device at that address
        // on the interface that reaches it, without a search of its own.
        std::string interfaceAddress;
        std::unique_ptr<Internal::GvcpReader> reader =
            Internal::GvcpReader::openAddress(deviceIdOrAddress, &interfaceAddress);
        if (!reader) {
            fail(error, deviceIdOrAddress, "no socket can reach the address");
            return nullptr;
        }
        if (!Internal::FetchGigEDescription(*reader, deadlineMs / kDescriptionShare, options.allowLocalFiles,
                                            &description, &reason)) {
            fail(error, deviceIdOrAddress, reason);
            return nullptr;
        }
        reader.reset();
        // Aravis builds a document of its own from the same text as it
        // opens the device: the text is checked before it gets that far
        // (once: the text of a device already open passed).
        const std::string text = Internal::DescriptionText(description);
        if (!Internal::IsKnownDescription(text) && !Internal::CheckDescription(text, &reason, {})) {
            fail(error, deviceIdOrAddress, reason);
            return nullptr;
        }
        const int readMs = int(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
        const int holdMs = kParseHoldMs + 3 * readMs + int(text.size() >> 20) * kParseHoldMsPerMiB;
        device = openWithin(
            deviceIdOrAddress, std::max(1, deadlineMs - readMs), holdMs,
            [interfaceAddress, deviceIdOrAddress](std::string* why) {
                GInetAddress* local = g_inet_address_new_from_string(interfaceAddress.c_str());
                GInetAddress* remote = g_inet_address_new_from_string(deviceIdOrAddress.c_str());
                GError* gerror = nullptr;
                ArvDevice* opened = local && remote ? arv_gv_device_new(local, remote, &gerror) : nullptr;
                if (!opened)
                    *why = gerror ? gerror->message : "Aravis cannot open the device";
                g_clear_error(&gerror);
                g_clear_object(&local);
                g_clear_object(&remote);
                return opened;
            },
            &reason);
    } else {
        device = openWithin(
            deviceIdOrAddress, deadlineMs, deadlineMs,
            [deviceIdOrAddress, deadlineMs](std::string* why) -> ArvDevice* {
                std::unique_lock<std::mutex> lock = lockAravisWithin(std::chrono::milliseconds(deadlineMs));
                if (!lock.owns_lock()) {
                    *why = "another device is still opening";
                    return nullptr;
                }
                GError* gerror = nullptr;
                ArvDevice* opened = arv_open_device(deviceIdOrAddress.c_str(), &gerror);
                if (!opened)
                    *why = gerror ? gerror->message : "no such device";
                g_clear_error(&gerror);
                return opened;
            },
            &reason);
    }
    if (!device) {
        fail(error, deviceIdOrAddress, reason.empty() ? std::string("the device cannot be opened") : reason);
        return nullptr;
    }
    auto ctx = std::make_shared<DeviceContext>();
    ctx->name = deviceIdOrAddress;
    if (!Internal::OpenProxyDevice(ctx.get(), device, &reason,
                                   description.empty() ? nullptr : &description)) {
        fail(error, deviceIdOrAddress, reason);
        return nullptr;
    }
    auto impl = withNodeMap(ctx, false, error);
    if (!impl)
        return nullptr;
    return std::unique_ptr<CDeviceConnection>(new CDeviceConnection(std::move(impl)));
}

std::vector<DeviceDescriptor> CDeviceConnection::Discover()
{
    return Discover(nullptr);
}

std::vector<DeviceDescriptor> CDeviceConnection::Discover(const std::function<bool()>& cancelled)
{
    // Once cancelled stays cancelled, without asking again.
    bool stop = false;
    const std::function<bool()> isCancelled = [&] { return stop || (cancelled && (stop = cancelled())); };
    std::vector<DeviceDescriptor> devices;
    // GigE Vision on our own sockets: Aravis's search waits a full second of
    // silence and cannot be interrupted.
    for (Internal::GvcpAnnouncement& a :
         Internal::discoverGigEVision(kGigEDiscoveryWindowMs, kDiscoverySliceMs, isCancelled)) {
        DeviceDescriptor d;
        // The id Aravis gives the same device.
        d.id = a.vendor + "-" + a.model + "-" + a.serial;
        d.vendor = std::move(a.vendor);
        d.model = std::move(a.model);
        d.serial = std::move(a.serial);
        d.protocol = "GigEVision";
        d.address = std::move(a.address);
        devices.push_back(std::move(d));
    }
    if (isCancelled())
        return devices;
    // USB3 Vision through Aravis: a bus enumeration, quick.
    std::unique_lock<std::mutex> lock = lockAravisWithin(std::chrono::seconds(1));
    if (!lock.owns_lock())
        return devices;
    ArvInterface* usb = arv_uv_interface_get_instance();
    if (!usb)
        return devices;
    arv_interface_update_device_list(usb);
    const unsigned int count = arv_interface_get_n_devices(usb);
    for (unsigned int i = 0; i < count; ++i) {
        DeviceDescriptor d;
        d.id = copyOf(arv_interface_get_device_id(usb, i));
        d.vendor = copyOf(arv_interface_get_device_vendor(usb, i));
        d.model = copyOf(arv_interface_get_device_model(usb, i));
        d.serial = copyOf(arv_interface_get_device_serial_nbr(usb, i));
        d.protocol = copyOf(arv_interface_get_device_protocol(usb, i));
        d.address = copyOf(arv_interface_get_device_address(usb, i));
        if (!d.id.empty())
            devices.push_back(std::move(d));
    }
    return devices;
}

INodeMap* CDeviceConnection::GetNodeMap() const
{
    return m_impl->nodeMap.get();
}

bool CDeviceConnection::IsSimulated() const
{
    return m_impl->simulated;
}

std::string CDeviceConnection::GetDescriptionXml() const
{
    return m_impl->ctx->descriptionText();
}

bool CDeviceConnection::SharesDescriptionWith(const CDeviceConnection& other) const
{
    // Set once when the device opens, never changed after.
    return m_impl->ctx->checked && m_impl->ctx->checked == other.m_impl->ctx->checked;
}

bool CDeviceConnection::GetTransportIdentity(DeviceDescriptor* out) const
{
    return !m_impl->simulated && out && Internal::ReadTransportIdentity(m_impl->ctx.get(), out);
}

int CDeviceConnection::SetThreadWriteWait(int ms)
{
    return Internal::SetThreadWriteWait(ms);
}

bool CDeviceConnection::IsLost() const
{
    return m_impl->ctx->lost.load();
}

bool CDeviceConnection::Ping()
{
    if (m_impl->simulated)
        return !m_impl->ctx->lost.load();
    return Internal::PingProxyDevice(m_impl->ctx.get());
}

bool CDeviceConnection::Ping(int deadlineMs, const std::function<bool()>& cancelled)
{
    if (m_impl->simulated)
        return !m_impl->ctx->lost.load();
    return Internal::PingProxyDevice(m_impl->ctx.get(), deadlineMs, cancelled);
}

bool CDeviceConnection::ReleaseControl(int deadlineMs)
{
    return !m_impl->simulated && Internal::ReleaseProxyControl(m_impl->ctx.get(), deadlineMs);
}

void CDeviceConnection::MarkLost()
{
    if (!m_impl->ctx->lost.exchange(true))
        g_message("%s: marked lost", m_impl->ctx->name.c_str());
}

std::unique_ptr<CFrameStream> CDeviceConnection::OpenStream(std::string* error)
{
    if (m_impl->simulated) {
        if (error)
            *error = "a simulated device has no stream channel";
        return nullptr;
    }
    return Internal::OpenFrameStream(m_impl->ctx.get(), error);
}

DeviceStatistics CDeviceConnection::GetStatistics() const
{
    const DeviceContext& ctx = *m_impl->ctx;
    DeviceStatistics s;
    s.registerReads = ctx.registerReads.load();
    s.registerWrites = ctx.registerWrites.load();
    s.bytesRead = ctx.bytesRead.load();
    s.bytesWritten = ctx.bytesWritten.load();
    return s;
}

void CDeviceConnection::ResetStatistics()
{
    DeviceContext& ctx = *m_impl->ctx;
    ctx.registerReads = 0;
    ctx.registerWrites = 0;
    ctx.bytesRead = 0;
    ctx.bytesWritten = 0;
}

} // namespace GenApi
