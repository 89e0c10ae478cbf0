#include "imageview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>
#include <condition_variable>
#include <thread>

Q_LOGGING_CATEGORY(lcImageView, "camview.imageview")

namespace {

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), int(text.size()));
}

const QColor kBackground(46, 47, 50);
const QColor kRegionColour(75, 210, 149);

//! The region between the corners (x1, y1) and (x2, y2), the second corner
//! outside it: a region of width w from x1 ends at x1 + w.
QRect regionOf(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(qMin(x1, x2), qMin(y1, y2)), QSize(qAbs(x2 - x1), qAbs(y2 - y1)));
}

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

// The image and the regions over it, scaled to fit or pixel for pixel.
class ImageCanvas : public QWidget
{
public:
    explicit ImageCanvas(ImageView* view) : QWidget(view), m_view(view)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(160, 120);
        // The pixel under the cursor is read out without a button pressed.
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
    }

    //! Where the image lies on the canvas, and its scale.
    QRectF imageRect(double* scale = nullptr) const
    {
        const QImage& image = m_view->m_image;
        if (image.isNull()) {
            if (scale)
                *scale = 1.0;
            return QRectF();
        }
        double s = m_view->m_scale;
        if (m_view->m_fit)
            s = qMin(double(width()) / image.width(), double(height()) / image.height());
        const QSizeF size(image.width() * s, image.height() * s);
        const QPointF origin = m_view->m_fit
                                   ? QPointF((width() - size.width()) / 2, (height() - size.height()) / 2)
                                   : QPointF(0, 0);
        if (scale)
            *scale = s;
        return QRectF(origin, size);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_view->onCanvasPressed(event->localPos());
        QWidget::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        m_view->updatePixelReadout(event->localPos());
        if (event->buttons() & Qt::LeftButton) {
            m_view->onCanvasDragged(event->localPos());
        } else {
            // The cursor says what a drag would do.
            bool inside = false;
            const Qt::Edges edges = m_view->edgesAt(event->localPos(), &inside);
            const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
            const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
            if (horizontal && vertical)
                setCursor(edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge)
                              ? Qt::SizeFDiagCursor
                              : Qt::SizeBDiagCursor);
            else if (horizontal)
                setCursor(Qt::SizeHorCursor);
            else if (vertical)
                setCursor(Qt::SizeVerCursor);
            else if (inside)
                setCursor(Qt::SizeAllCursor);
            else if (m_view->activeRegion() != 0)
                setCursor(Qt::CrossCursor);
            else
                unsetCursor();
        }
        QWidget::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_view->onCanvasReleased();
        QWidget::mouseReleaseEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape && m_view->activeRegion() != 0) {
            m_view->onEscape();
            event->accept();
            return;
        }
        QWidget::keyPressEvent(event);
    }

    void leaveEvent(QEvent* event) override
    {
        m_view->updatePixelReadout(QPointF(-1e9, -1e9));
        QWidget::leaveEvent(event);
    }

    void wheelEvent(QWheelEvent* event) override
    {
        if (!(event->modifiers() & Qt::ControlModifier) || m_view->m_image.isNull()) {
            event->ignore(); // the scroll area scrolls
            return;
        }
        const double steps = event->angleDelta().y() / 120.0;
        if (steps == 0.0)
            return;
        const QPoint anchor = mapTo(m_view->m_scroll->viewport(), event->position().toPoint());
        m_view->setZoom(m_view->zoom() * std::pow(1.25, steps), anchor);
        event->accept();
    }

    void paintEvent(QPaintEvent*) override
    {
        QElapsedTimer clock;
        clock.start();
        QPainter painter(this);
        painter.fillRect(rect(), kBackground);
        const QImage& image = m_view->m_image;
        if (image.isNull()) {
            painter.setPen(QColor(170, 170, 170));
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_view->m_status->text());
            return;
        }
        double scale = 1.0;
        const QRectF target = imageRect(&scale);
        painter.drawImage(target, image);

        const QMap<int, QRect> regions = m_view->regions(m_view->m_deviceId);
        if (!regions.isEmpty()) {
            QPen pen(kRegionColour, 2);
            pen.setCosmetic(true);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            for (auto it = regions.cbegin(); it != regions.cend(); ++it) {
                const QRect& r = it.value();
                const QRectF mapped(target.left() + r.left() * scale, target.top() + r.top() * scale,
                                    r.width() * scale, r.height() * scale);
                painter.drawRect(mapped.adjusted(1, 1, -1, -1));
                painter.drawText(mapped.topLeft() + QPointF(6, 16), QStringLiteral("ROI %1").arg(it.key()));
            }
        }
        m_view->m_guiNanoseconds += clock.nsecsElapsed();
    }

private:
    ImageView* m_view;
};

ImageView::ImageView(QWidget* parent) : QWidget(parent)
{
    m_pipeline = new FramePipeline(this);

    m_playButton = new QToolButton(this);
    m_playButton->setObjectName(QStringLiteral("playButton"));
    m_playButton->setCheckable(true);
    m_fitButton = new QToolButton(this);
    m_fitButton->setObjectName(QStringLiteral("fitButton"));
    m_fitButton->setCheckable(true);
    m_fitButton->setChecked(true);
    m_actualButton = new QToolButton(this);
    m_actualButton->setObjectName(QStringLiteral("actualSizeButton"));
    m_actualButton->setCheckable(true);
    retranslate();
    for (QToolButton* button : {m_playButton, m_fitButton, m_actualButton})
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("imageStatus"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A narrow view wraps the status line instead of cutting it.
    m_status->setWordWrap(true);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pixelStatus = new QLabel(this);
    m_pixelStatus->setObjectName(QStringLiteral("pixelStatus"));
    m_pixelStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_rateTimer = new QTimer(this);
    m_rateTimer->setInterval(250);
    connect(m_rateTimer, &QTimer::timeout, this, [this] {
        // The rate falls while no frame comes.
        dropOldFrameTimes();
        updateStatus();
    });

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(m_playButton);
    bar->addSpacing(8);
    bar->addWidget(m_fitButton);
    bar->addWidget(m_actualButton);
    bar->addStretch(1);

    m_canvas = new ImageCanvas(this);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_canvas);
    m_scroll->setAlignment(Qt::AlignCenter);
    QPalette palette = m_scroll->palette();
    palette.setColor(QPalette::Window, kBackground);
    m_scroll->setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);
    // The status line under the picture, as wide as the view: the image's
    // state at the left, the pixel under the cursor at the right.
    auto* statusLine = new QHBoxLayout;
    statusLine->setContentsMargins(8, 3, 8, 3);
    statusLine->setSpacing(12);
    statusLine->addWidget(m_status, 1);
    statusLine->addWidget(m_pixelStatus);
    layout->addLayout(statusLine);
    setMinimumWidth(240);

    connect(m_playButton, &QToolButton::clicked, this, [this](bool on) { on ? play() : stop(); });
    connect(m_fitButton, &QToolButton::clicked, this, [this] { setFitToWindow(true); });
    connect(m_actualButton, &QToolButton::clicked, this, [this] { setFitToWindow(false); });
    connect(m_pipeline, &FramePipeline::frameReady, this, &ImageView::onFrameReady);
    connect(m_pipeline, &FramePipeline::acquisitionEnded, this, &ImageView::onAcquisitionEnded);

    updateStatus();
    Corvid::RegisterFocusUpdateListener(this);
    Corvid::RegisterDeviceListUpdateListener(this);
    Corvid::RegisterImageView(this);

    m_notifier = std::make_shared<RegionNotifier>();
    m_notifier->thread = std::thread(&RegionNotifier::run, m_notifier);
}

ImageView::~ImageView()
{
    {
        // A hand-over under way finishes on its own.
        std::lock_guard<std::mutex> lock(m_notifier->mutex);
        m_notifier->stop = true;
        m_notifier->wake.notify_all();
    }
    m_notifier->thread.detach();
    Corvid::UnRegisterImageView(this);
    Corvid::UnRegisterDeviceListUpdateListener(this);
    Corvid::UnRegisterFocusUpdateListener(this);
    Corvid::StopAcquisition(m_pipeline);
}

void ImageView::setDeviceId(const QString& id)
{
    if (id == m_deviceId)
        return;
    const bool wasPlaying = m_playing;
    if (wasPlaying)
        Corvid::StopAcquisition(m_pipeline);
    m_deviceId = id;
    m_image = QImage();
    m_frame.reset();
    m_resumeOnReturn = false;
    m_pixelStatus->clear();
    m_pixelFormat = 0;
    m_stopReason.clear();
    m_pipeline->resetStatistics();
    m_playing = false;
    if ((wasPlaying || m_playPending) && !id.isEmpty())
        play();
    else
        setPlaying(false);
    updateCanvasSize();
    m_canvas->update();
}

void ImageView::play()
{
    m_playPending = m_deviceId.isEmpty();
    if (m_deviceId.isEmpty()) {
        m_stopReason = tr("no camera is focused");
        setPlaying(false);
        return;
    }
    m_pipeline->resetStatistics();
    m_rateClock.start();
    m_frameTimes.clear();
    m_resumeOnReturn = false;
    const int result =
        Corvid::StartAcquisition(m_deviceId.toUtf8().toStdString(), m_pipeline, m_acquisitionOptions);
    m_stopReason = result == 0 ? QString() : tr("the camera cannot acquire now");
    setPlaying(result == 0);
}

void ImageView::stop()
{
    Corvid::StopAcquisition(m_pipeline);
    m_playPending = false;
    m_resumeOnReturn = false;
    m_stopReason.clear();
    setPlaying(false);
}

void ImageView::retranslate()
{
    m_playButton->setText(m_playing ? tr("Stop") : tr("Play"));
    m_playButton->setToolTip(tr("Start or stop the acquisition of the shown camera"));
    m_fitButton->setText(tr("Fit"));
    m_fitButton->setToolTip(tr("Fit the image to the view"));
    m_actualButton->setText(tr("1:1"));
    m_actualButton->setToolTip(tr("Show the image pixel for pixel"));
}

void ImageView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        updateStatus();
        m_canvas->update();
    }
    QWidget::changeEvent(event);
}

void ImageView::setPlaying(bool playing)
{
    const bool changed = playing != m_playing;
    m_playing = playing;
    if (playing)
        m_rateTimer->start();
    else
        m_rateTimer->stop();
    m_playButton->setChecked(playing);
    m_playButton->setText(playing ? tr("Stop") : tr("Play"));
    updateStatus();
    m_canvas->update();
    if (changed)
        emit playingChanged(playing);
}

void ImageView::setFitToWindow(bool fit)
{
    m_fit = fit;
    m_scale = 1.0;
    m_fitButton->setChecked(fit);
    m_actualButton->setChecked(!fit);
    updateCanvasSize();
    m_canvas->update();
}

void ImageView::setZoom(double scale, const QPoint& anchor)
{
    if (m_image.isNull())
        return;
    // The image point under the anchor stays there.
    const QPointF imageAnchor = imagePoint(m_canvas->mapFrom(m_scroll->viewport(), anchor));
    m_scale = qBound(0.05, scale, 32.0);
    m_fit = false;
    m_fitButton->setChecked(false);
    m_actualButton->setChecked(qFuzzyCompare(m_scale, 1.0));
    updateCanvasSize();
    const QPointF onCanvas = canvasPoint(imageAnchor);
    m_scroll->horizontalScrollBar()->setValue(qRound(onCanvas.x() - anchor.x()));
    m_scroll->verticalScrollBar()->setValue(qRound(onCanvas.y() - anchor.y()));
    m_canvas->update();
}

double ImageView::zoom() const
{
    double scale = 1.0;
    m_canvas->imageRect(&scale);
    return scale;
}

void ImageView::updateCanvasSize()
{
    const bool resizable = m_fit || m_image.isNull();
    if (m_scroll->widgetResizable() != resizable)
        m_scroll->setWidgetResizable(resizable);
    const QSize scaled(qMax(1, qRound(m_image.width() * m_scale)),
                       qMax(1, qRound(m_image.height() * m_scale)));
    if (!resizable && m_canvas->size() != scaled)
        m_canvas->resize(scaled);
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
    if (roiId == 0 || m_image.isNull())
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
    if (roiId == 0 || m_image.isNull())
        return;
    const QRectF bounds(QPointF(0, 0), QSizeF(m_image.size()));
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
    const bool movable = m_dragStart != QRect(QPoint(0, 0), m_image.size());
    m_drag = edges != Qt::Edges() ? Drag::Resize : inside && movable ? Drag::Move : Drag::Draw;
}

void ImageView::onCanvasDragged(const QPointF& canvasPoint)
{
    if (m_drag == Drag::None)
        return;
    const int width = m_image.width();
    const int height = m_image.height();
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

QPointF ImageView::canvasPoint(const QPointF& imagePoint) const
{
    double scale = 1.0;
    const QRectF target = m_canvas->imageRect(&scale);
    return target.topLeft() + imagePoint * scale;
}

QPointF ImageView::imagePoint(const QPointF& canvasPoint) const
{
    double scale = 1.0;
    const QRectF target = m_canvas->imageRect(&scale);
    return (canvasPoint - target.topLeft()) / scale;
}

void ImageView::updatePixelReadout(const QPointF& canvasPoint)
{
    QString text;
    if (!m_image.isNull()) {
        const QPointF at = imagePoint(canvasPoint);
        const int x = int(std::floor(at.x()));
        const int y = int(std::floor(at.y()));
        if (x >= 0 && y >= 0 && x < m_image.width() && y < m_image.height()) {
            QString value = m_frame ? FramePipeline::pixelText(*m_frame, x, y) : QString();
            if (value.isEmpty()) {
                const QRgb rgb = m_image.pixel(x, y);
                value =
                    qRed(rgb) == qGreen(rgb) && qGreen(rgb) == qBlue(rgb)
                        ? QString::number(qRed(rgb))
                        : QStringLiteral("R %1 G %2 B %3").arg(qRed(rgb)).arg(qGreen(rgb)).arg(qBlue(rgb));
            }
            text = QStringLiteral("%1, %2: %3").arg(x).arg(y).arg(value);
        }
    }
    m_pixelStatus->setText(text);
}

QString ImageView::pixelReadout() const
{
    return m_pixelStatus->text();
}

void ImageView::showFrame(const std::shared_ptr<const Corvid::Frame>& frame)
{
    if (!frame)
        return;
    const QImage image = FramePipeline::toImage(*frame);
    if (!image.isNull())
        setFrame(frame, image, frame->pixelFormat);
}

bool ImageView::saveImage(const QString& fileName, QString* error) const
{
    QImage image = m_frame ? FramePipeline::toFullImage(*m_frame) : QImage();
    if (image.isNull())
        image = m_image;
    if (image.isNull()) {
        if (error)
            *error = tr("There is no image to save");
        return false;
    }
    QImageWriter writer(fileName, "png");
    if (!writer.write(image)) {
        if (error)
            *error = tr("Cannot write %1: %2").arg(fileName, writer.errorString());
        return false;
    }
    return true;
}

void ImageView::countFrame()
{
    m_frameTimes.append(m_rateClock.elapsed());
    dropOldFrameTimes();
}

void ImageView::dropOldFrameTimes()
{
    const qint64 now = m_rateClock.isValid() ? m_rateClock.elapsed() : 0;
    int old = 0;
    while (old < m_frameTimes.size() && m_frameTimes[old] <= now - 1000)
        ++old;
    m_frameTimes.remove(0, old);
}

double ImageView::framesPerSecond() const
{
    if (!m_playing || !m_rateClock.isValid())
        return 0.0;
    const qint64 now = m_rateClock.elapsed();
    int count = 0;
    for (qint64 time : m_frameTimes)
        count += time > now - 1000 ? 1 : 0;
    // In the first second, the frames so far over the time so far.
    return now < 1000 ? (now > 0 ? count * 1000.0 / qMax<qint64>(now, 250) : 0.0) : double(count);
}

void ImageView::onDeviceListChanged()
{
    if (!m_resumeOnReturn || m_playing || m_deviceId.isEmpty())
        return;
    if (Corvid::GetCameraInfo(m_deviceId.toUtf8().toStdString(), Corvid::CAM_INFO_OPENED) != "1")
        return;
    play();
    // Not acquiring yet (the camera is still opening): the next list tries again.
    m_resumeOnReturn = !m_playing;
}

QWidget* ImageView::canvas() const
{
    return m_canvas;
}

void ImageView::resetStatistics()
{
    m_pipeline->resetStatistics();
    m_guiNanoseconds = 0;
}

void ImageView::onFrameReady(const QImage& image, quint32 pixelFormat, const QString& deviceId)
{
    if (deviceId != m_deviceId || !m_playing)
        return; // a frame of the camera shown before
    QElapsedTimer clock;
    clock.start();
    countFrame();
    setFrame(m_pipeline->shownFrame(), image, pixelFormat);
    m_guiNanoseconds += clock.nsecsElapsed();
    emit frameShown();
}

void ImageView::setFrame(const std::shared_ptr<const Corvid::Frame>& frame, const QImage& image,
                         quint32 pixelFormat)
{
    const bool resized = image.size() != m_image.size();
    m_image = image;
    m_frame =
        frame && int(frame->width) == image.width() && int(frame->height) == image.height() ? frame : nullptr;
    m_pixelFormat = pixelFormat;
    if (resized)
        updateCanvasSize();
    // The status line is text layout work: a few times a second is enough.
    if (resized || !m_statusClock.isValid() || m_statusClock.elapsed() >= 250) {
        m_statusClock.start();
        updateStatus();
    }
    m_canvas->update();
}

void ImageView::onAcquisitionEnded(const QString& deviceId, const QString& reason)
{
    if (deviceId != m_deviceId)
        return;
    Corvid::StopAcquisition(m_pipeline);
    // A camera that is lost, or opened again after a loss, plays again when
    // it is back.
    const bool lost =
        reason.contains(QLatin1String("lost")) || reason.contains(QLatin1String("opened again"));
    m_stopReason = lost ? tr("lost") : reasonText(reason);
    setPlaying(false);
    m_resumeOnReturn = lost;
    if (lost)
        onDeviceListChanged(); // already back
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
    if (!m_image.isNull()) {
        const FramePipeline::Statistics s = m_pipeline->statistics();
        parts << QStringLiteral("%1 × %2").arg(m_image.width()).arg(m_image.height())
              << FramePipeline::pixelFormatName(m_pixelFormat);
        if (m_playing)
            parts << tr("%1 fps").arg(framesPerSecond(), 0, 'f', 1);
        parts << tr("%n dropped", nullptr, int(s.dropped));
    }
    if (!m_playing && !m_deviceId.isEmpty())
        parts << (m_stopReason.isEmpty() ? tr("Stopped") : tr("Stopped: %1").arg(m_stopReason));
    else if (m_playing && m_image.isNull())
        parts << (showsNoKind(m_deviceId) ? tr("No image: choose a kind in \"2D Image Show\"")
                                          : tr("Waiting for a frame"));
    m_status->setText(parts.join(QStringLiteral("  ·  ")));
}

void ImageView::scheduleRepaint()
{
    if (m_repaintQueued.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_repaintQueued = false;
            m_canvas->update();
        },
        Qt::QueuedConnection);
}

QString ImageView::knownCamera(const std::string& id)
{
    return fromStd(Corvid::GetCameraInfo(id, Corvid::CAM_INFO_ID));
}

int ImageView::DrawROI(const std::string& id, int x1, int y1, int x2, int y2, int& roiId, bool& ok, int, int)
{
    ok = false;
    const QString camera = knownCamera(id);
    if (camera.isEmpty()) {
        qCWarning(lcImageView) << "DrawROI refused: no camera" << fromStd(id);
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
            qCWarning(lcImageView) << "SetROIPos refused: no region" << roiId << "on" << fromStd(id);
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
            qCWarning(lcImageView) << "RomoveROI refused: no region" << roiId << "on" << fromStd(id);
            return Corvid::RESULT_BAD_VALUE;
        }
    }
    scheduleRepaint();
    return Corvid::RESULT_OK;
}

int ImageView::NotifyCorrection(const std::string& id, int, float, void*)
{
    return knownCamera(id).isEmpty() ? int(Corvid::RESULT_UNKNOWN_DEVICE) : int(Corvid::RESULT_OK);
}

int ImageView::SetSLImageShowMode(const std::string& id, int)
{
    // The service keeps the mode; a simulated camera's frames follow it.
    return knownCamera(id).isEmpty() ? int(Corvid::RESULT_UNKNOWN_DEVICE) : int(Corvid::RESULT_OK);
}

int ImageView::SetCameraImageMode(const std::string& id, int, bool)
{
    return knownCamera(id).isEmpty() ? int(Corvid::RESULT_UNKNOWN_DEVICE) : int(Corvid::RESULT_OK);
}

int ImageView::StartGrab(const std::string& id)
{
    const QString camera = knownCamera(id);
    if (camera.isEmpty())
        return Corvid::RESULT_UNKNOWN_DEVICE;
    QMetaObject::invokeMethod(
        this,
        [this, camera] {
            if (camera == m_deviceId && !m_playing)
                play();
        },
        Qt::QueuedConnection);
    return Corvid::RESULT_OK;
}

void ImageView::FocusUpdated(Corvid::FOCUS_TYPE type, std::string id)
{
    const QString camera = type == Corvid::FOCUS_CAMERA ? fromStd(id) : QString();
    QMetaObject::invokeMethod(
        this, [this, camera] { setDeviceId(camera); }, Qt::QueuedConnection);
}

void ImageView::DeviceListUpdated(int, std::vector<std::string>, std::vector<std::string>)
{
    QMetaObject::invokeMethod(this, &ImageView::onDeviceListChanged, Qt::QueuedConnection);
}
