#define G_LOG_DOMAIN "genapi"

#include "proxydevice.h"

#include "simdescription.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using GenApi::Internal::DeviceContext;

//! One transfer, owned jointly by the caller and the I/O thread: a caller
//! that gives up waiting must not leave the thread writing into its buffer.
struct IoJob
{
    enum class Kind
    {
        ReadMemory,
        WriteMemory,
        ReadRegister,
        WriteRegister
    };
    Kind kind = Kind::ReadMemory;
    guint64 address = 0;
    std::vector<guint8> data;
    guint32 value = 0;
    bool done = false;
    bool ok = false;
    GError* error = nullptr;

    ~IoJob() { g_clear_error(&error); }
};

//! Runs the transfers on a thread of its own, so that a caller waits at
//! most a deadline for the answer however long Aravis retries. Holds the
//! reference to the Aravis device; the last owner (the wrapper or, after a
//! transfer that outlived its caller, the thread) releases it.
class IoWorker
{
public:
    explicit IoWorker(ArvDevice* device) : m_device(device) {}
    ~IoWorker() { g_object_unref(m_device); }
    IoWorker(const IoWorker&) = delete;
    IoWorker& operator=(const IoWorker&) = delete;

    ArvDevice* device() const { return m_device; }

    static void loop(std::shared_ptr<IoWorker> self)
    {
        std::unique_lock<std::mutex> lock(self->m_mutex);
        for (;;) {
            self->m_cv.wait(lock, [&] { return self->m_stop || self->m_pending; });
            if (self->m_stop)
                return;
            std::shared_ptr<IoJob> job = std::move(self->m_pending);
            self->m_busy = true;
            lock.unlock();
            self->transfer(*job);
            lock.lock();
            self->m_busy = false;
            job->done = true;
            self->m_cv.notify_all();
        }
    }

    //! False when the job did not finish within deadlineMs; it may still
    //! finish later, unseen.
    bool run(const std::shared_ptr<IoJob>& job, int deadlineMs)
    {
        std::lock_guard<std::mutex> callLock(m_callMutex);
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_busy || m_pending)
            return false; // still stuck in a transfer that timed out earlier
        m_pending = job;
        m_cv.notify_all();
        return m_cv.wait_for(lock, std::chrono::milliseconds(deadlineMs), [&] { return job->done; });
    }

    //! Asks the thread to end; true when it is idle (joining returns at once).
    bool stop()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_pending.reset();
        m_cv.notify_all();
        return !m_busy;
    }

    std::atomic<bool> controlLost{false};

private:
    void transfer(IoJob& job)
    {
        GError** error = &job.error;
        switch (job.kind) {
        case IoJob::Kind::ReadMemory:
            job.ok = arv_device_read_memory(m_device, job.address, static_cast<guint32>(job.data.size()),
                                            job.data.data(), error);
            break;
        case IoJob::Kind::WriteMemory:
            job.ok = arv_device_write_memory(m_device, job.address, static_cast<guint32>(job.data.size()),
                                             job.data.data(), error);
            break;
        case IoJob::Kind::ReadRegister:
            job.ok = arv_device_read_register(m_device, job.address, &job.value, error);
            break;
        case IoJob::Kind::WriteRegister:
            job.ok = arv_device_write_register(m_device, job.address, job.value, error);
            break;
        }
    }

    ArvDevice* m_device;
    std::mutex m_callMutex;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::shared_ptr<IoJob> m_pending;
    bool m_busy = false;
    bool m_stop = false;
};

struct ProxyState
{
    DeviceContext* ctx = nullptr; //!< counters and the lost flag; outlives the wrapper
    std::shared_ptr<IoWorker> worker;
    std::thread thread;
    gulong controlLostHandler = 0;
};

//! Errors that mean the device is unreachable, as opposed to a device that
//! answered with a refusal (bad address, write-protected, busy).
bool isLossError(const GError* error)
{
    if (!error)
        return true;
    if (error->domain == ARV_DEVICE_ERROR) {
        switch (error->code) {
        case ARV_DEVICE_ERROR_TIMEOUT:
        case ARV_DEVICE_ERROR_TRANSFER_ERROR:
        case ARV_DEVICE_ERROR_NOT_CONNECTED:
        case ARV_DEVICE_ERROR_NOT_FOUND:
        case ARV_DEVICE_ERROR_UNKNOWN:
            return true;
        default:
            return false;
        }
    }
    return error->domain == G_IO_ERROR;
}

void onControlLost(ArvDevice*, gpointer data)
{
    (*static_cast<std::shared_ptr<IoWorker>*>(data))->controlLost = true;
}

void releaseWorkerRef(gpointer data, GClosure*)
{
    delete static_cast<std::shared_ptr<IoWorker>*>(data);
}

} // namespace

G_BEGIN_DECLS
#define CAMPANE_TYPE_PROXY_DEVICE (campane_proxy_device_get_type())
G_DECLARE_FINAL_TYPE(CampaneProxyDevice, campane_proxy_device, CAMPANE, PROXY_DEVICE, ArvDevice)
G_END_DECLS

struct _CampaneProxyDevice
{
    ArvDevice parent_instance;
    ProxyState* state;
};

G_DEFINE_TYPE(CampaneProxyDevice, campane_proxy_device, ARV_TYPE_DEVICE)

static gboolean proxy_transfer(ArvDevice* device, IoJob::Kind kind, guint64 address, guint32 size,
                               void* buffer, guint32* value, GError** error)
{
    ProxyState* state = CAMPANE_PROXY_DEVICE(device)->state;
    DeviceContext* ctx = state->ctx;
    if (state->worker->controlLost.load() && !ctx->lost.exchange(true))
        g_warning("%s: control of the device lost", ctx->name.c_str());
    if (ctx->lost.load()) {
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONNECTED, "Device lost");
        return FALSE;
    }

    auto job = std::make_shared<IoJob>();
    job->kind = kind;
    job->address = address;
    const bool isRead = kind == IoJob::Kind::ReadMemory || kind == IoJob::Kind::ReadRegister;
    if (kind == IoJob::Kind::ReadMemory)
        job->data.resize(size);
    else if (kind == IoJob::Kind::WriteMemory)
        job->data.assign(static_cast<const guint8*>(buffer), static_cast<const guint8*>(buffer) + size);
    else if (kind == IoJob::Kind::WriteRegister)
        job->value = *value;
    if (isRead) {
        ctx->registerReads++;
        ctx->bytesRead += size;
    } else {
        ctx->registerWrites++;
        ctx->bytesWritten += size;
    }

    const int deadlineMs =
        isRead ? GenApi::Internal::kDeviceAnswerDeadlineMs : GenApi::Internal::kDeviceWriteDeadlineMs;
    if (!state->worker->run(job, deadlineMs)) {
        if (!ctx->lost.exchange(true))
            g_warning("%s: no answer within %d ms, device lost", ctx->name.c_str(), deadlineMs);
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT,
                    "No answer from the device within %d ms", deadlineMs);
        return FALSE;
    }
    if (!job->ok) {
        if (isLossError(job->error) && !ctx->lost.exchange(true))
            g_warning("%s: device lost (%s)", ctx->name.c_str(),
                      job->error ? job->error->message : "no reason");
        if (job->error) {
            g_propagate_error(error, job->error);
            job->error = nullptr;
        } else {
            g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_UNKNOWN, "Transfer failed");
        }
        return FALSE;
    }
    if (kind == IoJob::Kind::ReadMemory)
        std::memcpy(buffer, job->data.data(), size);
    else if (kind == IoJob::Kind::ReadRegister)
        *value = job->value;
    return TRUE;
}

static gboolean proxy_read_memory(ArvDevice* device, guint64 address, guint32 size, void* buffer,
                                  GError** error)
{
    return proxy_transfer(device, IoJob::Kind::ReadMemory, address, size, buffer, nullptr, error);
}

static gboolean proxy_write_memory(ArvDevice* device, guint64 address, guint32 size, void* buffer,
                                   GError** error)
{
    return proxy_transfer(device, IoJob::Kind::WriteMemory, address, size, buffer, nullptr, error);
}

static gboolean proxy_read_register(ArvDevice* device, guint64 address, guint32* value, GError** error)
{
    return proxy_transfer(device, IoJob::Kind::ReadRegister, address, 4, nullptr, value, error);
}

static gboolean proxy_write_register(ArvDevice* device, guint64 address, guint32 value, GError** error)
{
    return proxy_transfer(device, IoJob::Kind::WriteRegister, address, 4, nullptr, &value, error);
}

static const char* proxy_get_genicam_xml(ArvDevice* device, size_t* size)
{
    DeviceContext* ctx = CAMPANE_PROXY_DEVICE(device)->state->ctx;
    if (size)
        *size = ctx->xml.size();
    return ctx->xml.c_str();
}

static ArvGc* proxy_get_genicam(ArvDevice* device)
{
    return CAMPANE_PROXY_DEVICE(device)->state->ctx->gc;
}

static ArvStream* proxy_create_stream(ArvDevice*, ArvStreamCallback, void*, GDestroyNotify, GError** error)
{
    g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NO_STREAM_CHANNEL,
                "Streaming is not available here");
    return nullptr;
}

static void campane_proxy_device_init(CampaneProxyDevice* self)
{
    self->state = new ProxyState;
}

static void campane_proxy_device_finalize(GObject* object)
{
    ProxyState* state = CAMPANE_PROXY_DEVICE(object)->state;
    if (state->worker) {
        if (state->controlLostHandler)
            g_signal_handler_disconnect(state->worker->device(), state->controlLostHandler);
        // A transfer that outlived its caller may keep the thread busy for
        // Aravis's full retry time: let it finish on its own then.
        if (state->worker->stop())
            state->thread.join();
        else
            state->thread.detach();
    }
    delete state;
    G_OBJECT_CLASS(campane_proxy_device_parent_class)->finalize(object);
}

static void campane_proxy_device_class_init(CampaneProxyDeviceClass* klass)
{
    G_OBJECT_CLASS(klass)->finalize = campane_proxy_device_finalize;
    ArvDeviceClass* deviceClass = ARV_DEVICE_CLASS(klass);
    deviceClass->create_stream = proxy_create_stream;
    deviceClass->get_genicam_xml = proxy_get_genicam_xml;
    deviceClass->get_genicam = proxy_get_genicam;
    deviceClass->read_memory = proxy_read_memory;
    deviceClass->write_memory = proxy_write_memory;
    deviceClass->read_register = proxy_read_register;
    deviceClass->write_register = proxy_write_register;
}

namespace GenApi {
namespace Internal {

bool OpenProxyDevice(DeviceContext* ctx, ArvDevice* device, std::string* error)
{
    size_t size = 0;
    const char* xml = arv_device_get_genicam_xml(device, &size);
    if (!xml || size == 0) {
        *error = "the device gives no GenICam description";
        g_object_unref(device);
        return false;
    }
    ctx->xml.assign(xml, size);
    if (!LoadDescription(ctx, error)) {
        g_object_unref(device);
        return false;
    }

    auto* proxy = static_cast<CampaneProxyDevice*>(g_object_new(CAMPANE_TYPE_PROXY_DEVICE, nullptr));
    ProxyState* state = proxy->state;
    state->ctx = ctx;
    state->worker = std::make_shared<IoWorker>(device);
    state->thread = std::thread(IoWorker::loop, state->worker);
    state->controlLostHandler = g_signal_connect_data(device, "control-lost", G_CALLBACK(onControlLost),
                                                      new std::shared_ptr<IoWorker>(state->worker),
                                                      releaseWorkerRef, GConnectFlags(0));
    ctx->device = ARV_DEVICE(proxy);

    const std::string text = WithAddressesForAravis(ctx->xml);
    ctx->gc = arv_gc_new(ctx->device, text.data(), text.size());
    if (!ctx->gc) {
        *error = "Aravis cannot read the device's description";
        return false;
    }
    return true;
}

bool PingProxyDevice(DeviceContext* ctx)
{
    std::lock_guard<std::recursive_mutex> lock(ctx->mutex);
    if (ctx->lost.load() || !ctx->device)
        return false;
    guint8 version[4];
    GError* error = nullptr;
    // A refusal is an answer too: only a loss makes the ping fail.
    arv_device_read_memory(ctx->device, 0, sizeof version, version, &error);
    g_clear_error(&error);
    return !ctx->lost.load();
}

} // namespace Internal
} // namespace GenApi

namespace GenApi {
namespace Internal {

ArvDevice* ProxyTransportDevice(DeviceContext* ctx)
{
    if (!ctx->device || !G_TYPE_CHECK_INSTANCE_TYPE(ctx->device, CAMPANE_TYPE_PROXY_DEVICE))
        return nullptr;
    ProxyState* state = CAMPANE_PROXY_DEVICE(ctx->device)->state;
    return state->worker ? ARV_DEVICE(g_object_ref(state->worker->device())) : nullptr;
}

} // namespace Internal
} // namespace GenApi
