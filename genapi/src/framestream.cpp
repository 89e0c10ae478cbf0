#define G_LOG_DOMAIN "genapi"

#include <GenApi/DeviceConnection.h>
#include <GenApi/FrameStream.h>

#include "devicecontext.h"
#include "proxydevice.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

namespace GenApi {

namespace {

//! Buffers of the stream: enough to ride out a late reader and to lend a
//! few frames to their readers, few enough that a reader always sees a
//! recent frame.
constexpr int kBufferCount = 8;
//! Buffers lent out at most; the rest stay queued to receive into. Frames
//! past this come as copies.
constexpr int kLentAtMost = 5;

//! What a lent buffer goes back to: the stream while it is open.
struct BufferPool
{
    std::mutex mutex;
    ArvStream* stream = nullptr; //!< null once the stream closed
    std::atomic<int> lent{0};
};

//! Gives a lent buffer back to its stream when the last holder of its
//! pixels lets go (on whichever thread that is), or frees it when the
//! stream closed meanwhile.
struct BufferReturn
{
    std::shared_ptr<BufferPool> pool;
    ArvBuffer* buffer;

    void operator()(const uint8_t*) const
    {
        --pool->lent;
        {
            std::lock_guard<std::mutex> lock(pool->mutex);
            if (pool->stream) {
                arv_stream_push_buffer(pool->stream, buffer);
                return;
            }
        }
        g_object_unref(buffer);
    }
};

} // namespace

struct CFrameStream::Impl
{
    ArvDevice* device = nullptr; //!< a reference, kept while the stream lives
    ArvStream* stream = nullptr;
    size_t bufferSize = 0;
    std::shared_ptr<BufferPool> pool = std::make_shared<BufferPool>();

    ~Impl()
    {
        // Buffers lent out from now on are freed by their last holder.
        {
            std::lock_guard<std::mutex> lock(pool->mutex);
            pool->stream = nullptr;
        }
        // Unreferencing the stream ends its receiving thread and frees the
        // buffers still queued.
        if (stream)
            g_object_unref(stream);
        if (device)
            g_object_unref(device);
    }
};

CFrameStream::CFrameStream(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

CFrameStream::~CFrameStream() = default;

size_t CFrameStream::GetBufferSize() const
{
    return m_impl->bufferSize;
}

CFrameStream::PopResult CFrameStream::Pop(StreamImage& image, int timeoutMs)
{
    ArvBuffer* buffer = arv_stream_timeout_pop_buffer(
        m_impl->stream, static_cast<guint64>(timeoutMs > 0 ? timeoutMs : 0) * 1000);
    if (!buffer)
        return PopResult::Timeout;
    PopResult result = PopResult::Incomplete;
    const ArvBufferStatus status = arv_buffer_get_status(buffer);
    if (status == ARV_BUFFER_STATUS_SIZE_MISMATCH) {
        result = PopResult::SizeMismatch;
    } else if (status == ARV_BUFFER_STATUS_SUCCESS &&
               arv_buffer_get_payload_type(buffer) == ARV_BUFFER_PAYLOAD_TYPE_IMAGE) {
        size_t size = 0;
        const void* data = arv_buffer_get_image_data(buffer, &size);
        const gint width = arv_buffer_get_image_width(buffer);
        const gint height = arv_buffer_get_image_height(buffer);
        // What the device says about its frame is checked before use.
        if (data && width > 0 && height > 0 && size <= m_impl->bufferSize) {
            image.width = static_cast<uint32_t>(width);
            image.height = static_cast<uint32_t>(height);
            image.offsetX = static_cast<uint32_t>(std::max(0, arv_buffer_get_image_x(buffer)));
            image.offsetY = static_cast<uint32_t>(std::max(0, arv_buffer_get_image_y(buffer)));
            image.pixelFormat = arv_buffer_get_image_pixel_format(buffer);
            image.frameId = arv_buffer_get_frame_id(buffer);
            image.size = size;
            const auto* bytes = static_cast<const uint8_t*>(data);
            BufferPool& pool = *m_impl->pool;
            if (pool.lent.load() < kLentAtMost) {
                // Lent without a copy; the deleter gives it back.
                ++pool.lent;
                image.data = std::shared_ptr<const uint8_t>(bytes, BufferReturn{m_impl->pool, buffer});
                return PopResult::Image;
            }
            // The readers hold many frames: this one is a copy, and its
            // buffer goes back to receive into at once.
            if (auto* copy = new (std::nothrow) uint8_t[size]) {
                std::memcpy(copy, bytes, size);
                image.data = std::shared_ptr<const uint8_t>(copy, std::default_delete<uint8_t[]>());
                result = PopResult::Image;
            }
        }
    }
    arv_stream_push_buffer(m_impl->stream, buffer);
    return result;
}

namespace Internal {

std::unique_ptr<CFrameStream> OpenFrameStream(DeviceContext* ctx, std::string* error)
{
    auto fail = [&](const std::string& reason) {
        if (error)
            *error = reason;
        return nullptr;
    };
    if (ctx->lost.load())
        return fail("the device is lost");

    auto impl = std::make_unique<CFrameStream::Impl>();
    impl->device = Internal::ProxyTransportDevice(ctx);
    if (!impl->device)
        return fail("the device has no transport");
    GError* gerror = nullptr;
    const gint64 payload = arv_device_get_integer_feature_value(impl->device, "PayloadSize", &gerror);
    if (gerror || payload <= 0 || payload > (gint64(1) << 31)) {
        const std::string reason = gerror ? gerror->message : "the device gives no usable PayloadSize";
        g_clear_error(&gerror);
        return fail(reason);
    }
    impl->stream = arv_device_create_stream(impl->device, nullptr, nullptr, &gerror);
    if (!impl->stream) {
        const std::string reason = gerror ? gerror->message : "the device opens no stream";
        g_clear_error(&gerror);
        return fail(reason);
    }
    impl->bufferSize = static_cast<size_t>(payload);
    impl->pool->stream = impl->stream;
    for (int i = 0; i < kBufferCount; ++i)
        arv_stream_push_buffer(impl->stream, arv_buffer_new_allocate(impl->bufferSize));
    return std::make_unique<CFrameStream>(std::move(impl));
}

} // namespace Internal

} // namespace GenApi
