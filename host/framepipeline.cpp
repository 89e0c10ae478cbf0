#include "framepipeline.h"
#include "stdtext.h"

#include <QMetaObject>

#include <cstring>

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
    return frame.data.size() >= size_t(frame.width) * size_t(frame.height) * size_t(bits / 8);
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
    const uint8_t* in = frame.data.data();
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
        const uint8_t* in = frame.data.data() + size_t(y) * size_t(rowBytes);
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

QString FramePipeline::pixelText(const Corvid::Frame& frame, int x, int y)
{
    const int width = int(frame.width);
    const int height = int(frame.height);
    if (x < 0 || y < 0 || x >= width || y >= height || !shown(frame))
        return QString();
    const int bits = bitsPerPixel(frame.pixelFormat);
    const bool colour = frame.pixelFormat == Corvid::PIXEL_RGB8 || frame.pixelFormat == kBgr8;
    const size_t pixel = size_t(y) * size_t(width) + size_t(x);
    const uint8_t* in = frame.data.data();
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

FramePipeline::Statistics FramePipeline::statistics() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_statistics;
}

void FramePipeline::resetStatistics()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statistics = Statistics();
}

void FramePipeline::FrameArrived(const std::shared_ptr<const Corvid::Frame>& frame)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_statistics.received;
        if (m_raw)
            ++m_statistics.dropped; // the converter has not taken the previous one
        m_raw = frame;
    }
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
        m_wake.wait(lock, [this] { return m_stop || m_raw; });
        if (m_stop)
            return;
        std::shared_ptr<const Corvid::Frame> frame = std::move(m_raw);
        m_raw.reset();
        lock.unlock();
        QImage image = toImage(*frame);
        lock.lock();
        if (image.isNull()) {
            ++m_statistics.dropped;
            continue;
        }
        if (!m_ready.isNull())
            ++m_statistics.dropped; // the GUI thread has not taken the previous one
        m_ready = std::move(image);
        m_readyFrame = frame;
        m_readyFormat = frame->pixelFormat;
        m_readyDevice = fromStd(frame->deviceId);
        if (!m_deliveryQueued) {
            m_deliveryQueued = true;
            QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
        }
    }
}

void FramePipeline::deliver()
{
    QImage image;
    quint32 format = 0;
    QString device;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deliveryQueued = false;
        if (m_ready.isNull())
            return;
        image = std::move(m_ready);
        m_ready = QImage();
        m_shownFrame = std::move(m_readyFrame);
        m_readyFrame.reset();
        format = m_readyFormat;
        device = m_readyDevice;
        ++m_statistics.shown;
    }
    emit frameReady(image, format, device);
}
