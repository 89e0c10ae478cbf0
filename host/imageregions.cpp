// The image view's regions of interest: the service's DrawROI, SetROIPos and
// RomoveROI (from any thread), and the region drawn with the mouse on the
// picture, which reaches the pane through the ROI listener.
#include "imagecanvas.h"
#include "imageview.h"
#include "logsink.h"
#include "stdtext.h"

#include <QDebug>
#include <QLoggingCategory>

#include <condition_variable>
#include <thread>

Q_DECLARE_LOGGING_CATEGORY(lcImageView)

namespace {

//! The region between the corners (x1, y1) and (x2, y2), the second corner
//! outside it: a region of width w from x1 ends at x1 + w.
QRect regionOf(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(qMin(x1, x2), qMin(y1, y2)), QSize(qAbs(x2 - x1), qAbs(y2 - y1)));
}

//! A refused call about the device `id`, logged with its device; the text
//! as qCWarning streams the values (strings quoted).
template <typename... Values> void refuse(const std::string& id, const Values&... values)
{
    QString text;
    {
        QDebug debug(&text);
        (debug << ... << values);
    }
    if (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    LogSink::logAbout(lcImageView(), QtWarningMsg, fromStd(id), text);
}

} // namespace

// Where the region drawn with the mouse goes: the ROI listeners run on the
// service's thread, and the window's device-list listener may hold that
// thread while it waits for the GUI thread, so a thread of its own hands
// the newest region over; a region that a newer one overtakes is not sent.
struct ImageView::RegionNotifier
{
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool pending = false;
    std::string id;
    int roiId = 0;
    QRect region;
    int operation = 1;
    std::thread thread;

    static void run(std::shared_ptr<RegionNotifier> self)
    {
        std::unique_lock<std::mutex> lock(self->mutex);
        for (;;) {
            self->wake.wait(lock, [&] { return self->stop || self->pending; });
            if (self->stop)
                return;
            self->pending = false;
            const std::string id = self->id;
            int roiId = self->roiId;
            const QRect r = self->region;
            const int operation = self->operation;
            lock.unlock();
            bool status = true;
            Corvid::NotifyROIDraw(id, r.left(), r.top(), r.left() + r.width(), r.top() + r.height(),
                                  operation, roiId, status);
            lock.lock();
        }
    }
};

void ImageView::startRegionNotifier()
{
    m_notifier = std::make_shared<RegionNotifier>();
    m_notifier->thread = std::thread(&RegionNotifier::run, m_notifier);
}

void ImageView::stopRegionNotifier()
{
    {
        // A hand-over under way finishes on its own.
        std::lock_guard<std::mutex> lock(m_notifier->mutex);
        m_notifier->stop = true;
        m_notifier->wake.notify_all();
    }
    m_notifier->thread.detach();
}

QMap<int, QRect> ImageView::regions(const QString& id) const
{
    QMap<int, QRect> regions;
    {
        std::lock_guard<std::mutex> lock(m_regionMutex);
        regions = m_regions.value(id);
    }
    if (m_drag != Drag::None && id == m_deviceId && regions.contains(m_dragRoi))
        regions[m_dragRoi] = m_dragRect;
    return regions;
}

int ImageView::activeRegion() const
{
    std::lock_guard<std::mutex> lock(m_regionMutex);
    const int roiId = m_activeRegion.value(m_deviceId, 0);
    return m_regions.value(m_deviceId).contains(roiId) ? roiId : 0;
}

Qt::Edges ImageView::edgesAt(const QPointF& canvasPoint, bool* inside) const
{
    *inside = false;
    const int roiId = activeRegion();
    if (roiId == 0 || m_imageSize.isEmpty())
        return {};
    double scale = 1.0;
    const QRectF target = m_canvas->imageRect(&scale);
    const QRect r = regions(m_deviceId).value(roiId);
    const QRectF mapped(target.left() + r.left() * scale, target.top() + r.top() * scale, r.width() * scale,
                        r.height() * scale);
    // Edges are grabbed within a few pixels of the screen, whatever the zoom.
    constexpr double kGrab = 6.0;
    if (!mapped.adjusted(-kGrab, -kGrab, kGrab, kGrab).contains(canvasPoint))
        return {};
    Qt::Edges edges;
    if (qAbs(canvasPoint.x() - mapped.left()) <= kGrab)
        edges |= Qt::LeftEdge;
    else if (qAbs(canvasPoint.x() - mapped.right()) <= kGrab)
        edges |= Qt::RightEdge;
    if (qAbs(canvasPoint.y() - mapped.top()) <= kGrab)
        edges |= Qt::TopEdge;
    else if (qAbs(canvasPoint.y() - mapped.bottom()) <= kGrab)
        edges |= Qt::BottomEdge;
    *inside = edges == Qt::Edges() && mapped.contains(canvasPoint);
    return edges;
}

void ImageView::onCanvasPressed(const QPointF& canvasPoint)
{
    const int roiId = activeRegion();
    if (roiId == 0 || m_imageSize.isEmpty())
        return;
    const QRectF bounds(QPointF(0, 0), QSizeF(m_imageSize));
    const QPointF at = imagePoint(canvasPoint);
    bool inside = false;
    const Qt::Edges edges = edgesAt(canvasPoint, &inside);
    if (edges == Qt::Edges() && !inside && !bounds.contains(at))
        return; // beside the picture
    m_dragRoi = roiId;
    m_dragStart = regions(m_deviceId).value(roiId);
    m_dragRect = m_dragStart;
    m_dragEdges = edges;
    m_pressPoint = QPointF(qBound(0.0, at.x(), bounds.width()), qBound(0.0, at.y(), bounds.height()));
    // A region as large as the image cannot move: a drag inside it draws.
    const bool movable = m_dragStart != QRect(QPoint(0, 0), m_imageSize);
    m_drag = edges != Qt::Edges() ? Drag::Resize : inside && movable ? Drag::Move : Drag::Draw;
}

void ImageView::onCanvasDragged(const QPointF& canvasPoint)
{
    if (m_drag == Drag::None)
        return;
    const int width = m_imageSize.width();
    const int height = m_imageSize.height();
    const QPointF at = imagePoint(canvasPoint);
    // Whole pixels within the image.
    const int x = qBound(0, qRound(at.x()), width);
    const int y = qBound(0, qRound(at.y()), height);
    QRect next = m_dragRect;
    switch (m_drag) {
    case Drag::Draw: {
        const int x0 = qRound(m_pressPoint.x());
        const int y0 = qRound(m_pressPoint.y());
        next = QRect(QPoint(qMin(x0, x), qMin(y0, y)), QSize(qAbs(x - x0), qAbs(y - y0)));
        break;
    }
    case Drag::Move: {
        const int dx = qRound(at.x() - m_pressPoint.x());
        const int dy = qRound(at.y() - m_pressPoint.y());
        next = m_dragStart;
        next.moveTo(qBound(0, m_dragStart.left() + dx, width - m_dragStart.width()),
                    qBound(0, m_dragStart.top() + dy, height - m_dragStart.height()));
        break;
    }
    case Drag::Resize: {
        // Edges in exclusive coordinates: a region of width w from x ends at x + w.
        int left = m_dragStart.left();
        int top = m_dragStart.top();
        int right = left + m_dragStart.width();
        int bottom = top + m_dragStart.height();
        if (m_dragEdges & Qt::LeftEdge)
            left = qMin(x, right - 1);
        if (m_dragEdges & Qt::RightEdge)
            right = qMax(x, left + 1);
        if (m_dragEdges & Qt::TopEdge)
            top = qMin(y, bottom - 1);
        if (m_dragEdges & Qt::BottomEdge)
            bottom = qMax(y, top + 1);
        next = QRect(QPoint(left, top), QSize(right - left, bottom - top));
        break;
    }
    case Drag::None:
        break;
    }
    if (next.width() < 1 || next.height() < 1 || next == m_dragRect)
        return;
    m_dragRect = next;
    m_canvas->update();
    notifyRegion(m_dragRoi, m_dragRect, 1);
}

void ImageView::onCanvasReleased()
{
    if (m_drag == Drag::None)
        return;
    m_drag = Drag::None;
    // The pane's rows now hold the region, within the board's rules; the
    // picture shows what they made of it (SetROIPos).
    m_canvas->update();
}

void ImageView::onEscape()
{
    if (m_drag != Drag::None) {
        m_drag = Drag::None;
        notifyRegion(m_dragRoi, m_dragStart, 1);
        m_canvas->update();
        return;
    }
    // Not dragging: the drawing phase ends, as with the Select button.
    const int roiId = activeRegion();
    notifyRegion(roiId, regions(m_deviceId).value(roiId), 0);
}

void ImageView::notifyRegion(int roiId, const QRect& region, int operation)
{
    std::lock_guard<std::mutex> lock(m_notifier->mutex);
    m_notifier->id = m_deviceId.toUtf8().toStdString();
    m_notifier->roiId = roiId;
    m_notifier->region = region;
    m_notifier->operation = operation;
    m_notifier->pending = true;
    m_notifier->wake.notify_all();
}

int ImageView::DrawROI(const std::string& id, int x1, int y1, int x2, int y2, int& roiId, bool& ok, int, int)
{
    ok = false;
    const QString camera = knownCamera(id);
    if (camera.isEmpty()) {
        refuse(id, "DrawROI refused: no camera", fromStd(id));
        return Corvid::RESULT_UNKNOWN_DEVICE;
    }
    roiId = m_nextRoiId++;
    {
        std::lock_guard<std::mutex> lock(m_regionMutex);
        m_regions[camera].insert(roiId, regionOf(x1, y1, x2, y2));
        m_activeRegion.insert(camera, roiId);
    }
    ok = true;
    scheduleRepaint();
    return Corvid::RESULT_OK;
}

int ImageView::SetROIPos(const std::string& id, int roiId, int x1, int y1, int x2, int y2)
{
    const QString camera = knownCamera(id);
    {
        std::lock_guard<std::mutex> lock(m_regionMutex);
        auto it = m_regions.find(camera);
        if (camera.isEmpty() || it == m_regions.end() || !it->contains(roiId)) {
            refuse(id, "SetROIPos refused: no region", roiId, "on", fromStd(id));
            return Corvid::RESULT_BAD_VALUE;
        }
        (*it)[roiId] = regionOf(x1, y1, x2, y2);
    }
    scheduleRepaint();
    return Corvid::RESULT_OK;
}

int ImageView::RomoveROI(const std::string& id, int roiId)
{
    const QString camera = knownCamera(id);
    {
        std::lock_guard<std::mutex> lock(m_regionMutex);
        auto it = m_regions.find(camera);
        if (camera.isEmpty() || it == m_regions.end() || it->remove(roiId) == 0) {
            refuse(id, "RomoveROI refused: no region", roiId, "on", fromStd(id));
            return Corvid::RESULT_BAD_VALUE;
        }
    }
    scheduleRepaint();
    return Corvid::RESULT_OK;
}
