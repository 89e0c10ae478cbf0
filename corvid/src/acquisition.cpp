// Acquisition of a camera's frames for the host's image view
// (StartAcquisition, StopAcquisition in CorvidHost.h): one thread per
// acquisition, which streams from a device reached through Aravis or draws
// the synthetic frames of a simulated camera, and ends by itself when the
// device goes away.
#include "logger.h"
#include "nodetext.h"
#include "service.h"
#include "syntheticframe.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/FrameStream.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace Corvid {

using Internal::Service;

namespace {

//! How long one wait for a streamed frame lasts before the device's state is
//! looked at again: a lost camera's acquisition ends this long after the loss
//! is known.
constexpr int kPopTimeoutMs = 100;
//! How long stopping waits for the acquisition's thread; a thread still
//! busy with a device that does not answer then ends on its own.
constexpr std::chrono::milliseconds kStopWait{100};

//! Why an acquisition ended: the kind of end ("lost", "reopened", ...) and
//! the reason the listener is told; empty while it goes on.
struct EndReason
{
    std::string kind;
    std::string text;
    bool empty() const { return text.empty(); }
};

//! One acquisition; its thread holds it alive until it ends, so that a stop
//! never waits for a device (the listener is not called after stop()).
class Acquisition : public std::enable_shared_from_this<Acquisition>
{
public:
    Acquisition(std::string id, IFrameListener* listener, const AcquisitionOptions& options)
        : m_id(std::move(id)), m_listener(listener), m_options(options)
    {
    }

    void start()
    {
        m_thread = std::thread([self = shared_from_this()] {
            self->run();
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_finished = true;
            self->m_wake.notify_all();
        });
    }

    //! Ends the acquisition: from now on the listener is not called.
    void stop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_stop = true;
        m_wake.notify_all();
        const bool finished = m_wake.wait_for(lock, kStopWait, [this] { return m_finished; });
        lock.unlock();
        if (finished)
            m_thread.join();
        else
            m_thread.detach();
    }

private:
    //! Calls the listener unless the acquisition was stopped.
    template <typename Call> bool tell(Call call)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop)
            return false;
        call(m_listener);
        return true;
    }

    //! Why the device cannot give frames now; empty while it can.
    EndReason unavailable(const std::shared_ptr<Service>& service,
                          std::shared_ptr<GenApi::CDeviceConnection>& connection) const
    {
        if (!service)
            return {"service-stopped", "the camera service stopped"};
        connection = service->connection(m_id);
        if (!connection)
            return {"removed", "the camera was removed"};
        if (service->cameraInfo(m_id, CAM_INFO_OPENED) != "1" || connection->IsLost())
            return service->cameraInfo(m_id, CAM_INFO_CONNECTED) == "1"
                       ? EndReason{"unusable", "the camera was made unusable"}
                       : EndReason{"lost", "the camera is lost"};
        return {};
    }

    bool stopping()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stop;
    }

    //! Sleeps until the deadline or a stop; false on a stop.
    bool sleepUntil(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return !m_wake.wait_until(lock, deadline, [this] { return m_stop; });
    }

    void run()
    {
        EndReason reason;
        std::shared_ptr<GenApi::CDeviceConnection> connection;
        reason = unavailable(Service::current(), connection);
        if (reason.empty())
            reason = connection->IsSimulated() ? runSynthetic() : runStream(connection);
        connection.reset();
        reportEnd(reason);
    }

    //! Tells the listener why the acquisition ended, once.
    void reportEnd(const EndReason& reason)
    {
        if (reason.empty() || m_endReported || stopping())
            return;
        m_endReported = true;
        Internal::logDeviceEvent(m_id, reason.kind, "Acquisition of " + m_id + " ended: " + reason.text, 1,
                                 "acquire");
        tell([&](IFrameListener* listener) { listener->AcquisitionEnded(m_id, reason.text); });
    }

    //! Reads an integer feature as text; 0 when it cannot be read.
    //! (An image side is below 2^16 pixels; a synthetic frame is never made
    //! from a larger one.)
    static uint32_t readUnsigned(GenApi::INodeMap* map, const char* name, long long limit = 1LL << 16)
    {
        std::string text;
        if (Internal::readNodeText(map, name, text, nullptr) != RESULT_OK)
            return 0;
        char* end = nullptr;
        const long long value = std::strtoll(text.c_str(), &end, 0);
        return end != text.c_str() && value > 0 && value < limit ? uint32_t(value) : 0;
    }

    static uint32_t pixelFormatOf(GenApi::INodeMap* map)
    {
        std::string text;
        Internal::readNodeText(map, "PixelFormat", text, nullptr);
        if (text == "Mono16")
            return PIXEL_MONO16;
        if (text == "RGB8" || text == "RGB8Packed")
            return PIXEL_RGB8;
        if (text == "Coord3D_C16")
            return PIXEL_COORD3D_C16;
        return PIXEL_MONO8;
    }

    EndReason runSynthetic()
    {
        using Clock = std::chrono::steady_clock;
        const int fps = std::max(1, std::min(1000, m_options.syntheticFramesPerSecond));
        const auto period = std::chrono::microseconds(1000000 / fps);
        auto next = Clock::now();
        uint64_t frameId = 0;
        for (;;) {
            std::shared_ptr<GenApi::CDeviceConnection> connection;
            std::shared_ptr<Service> service = Service::current();
            const EndReason reason = unavailable(service, connection);
            if (!reason.empty())
                return reason;
            const int mode = service->imageViewRecord(m_id).slImageShowMode;
            if (mode != 0) {
                GenApi::INodeMap* map = connection->GetNodeMap();
                Internal::SyntheticGeometry g;
                g.width = readUnsigned(map, "Width");
                g.height = readUnsigned(map, "Height");
                g.offsetX = readUnsigned(map, "OffsetX");
                g.offsetY = readUnsigned(map, "OffsetY");
                g.sensorWidth = readUnsigned(map, "SensorWidth");
                g.sensorHeight = readUnsigned(map, "SensorHeight");
                g.pixelFormat = pixelFormatOf(map);
                // At most 64 megapixels: what a description claims is not trusted.
                if (g.width > 0 && g.height > 0 && uint64_t(g.width) * g.height <= (uint64_t(1) << 26)) {
                    auto frame = std::make_shared<Frame>();
                    frame->deviceId = m_id;
                    frame->frameId = ++frameId;
                    Internal::drawSyntheticFrame(*frame, g, mode);
                    connection.reset();
                    if (!tell([&](IFrameListener* listener) { listener->FrameArrived(frame); }))
                        return {};
                }
            }
            next += period;
            const auto now = Clock::now();
            if (next < now)
                next = now; // late: no burst to catch up
            if (!sleepUntil(next))
                return {};
        }
    }

    EndReason runStream(std::shared_ptr<GenApi::CDeviceConnection> connection)
    {
        GenApi::INodeMap* map = connection->GetNodeMap();
        std::string error;
        std::unique_ptr<GenApi::CFrameStream> stream = connection->OpenStream(&error);
        if (!stream)
            return {"no-stream", "no stream: " + error};
        if (Internal::writeNodeText(map, "AcquisitionStart", "", &error) != RESULT_OK)
            return {"start-failed", "AcquisitionStart failed: " + error};
        EndReason reason;
        GenApi::StreamImage image;
        auto nextCheck = std::chrono::steady_clock::now();
        while (!stopping()) {
            // The device's state is looked at between frames too: a removed
            // or unusable camera may go on sending.
            if (std::chrono::steady_clock::now() >= nextCheck) {
                nextCheck = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPopTimeoutMs);
                std::shared_ptr<GenApi::CDeviceConnection> current;
                reason = unavailable(Service::current(), current);
                if (!reason.empty())
                    break;
                if (current != connection) {
                    reason = {"reopened", "the camera was opened again"};
                    break;
                }
            }
            const GenApi::CFrameStream::PopResult result = stream->Pop(image, kPopTimeoutMs);
            if (result == GenApi::CFrameStream::PopResult::Image) {
                auto frame = std::make_shared<Frame>();
                frame->deviceId = m_id;
                frame->width = image.width;
                frame->height = image.height;
                frame->offsetX = image.offsetX;
                frame->offsetY = image.offsetY;
                frame->pixelFormat = image.pixelFormat;
                frame->frameId = image.frameId;
                frame->shared = std::move(image.data);
                frame->sharedSize = image.size;
                tell([&](IFrameListener* listener) { listener->FrameArrived(frame); });
                continue;
            }
            if (result == GenApi::CFrameStream::PopResult::SizeMismatch ||
                readUnsigned(map, "PayloadSize", 1LL << 31) > stream->GetBufferSize()) {
                // The image grew (a new Width or Height): its frames do not
                // fit the buffers and never arrive. Buffers of the new
                // payload size, with the acquisition started anew as a
                // camera expects after its stream channel changed.
                Internal::writeNodeText(map, "AcquisitionStop", "", nullptr);
                stream.reset();
                stream = connection->OpenStream(&error);
                if (!stream) {
                    reason = {"no-stream", "no stream: " + error};
                    break;
                }
                if (Internal::writeNodeText(map, "AcquisitionStart", "", &error) != RESULT_OK) {
                    reason = {"start-failed", "AcquisitionStart failed: " + error};
                    break;
                }
                continue;
            }
            nextCheck = std::chrono::steady_clock::now(); // nothing came: look at the device now
        }
        // The end is known before the stream is taken down, which takes a
        // while when the device went away.
        reportEnd(reason);
        // A camera that still answers stops sending (also one made unusable).
        if (!connection->IsLost())
            Internal::writeNodeText(map, "AcquisitionStop", "", nullptr);
        return reason;
    }

    const std::string m_id;
    IFrameListener* const m_listener;
    const AcquisitionOptions m_options;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_finished = false;
    bool m_endReported = false; //!< the acquisition's thread only
    std::thread m_thread;
};

struct Registry
{
    std::mutex mutex;
    std::map<IFrameListener*, std::shared_ptr<Acquisition>> acquisitions;
};

Registry& registry()
{
    static Registry* r = new Registry; // outlives every static user
    return *r;
}

//! Stops the listener's acquisition, if any.
void stopOf(IFrameListener* listener)
{
    std::shared_ptr<Acquisition> acquisition;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.acquisitions.find(listener);
        if (it == r.acquisitions.end())
            return;
        acquisition = std::move(it->second);
        r.acquisitions.erase(it);
    }
    acquisition->stop();
}

} // namespace

int StartAcquisition(const std::string& id, IFrameListener* listener, const AcquisitionOptions& options)
{
    if (!listener)
        return RESULT_BAD_VALUE;
    stopOf(listener); // the previous acquisition
    std::shared_ptr<Service> service = Service::current();
    if (!service)
        return RESULT_NOT_RUNNING;
    const std::string resolved = service->resolveId(id);
    if (!service->connection(resolved) || service->cameraInfo(resolved, CAM_INFO_OPENED) != "1") {
        Internal::logDeviceEvent(resolved, "start-failed",
                                 "StartAcquisition: camera \"" + resolved + "\" is unknown or unusable", 1,
                                 "acquire");
        return resolved.empty() || !service->connection(resolved) ? RESULT_UNKNOWN_DEVICE
                                                                  : RESULT_ACCESS_DENIED;
    }
    auto acquisition = std::make_shared<Acquisition>(resolved, listener, options);
    acquisition->start();
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.acquisitions[listener] = std::move(acquisition);
    return RESULT_OK;
}

void StopAcquisition(IFrameListener* listener)
{
    stopOf(listener);
}

} // namespace Corvid
