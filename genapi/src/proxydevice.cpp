#define G_LOG_DOMAIN "genapi"

#include "proxydevice.h"

#include "gvcpreader.h"
#include "ioworker.h"
#include "simdescription.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using GenApi::Internal::DeviceContext;
using GenApi::Internal::GvcpReader;
using GenApi::Internal::IoJob;
using GenApi::Internal::IoWorker;

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

struct ProxyState
{
    DeviceContext* ctx = nullptr; //!< counters and the lost flag; outlives the wrapper
    std::shared_ptr<IoWorker> worker;
    std::thread thread;
    gulong controlLostHandler = 0;
    //! Reads on the caller's thread (GigE Vision); null, or off once the
    //! device refuses them, sends every read through the worker.
    std::unique_ptr<GenApi::Internal::GvcpReader> reader;
    std::atomic<bool> readerOff{false};

    //! A device that missed a read deadline is checked through Aravis on the
    //! worker (which waits for it longer); meanwhile accesses fail at once.
    std::mutex checkMutex;
    std::shared_ptr<IoJob> check;
    std::chrono::steady_clock::time_point checkSince;
    //! A write whose caller stopped waiting for the answer: the worker keeps
    //! it going; meanwhile accesses fail at once (under checkMutex).
    std::shared_ptr<IoJob> unconfirmed;
    std::chrono::steady_clock::time_point unconfirmedSince;
};

//! The calling thread's write wait (SetThreadWriteWait); 0: the full deadline.
thread_local int t_writeWaitMs = 0;

int writeWaitMs()
{
    const int wait = t_writeWaitMs;
    return wait > 0 && wait < GenApi::Internal::kDeviceWriteDeadlineMs
               ? wait
               : GenApi::Internal::kDeviceWriteDeadlineMs;
}

void markLost(DeviceContext* ctx, const char* why)
{
    if (!ctx->lost.exchange(true))
        g_warning("%s: device lost (%s)", ctx->name.c_str(), why);
}

std::shared_ptr<IoJob> pingJob()
{
    auto job = std::make_shared<IoJob>();
    job->kind = IoJob::Kind::ReadMemory;
    job->address = 0; // the bootstrap version register of GigE Vision and USB3 Vision
    job->data.resize(4);
    return job;
}

//! Whether the device may be accessed now: true unless it is being checked
//! after a missed deadline. A check that ended settles it: answered, the
//! device is usable again; refused, timed out or past the answer deadline,
//! the device is lost. With wait, waits for the check to end (at most until
//! its deadline).
bool checkSettled(ProxyState* state, bool wait)
{
    std::lock_guard<std::mutex> lock(state->checkMutex);
    if (!state->check)
        return true;
    const auto deadline =
        state->checkSince + std::chrono::milliseconds(GenApi::Internal::kDeviceAnswerDeadlineMs);
    const bool done = wait ? state->worker->wait(state->check, deadline) : state->check->done.load();
    if (done) {
        const bool answered = state->check->ok || (state->check->error && !isLossError(state->check->error));
        state->check.reset();
        if (answered) {
            // The device answers on the control channel but not on our
            // reader's socket (or not validly): every read goes through the
            // control channel from now on, so that it can never hide behind
            // the reader with an empty tree, nor cost each read a deadline.
            if (state->reader && !state->readerOff.exchange(true))
                g_message("%s: no valid answer to our reads, but the device answers on its control channel; "
                          "reads go through the control channel",
                          state->ctx->name.c_str());
            return true;
        }
        markLost(state->ctx, "no answer to a check after a missed deadline");
        return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
        state->check.reset();
        markLost(state->ctx, "no answer within the deadline");
    }
    return false;
}

//! Whether no write is waiting for its answer. A write that was not
//! confirmed settles when it ends: answered (taken or refused), the device is
//! usable again; not answered within kDeviceWriteDeadlineMs of when it went
//! out, or failed for want of the device, the device is lost. With wait,
//! waits for it to end (at most until that deadline).
bool writeSettled(ProxyState* state, bool wait)
{
    std::unique_lock<std::mutex> lock(state->checkMutex);
    if (!state->unconfirmed)
        return true;
    const std::shared_ptr<IoJob> job = state->unconfirmed;
    const auto deadline =
        state->unconfirmedSince + std::chrono::milliseconds(GenApi::Internal::kDeviceWriteDeadlineMs);
    if (wait) {
        // Not under the lock: the accesses meanwhile fail at once instead of
        // waiting with this caller.
        lock.unlock();
        state->worker->wait(job, deadline);
        lock.lock();
        if (state->unconfirmed != job)
            return !state->ctx->lost.load(); // settled by another caller meanwhile
    }
    const bool done = job->done.load();
    if (!done) {
        if (std::chrono::steady_clock::now() < deadline)
            return false;
        state->unconfirmed.reset();
        markLost(state->ctx, "no answer to a write within the deadline");
        return false;
    }
    state->unconfirmed.reset();
    if (job->ok) {
        g_message("%s: the device confirmed a write late", state->ctx->name.c_str());
        return true;
    }
    if (isLossError(job->error)) {
        markLost(state->ctx, job->error ? job->error->message : "a write failed");
        return false;
    }
    g_message("%s: the device refused a write late (%s)", state->ctx->name.c_str(), job->error->message);
    return true;
}

void startCheck(ProxyState* state)
{
    std::lock_guard<std::mutex> lock(state->checkMutex);
    if (state->check)
        return;
    state->check = pingJob();
    state->checkSince = std::chrono::steady_clock::now();
    state->worker->post(state->check);
    g_message("%s: no answer within %d ms; checking the device", state->ctx->name.c_str(),
              GenApi::Internal::kDirectReadDeadlineMs);
}

void setProtocolError(GError** error, uint16_t status)
{
    static const ArvDeviceError codes[] = {ARV_DEVICE_ERROR_PROTOCOL_ERROR,
                                           ARV_DEVICE_ERROR_PROTOCOL_ERROR_NOT_IMPLEMENTED,
                                           ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_PARAMETER,
                                           ARV_DEVICE_ERROR_PROTOCOL_ERROR_INVALID_ADDRESS,
                                           ARV_DEVICE_ERROR_PROTOCOL_ERROR_WRITE_PROTECT,
                                           ARV_DEVICE_ERROR_PROTOCOL_ERROR_BAD_ALIGNMENT,
                                           ARV_DEVICE_ERROR_PROTOCOL_ERROR_ACCESS_DENIED,
                                           ARV_DEVICE_ERROR_PROTOCOL_ERROR_BUSY};
    const unsigned code = status & 0x7fffu;
    g_set_error(error, ARV_DEVICE_ERROR,
                code < G_N_ELEMENTS(codes) ? codes[code] : ARV_DEVICE_ERROR_PROTOCOL_ERROR,
                "The device refused the read (status 0x%04x)", status);
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

//! A read on the caller's thread: true when it settled the access (*result
//! says how), false when the worker has to do it.
static bool directRead(ProxyState* state, IoJob::Kind kind, guint64 address, guint32 size, void* buffer,
                       guint32* value, GError** error, gboolean* result)
{
    if (!state->reader || state->readerOff.load() || address + size > 0x100000000ull)
        return false;
    DeviceContext* ctx = state->ctx;
    uint16_t status = 0;
    const GvcpReader::Outcome outcome =
        kind == IoJob::Kind::ReadRegister
            ? state->reader->readRegister(address, value, GenApi::Internal::kDirectReadDeadlineMs, &status)
            : state->reader->readMemory(address, size, buffer, GenApi::Internal::kDirectReadDeadlineMs,
                                        &status);
    *result = FALSE;
    switch (outcome) {
    case GvcpReader::Outcome::Done:
        *result = TRUE;
        return true;
    case GvcpReader::Outcome::Denied:
        // Reads need the control channel on this device: Aravis's then.
        state->readerOff = true;
        g_message("%s: reads go through the control channel", ctx->name.c_str());
        return false;
    case GvcpReader::Outcome::Refused:
        setProtocolError(error, status);
        return true;
    case GvcpReader::Outcome::Unreachable:
        markLost(ctx, "nobody answers at its address");
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONNECTED, "Device lost");
        return true;
    case GvcpReader::Outcome::NoAnswer:
        startCheck(state);
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT,
                    "No answer from the device within %d ms", GenApi::Internal::kDirectReadDeadlineMs);
        return true;
    }
    return false;
}

static gboolean proxy_transfer(ArvDevice* device, IoJob::Kind kind, guint64 address, guint32 size,
                               void* buffer, guint32* value, GError** error)
{
    ProxyState* state = CAMPANE_PROXY_DEVICE(device)->state;
    DeviceContext* ctx = state->ctx;
    if (state->worker->controlLost.load() && !ctx->lost.exchange(true))
        g_warning("%s: control of the device lost", ctx->name.c_str());
    if (!ctx->lost.load() && !checkSettled(state, false) && !ctx->lost.load()) {
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT,
                    "The device missed a deadline and is being checked");
        return FALSE;
    }
    if (!ctx->lost.load() && !writeSettled(state, false) && !ctx->lost.load()) {
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT,
                    "A write to the device is not confirmed yet");
        return FALSE;
    }
    if (ctx->lost.load()) {
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_NOT_CONNECTED, "Device lost");
        return FALSE;
    }

    const bool isRead = kind == IoJob::Kind::ReadMemory || kind == IoJob::Kind::ReadRegister;
    if (isRead) {
        ctx->registerReads++;
        ctx->bytesRead += size;
        gboolean result = FALSE;
        if (directRead(state, kind, address, size, buffer, value, error, &result))
            return result;
    } else {
        ctx->registerWrites++;
        ctx->bytesWritten += size;
    }

    auto job = std::make_shared<IoJob>();
    job->kind = kind;
    job->address = address;
    if (kind == IoJob::Kind::ReadMemory)
        job->data.resize(size);
    else if (kind == IoJob::Kind::WriteMemory)
        job->data.assign(static_cast<const guint8*>(buffer), static_cast<const guint8*>(buffer) + size);
    else if (kind == IoJob::Kind::WriteRegister)
        job->value = *value;

    const int deadlineMs = isRead ? GenApi::Internal::kDeviceAnswerDeadlineMs : writeWaitMs();
    const auto posted = std::chrono::steady_clock::now();
    if (!state->worker->run(job, deadlineMs) && !isRead &&
        deadlineMs < GenApi::Internal::kDeviceWriteDeadlineMs) {
        // The device may still take the write (a slow operation, or a device
        // that wakes up): it is not failed, only not confirmed, and the
        // worker keeps it going. What it wrote is read again once it settles.
        {
            std::lock_guard<std::mutex> lock(state->checkMutex);
            state->unconfirmed = job;
            state->unconfirmedSince = posted;
        }
        g_message("%s: a write is not confirmed within %d ms; waiting for the device", ctx->name.c_str(),
                  deadlineMs);
        g_set_error(error, ARV_DEVICE_ERROR, ARV_DEVICE_ERROR_TIMEOUT,
                    "the write is not confirmed: no answer from the device within %d ms (the device may "
                    "still take it)",
                    deadlineMs);
        return FALSE;
    }
    if (!job->done.load()) {
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
    const std::string& text = ctx->unpackedDescription();
    if (size)
        *size = text.size();
    return text.c_str();
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
        bool wellBehaved = !state->ctx->lost.load();
        {
            std::lock_guard<std::mutex> lock(state->checkMutex);
            wellBehaved = wellBehaved && !state->check && !state->unconfirmed;
        }
        // A transfer that outlived its caller may keep the thread busy for
        // Aravis's full retry time: let it finish on its own then.
        if (state->worker->stop()) {
            state->thread.join();
        } else {
            state->thread.detach();
            wellBehaved = false;
        }
        // Aravis's release of a device joins its heartbeat thread, whose read
        // of a device gone wrong may never end (a device that answers
        // "pending" forever): a device that is lost, being checked or busy is
        // let go on a thread of its own, so that closing it never waits for it.
        if (!wellBehaved)
            std::thread([worker = std::move(state->worker)]() mutable { worker.reset(); }).detach();
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

bool OpenProxyDevice(DeviceContext* ctx, ArvDevice* device, std::string* error,
                     const std::string* description)
{
    if (description) {
        ctx->xml = *description;
    } else {
        size_t size = 0;
        const char* xml = arv_device_get_genicam_xml(device, &size);
        if (!xml || size == 0) {
            *error = "the device gives no GenICam description";
            g_object_unref(device);
            return false;
        }
        ctx->xml.assign(xml, size);
    }

    // The description is read (once) before anything talks to the device; a
    // refused one leaves no thread behind. The proxy goes with the context.
    auto* proxy = static_cast<CampaneProxyDevice*>(g_object_new(CAMPANE_TYPE_PROXY_DEVICE, nullptr));
    ProxyState* state = proxy->state;
    state->ctx = ctx;
    ctx->device = ARV_DEVICE(proxy);
    if (!BuildDescription(ctx, error)) {
        g_object_unref(device);
        return false;
    }

    state->worker = std::make_shared<IoWorker>(device);
    state->thread = std::thread(IoWorker::loop, state->worker);
    state->controlLostHandler = g_signal_connect_data(device, "control-lost", G_CALLBACK(onControlLost),
                                                      new std::shared_ptr<IoWorker>(state->worker),
                                                      releaseWorkerRef, GConnectFlags(0));
    state->reader = GvcpReader::open(device);
    return true;
}

bool PingProxyDevice(DeviceContext* ctx)
{
    // Not under ctx->mutex: a ping that waits for a silent device must not
    // hold up the node map's users meanwhile.
    if (ctx->lost.load() || !ctx->device)
        return false;
    ProxyState* state = CAMPANE_PROXY_DEVICE(ctx->device)->state;
    if (state->worker->controlLost.load())
        markLost(ctx, "control of the device lost");
    if (ctx->lost.load() || !checkSettled(state, true) || !writeSettled(state, true))
        return false;
    auto job = pingJob();
    ctx->registerReads++;
    ctx->bytesRead += job->data.size();
    if (!state->worker->run(job, kDeviceAnswerDeadlineMs)) {
        markLost(ctx, "no answer to a ping");
        return false;
    }
    // A refusal is an answer too: only a loss makes the ping fail.
    if (!job->ok && isLossError(job->error))
        markLost(ctx, job->error ? job->error->message : "no reason");
    return !ctx->lost.load();
}

bool PingProxyDevice(DeviceContext* ctx, int deadlineMs, const std::function<bool()>& cancelled)
{
    if (ctx->lost.load() || !ctx->device)
        return false;
    ProxyState* state = CAMPANE_PROXY_DEVICE(ctx->device)->state;
    if (state->worker->controlLost.load())
        markLost(ctx, "control of the device lost");
    // A check under way after a missed read runs before this ping, which
    // then learns its outcome too.
    if (ctx->lost.load() || (!checkSettled(state, false) && ctx->lost.load()))
        return false;
    auto job = pingJob();
    ctx->registerReads++;
    ctx->bytesRead += job->data.size();
    state->worker->post(job);
    // The deadline counts from when the I/O thread takes the ping: a
    // transfer before it (a slow write) has a deadline of its own, and its
    // caller marks the device lost when that passes.
    using Clock = std::chrono::steady_clock;
    const auto posted = Clock::now();
    const auto latest = posted + std::chrono::milliseconds(kDeviceWriteDeadlineMs + deadlineMs);
    Clock::time_point deadline = Clock::time_point::max();
    constexpr auto kSlice = std::chrono::milliseconds(20);
    while (!state->worker->wait(job, std::min(Clock::now() + kSlice, std::min(deadline, latest)))) {
        if (cancelled && cancelled())
            return !ctx->lost.load(); // nothing learnt
        // A write not confirmed ahead of the ping: lost when its own
        // deadline passes unanswered.
        writeSettled(state, false);
        if (ctx->lost.load())
            return false;
        const auto now = Clock::now();
        if (deadline == Clock::time_point::max() && job->started.load())
            deadline = now + std::chrono::milliseconds(deadlineMs);
        if (now >= deadline || now >= latest) {
            markLost(ctx, "no answer to a ping");
            return false;
        }
    }
    if (!job->ok && isLossError(job->error))
        markLost(ctx, job->error ? job->error->message : "no reason");
    return !ctx->lost.load();
}

int SetThreadWriteWait(int ms)
{
    const int previous = t_writeWaitMs;
    t_writeWaitMs = ms > 0 ? ms : 0;
    return previous;
}

bool ReleaseProxyControl(DeviceContext* ctx, int deadlineMs)
{
    if (!ctx->device || !G_TYPE_CHECK_INSTANCE_TYPE(ctx->device, CAMPANE_TYPE_PROXY_DEVICE))
        return false;
    ProxyState* state = CAMPANE_PROXY_DEVICE(ctx->device)->state;
    if (!state->worker)
        return false;
    auto job = std::make_shared<IoJob>();
    job->kind = IoJob::Kind::LeaveControl;
    return state->worker->run(job, deadlineMs) && job->ok;
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
