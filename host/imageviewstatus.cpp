// The image view's status line: the image's size and format, the frame
// rate, what became of the frames received, and why the acquisition
// stopped.
#include "imageview.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

//! A simulated camera sends no frames while no 2D image kind is shown.
bool showsNoKind(const QString& id)
{
    const std::string camera = id.toUtf8().toStdString();
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        if (device.id == camera)
            return QString::fromStdString(device.description).endsWith(QLatin1String(".xml")) &&
                   Corvid::GetImageViewRecord(camera).slImageShowMode == 0;
    }
    return false;
}

} // namespace

void ImageView::sampleRate()
{
    if (!m_rateClock.isValid())
        return;
    const qint64 now = m_rateClock.elapsed();
    const quint64 received = m_pipeline->statistics().received;
    if (!m_rateSamples.isEmpty() && received < m_rateSamples.last().second)
        m_rateSamples.clear(); // the counts were reset
    m_rateSamples.append(qMakePair(now, received));
    // The oldest kept is the last one at least a second old.
    int old = 0;
    while (old + 1 < m_rateSamples.size() && m_rateSamples[old + 1].first <= now - 1000)
        ++old;
    m_rateSamples.remove(0, old);
}

double ImageView::framesPerSecond() const
{
    if (!m_playing || m_rateSamples.size() < 2)
        return 0.0;
    const auto& first = m_rateSamples.first();
    const auto& last = m_rateSamples.last();
    if (last.first <= first.first)
        return 0.0;
    return double(last.second - first.second) * 1000.0 / double(last.first - first.first);
}

QString ImageView::reasonText(const QString& reason)
{
    // The service's reasons, in the window's language; a device's own text
    // after the colon stays as the device gave it.
    if (reason == QLatin1String("the camera was removed"))
        return tr("the camera was removed");
    if (reason == QLatin1String("the camera was made unusable"))
        return tr("the camera was made unusable");
    if (reason == QLatin1String("the camera service stopped"))
        return tr("the camera service stopped");
    const int colon = reason.indexOf(QLatin1String(": "));
    const QString detail = colon < 0 ? QString() : reason.mid(colon + 2);
    if (reason.startsWith(QLatin1String("no stream: ")))
        return tr("no stream: %1").arg(detail);
    if (reason.startsWith(QLatin1String("AcquisitionStart failed: ")))
        return tr("AcquisitionStart failed: %1").arg(detail);
    return reason;
}

void ImageView::updateStatus()
{
    QStringList parts;
    if (m_deviceId.isEmpty())
        parts << tr("No camera");
    if (!m_imageSize.isEmpty()) {
        const FramePipeline::Statistics s = m_pipeline->statistics();
        parts << QStringLiteral("%1 × %2").arg(m_imageSize.width()).arg(m_imageSize.height())
              << FramePipeline::pixelFormatName(m_pixelFormat);
        if (m_playing)
            parts << tr("%1 fps").arg(framesPerSecond(), 0, 'f', 1);
        // What came, what the screen showed of it, what it had no time to
        // show (newer frames came first) and what the camera or the network
        // lost on the way: distinct counts, as the tooltip says.
        parts << tr("%n received", nullptr, int(s.received)) << tr("%n shown", nullptr, int(s.shown))
              << tr("%n skipped", nullptr, int(s.skipped)) << tr("%n lost", nullptr, int(s.lost));
    }
    if (!m_playing && !m_deviceId.isEmpty())
        parts << (m_stopReason.isEmpty() ? tr("Stopped") : tr("Stopped: %1").arg(m_stopReason));
    else if (m_playing && m_imageSize.isEmpty())
        parts << (showsNoKind(m_deviceId) ? tr("No image: choose a kind in \"2D Image Show\"")
                                          : tr("Waiting for a frame"));
    // A view too narrow for the whole line breaks it between its parts,
    // never inside one ("3 shown" stays together, in any language).
    const QString separator = QStringLiteral("  ·  ");
    const QFontMetrics metrics(m_status->font());
    const int width = m_status->contentsRect().width();
    QString text;
    QString line;
    for (const QString& part : qAsConst(parts)) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + separator + part) > width) {
            text += line + QLatin1Char('\n');
            line = part;
        } else {
            line += (line.isEmpty() ? QString() : separator) + part;
        }
    }
    m_status->setText(text + line);
}
