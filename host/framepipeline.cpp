#include "framepipeline.h"
#include "stdtext.h"

#include <QMetaObject>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Bits per pixel of a GenICam pixel format code (PFNC: bits 16 to 23).
int bitsPerPixel(quint32 code)
{
    return int((code >> 16) & 0xFF);
}

constexpr quint32 kBgr8 = 0x02180015;

//! A frame of a format that is shown, with as much data as its size says.
bool shown(const Corvid::Frame& frame)
{
    const int bits = bitsPerPixel(frame.pixelFormat);
    const bool colour = frame.pixelFormat == Corvid::PIXEL_RGB8 || frame.pixelFormat == kBgr8;
    const bool mono = (frame.pixelFormat >> 24) == 0x01 && (bits == 8 || bits == 16);
    if (frame.width == 0 || frame.height == 0 || frame.width > 65535 || frame.height > 65535 ||
        !(colour || mono))
        return false;
    return frame.byteCount() >= size_t(frame.width) * size_t(frame.height) * size_t(bits / 8);
}

//! Ends the share of a frame that an image of its data held.
void releaseFrame(void* info)
{
    delete static_cast<std::shared_ptr<const Corvid::Frame>*>(info);
}

//! The frame's data as an image without a copy, in a format Qt draws as it
//! is (8-bit grey, RGB888, BGR888); null for the formats it does not.
QImage sharedImage(const std::shared_ptr<const Corvid::Frame>& frame)
{
    QImage::Format format = QImage::Format_Grayscale8;
    int bytes = 1;
    if (frame->pixelFormat == Corvid::PIXEL_RGB8 || frame->pixelFormat == kBgr8) {
        format = frame->pixelFormat == kBgr8 ? QImage::Format_BGR888 : QImage::Format_RGB888;
        bytes = 3;
    } else if (bitsPerPixel(frame->pixelFormat) != 8) {
        return QImage();
    }
    auto* keep = new std::shared_ptr<const Corvid::Frame>(frame);
    QImage image(frame->bytes(), int(frame->width), int(frame->height), int(frame->width) * bytes, format,
                 releaseFrame, keep);
    if (image.isNull())
        delete keep; // Qt calls the cleanup only for an image it made
    return image;
}

//! The opaque grey of each 8-bit value.
struct GreyTable
{
    QRgb colour[256];
    GreyTable()
    {
        for (int value = 0; value < 256; ++value)
            colour[value] = 0xFF000000u | (0x010101u * uint(value));
    }
    QRgb operator[](uint8_t value) const { return colour[value]; }
};
const GreyTable kGrey;

//! Draws the frame scaled to the image's size, each pixel from the frame's
//! pixel under its centre (as QPainter draws a scaled image without
//! smoothing).
void drawScaled(const Corvid::Frame& frame, QImage& image)
{
    const int width = int(frame.width);
    const int height = int(frame.height);
    const int outWidth = image.width();
    const int outHeight = image.height();
    const bool colour = frame.pixelFormat == Corvid::PIXEL_RGB8 || frame.pixelFormat == kBgr8;
    const bool bgr = frame.pixelFormat == kBgr8;
    const int bytes = colour ? 3 : bitsPerPixel(frame.pixelFormat) / 8;
    const size_t rowBytes = size_t(width) * size_t(bytes);
    // The byte of each output column in a frame row (a 16-bit sample by
    // its upper byte, little-endian).
    // Kept from one picture to the next: no allocation per frame.
    thread_local std::vector<int> columns;
    columns.resize(static_cast<size_t>(outWidth));
    for (int x = 0; x < outWidth; ++x) {
        const int column =
            int(std::min<qint64>(width - 1, (2 * qint64(x) + 1) * width / (2 * qint64(outWidth))));
        columns[size_t(x)] = column * bytes + (bytes == 2 ? 1 : 0);
    }
    for (int y = 0; y < outHeight; ++y) {
        const int row =
            int(std::min<qint64>(height - 1, (2 * qint64(y) + 1) * height / (2 * qint64(outHeight))));
        const uint8_t* in = frame.bytes() + size_t(row) * rowBytes;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (colour) {
            for (int x = 0; x < outWidth; ++x) {
                const uint8_t* p = in + columns[size_t(x)];
                out[x] = bgr ? qRgb(p[2], p[1], p[0]) : qRgb(p[0], p[1], p[2]);
            }
        } else {
            const int* column = columns.data();
            for (int x = 0; x < outWidth; ++x)
                out[x] = kGrey[in[column[x]]];
        }
    }
}

} // namespace

FramePipeline::FramePipeline(QObject* parent) : QObject(parent)
{
    m_converter = std::thread([this] { convertLoop(); });
}

FramePipeline::~FramePipeline()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_converter.join();
}

QImage FramePipeline::toImage(const Corvid::Frame& frame)
{
    const int width = int(frame.width);
    const int height = int(frame.height);
    const int bits = bitsPerPixel(frame.pixelFormat);
    const bool colour = frame.pixelFormat == Corvid::PIXEL_RGB8 || frame.pixelFormat == kBgr8;
    if (!shown(frame))
        return QImage();

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const uint8_t* in = frame.bytes();
    for (int y = 0; y < height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (colour) {
            const bool bgr = frame.pixelFormat == kBgr8;
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = bgr ? qRgb(in[2], in[1], in[0]) : qRgb(in[0], in[1], in[2]);
        } else if (bits == 8) {
            for (int x = 0; x < width; ++x)
                out[x] = 0xFF000000u | (0x010101u * in[x]);
            in += width;
        } else {
            // Little-endian 16-bit samples, shown by their upper byte.
            for (int x = 0; x < width; ++x)
                out[x] = 0xFF000000u | (0x010101u * in[2 * x + 1]);
            in += 2 * width;
        }
    }
    return image;
}

QImage FramePipeline::toFullImage(const Corvid::Frame& frame)
{
    if (!shown(frame))
        return QImage();
    const int width = int(frame.width);
    const int height = int(frame.height);
    const int bits = bitsPerPixel(frame.pixelFormat);
    const bool colour = frame.pixelFormat == Corvid::PIXEL_RGB8 || frame.pixelFormat == kBgr8;
    const QImage::Format format = colour       ? QImage::Format_RGB888
                                  : bits == 16 ? QImage::Format_Grayscale16
                                               : QImage::Format_Grayscale8;
    QImage image(width, height, format);
    if (image.isNull())
        return image;
    const int rowBytes = width * (colour ? 3 : bits / 8);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = frame.bytes() + size_t(y) * size_t(rowBytes);
        uchar* out = image.scanLine(y);
        if (colour && frame.pixelFormat == kBgr8) {
            for (int x = 0; x < width; ++x) {
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
            }
        } else if (bits == 16) {
            // Little-endian samples into native 16-bit words.
            auto* words = reinterpret_cast<quint16*>(out);
            for (int x = 0; x < width; ++x)
                words[x] = quint16(in[2 * x] | (in[2 * x + 1] << 8));
        } else {
            std::memcpy(out, in, size_t(rowBytes));
        }
    }
    return image;
}

QImage FramePipeline::toDisplayImage(const std::shared_ptr<const Corvid::Frame>& frame, const QSize& size,
                                     QImage* reuse)
{
    if (!frame || !shown(*frame))
        return QImage();
    const QSize full(int(frame->width), int(frame->height));
    if (size.isEmpty() || size == full || size.width() > full.width() || size.height() > full.height()) {
        const QImage image = sharedImage(frame);
        return image.isNull() ? toImage(*frame) : image;
    }
    QImage local;
    QImage& image = reuse ? *reuse : local;
    // Drawn into only when nothing else holds it (the GUI thread may still
    // paint an earlier picture of this buffer).
    if (image.size() != size || image.format() != QImage::Format_RGB32 || !image.isDetached())
        image = QImage(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    drawScaled(*frame, image);
    return image;
}

QString FramePipeline::pixelText(const Corvid::Frame& frame, int x, int y)
{
    const int width = int(frame.width);
    const int height = int(frame.height);
    if (x < 0 || y < 0 || x >= width || y >= height || !shown(frame))
        return QString();
    const int bits = bitsPerPixel(frame.pixelFormat);
    const bool colour = frame.pixelFormat == Corvid::PIXEL_RGB8 || frame.pixelFormat == kBgr8;
    const size_t pixel = size_t(y) * size_t(width) + size_t(x);
    const uint8_t* in = frame.bytes();
    if (colour) {
        const uint8_t* p = in + 3 * pixel;
        const bool bgr = frame.pixelFormat == kBgr8;
        return QStringLiteral("R %1 G %2 B %3").arg(p[bgr ? 2 : 0]).arg(p[1]).arg(p[bgr ? 0 : 2]);
    }
    if (bits == 16)
        return QString::number(in[2 * pixel] | (in[2 * pixel + 1] << 8));
    return QString::number(in[pixel]);
}

QString FramePipeline::pixelFormatName(quint32 code)
{
    switch (code) {
    case Corvid::PIXEL_MONO8:
        return QStringLiteral("Mono8");
    case Corvid::PIXEL_MONO16:
        return QStringLiteral("Mono16");
    case Corvid::PIXEL_RGB8:
        return QStringLiteral("RGB8");
    case kBgr8:
        return QStringLiteral("BGR8");
    case Corvid::PIXEL_COORD3D_C16:
        return QStringLiteral("Coord3D_C16");
    default:
        return QStringLiteral("0x%1").arg(code, 8, 16, QLatin1Char('0'));
    }
}

void FramePipeline::setDisplaySize(const QSize& size)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_displaySize = size;
}

void FramePipeline::setMinimumInterval(std::chrono::microseconds interval)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_minimumInterval = interval;
}

FramePipeline::Statistics FramePipeline::statistics() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_statistics;
}

void FramePipeline::resetStatistics()
{
    std::shared_ptr<const Corvid::Frame> raw;
    std::shared_ptr<const Corvid::Frame> ready;
    std::lock_guard<std::mutex> lock(m_mutex);
    // The frames let go of after the lock: one may hold a stream's buffer.
    raw = std::move(m_raw);
    ready = std::move(m_readyFrame);
    m_ready = QImage();
    ++m_generation;
    m_converting = false; // the frame in hand was counted before
    m_haveFrameId = false;
    m_statistics = Statistics();
}

void FramePipeline::discardPending()
{
    std::shared_ptr<const Corvid::Frame> raw;
    std::shared_ptr<const Corvid::Frame> ready;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics.skipped +=
        quint64(m_raw ? 1 : 0) + quint64(m_ready.isNull() ? 0 : 1) + quint64(m_converting ? 1 : 0);
    raw = std::move(m_raw);
    ready = std::move(m_readyFrame);
    m_ready = QImage();
    ++m_generation;
    m_converting = false;
    m_haveFrameId = false; // the next acquisition numbers its frames anew
}

void FramePipeline::countGap(uint64_t frameId)
{
    // A device numbers its frames one after the other; the ids a stream
    // skipped are frames it gave up on (damaged) or never got. Block ids
    // of 16 bits wrap from 65535 to 1. An id that goes back otherwise is
    // a stream started anew, not a loss.
    if (m_haveFrameId && frameId > m_lastFrameId)
        m_statistics.lost += frameId - m_lastFrameId - 1;
    else if (m_haveFrameId && m_lastFrameId > 0xFF00 && m_lastFrameId <= 0xFFFF && frameId > 0 &&
             frameId < 0x100)
        m_statistics.lost += (0xFFFF - m_lastFrameId) + (frameId - 1);
    m_haveFrameId = true;
    m_lastFrameId = frameId;
}

void FramePipeline::FrameArrived(const std::shared_ptr<const Corvid::Frame>& frame)
{
    std::shared_ptr<const Corvid::Frame> overtaken;
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_statistics.received;
        countGap(frame->frameId);
        if (m_raw)
            ++m_statistics.skipped; // a newer one came before the converter took it
        overtaken = std::move(m_raw);
        m_raw = frame;
        // Woken only when it waits for a frame and may convert one now.
        wake = m_converterIdle && m_ready.isNull();
    }
    if (wake)
        m_wake.notify_all();
}

void FramePipeline::AcquisitionEnded(const std::string& id, const std::string& reason)
{
    // Queued: this runs on the acquisition's thread.
    QMetaObject::invokeMethod(
        this, [this, id = fromStd(id), reason = fromStd(reason)] { emit acquisitionEnded(id, reason); },
        Qt::QueuedConnection);
}

void FramePipeline::convertLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        // A frame, once the GUI thread took the last picture.
        m_converterIdle = true;
        m_wake.wait(lock, [this] { return m_stop || (m_raw && m_ready.isNull()); });
        m_converterIdle = false;
        if (m_stop)
            return;
        // Not sooner than the screen shows a new picture: frames that come
        // meanwhile replace the waiting one.
        const auto now = std::chrono::steady_clock::now();
        if (now < m_nextPicture) {
            if (m_wake.wait_until(lock, m_nextPicture, [this] { return m_stop; }))
                return;
            continue; // the newest frame, if one is still waiting
        }
        std::shared_ptr<const Corvid::Frame> frame = std::move(m_raw);
        m_raw.reset();
        const QSize size = m_displaySize;
        const quint64 generation = m_generation;
        m_converting = true;
        lock.unlock();
        // A buffer that neither the GUI thread nor the waiting image holds.
        QImage* buffer = &m_buffers[0];
        for (QImage& candidate : m_buffers) {
            if (candidate.isNull() || candidate.isDetached()) {
                buffer = &candidate;
                break;
            }
        }
        QImage image = toDisplayImage(frame, size, buffer);
        lock.lock();
        if (generation != m_generation)
            continue; // discarded (and counted) or reset meanwhile
        m_converting = false;
        if (image.isNull()) {
            ++m_statistics.skipped;
            continue;
        }
        m_ready = std::move(image);
        m_readyFrame = std::move(frame);
        m_readyFormat = m_readyFrame->pixelFormat;
        if (m_readyDeviceId != m_readyFrame->deviceId) { // made once per camera, not per frame
            m_readyDeviceId = m_readyFrame->deviceId;
            m_readyDevice = fromStd(m_readyDeviceId);
        }
        m_nextPicture = std::chrono::steady_clock::now() + m_minimumInterval;
        if (!m_deliveryQueued) {
            m_deliveryQueued = true;
            // By pointer, not by name: no method look-up per picture.
            QMetaObject::invokeMethod(this, &FramePipeline::deliver, Qt::QueuedConnection);
        }
    }
}

void FramePipeline::deliver()
{
    QImage image;
    quint32 format = 0;
    QString device;
    std::shared_ptr<const Corvid::Frame> previous;
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deliveryQueued = false;
        if (m_ready.isNull())
            return;
        image = std::move(m_ready);
        m_ready = QImage();
        previous = std::move(m_shownFrame);
        m_shownFrame = std::move(m_readyFrame);
        m_readyFrame.reset();
        format = m_readyFormat;
        device = m_readyDevice;
        ++m_statistics.shown;
        wake = m_converterIdle && m_raw;
    }
    if (wake)
        m_wake.notify_all();
    emit frameReady(image, format, device);
}
