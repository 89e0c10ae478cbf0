#include "imageview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

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

// The image and the regions over it, scaled to fit or pixel for pixel.
class ImageCanvas : public QWidget
{
public:
    explicit ImageCanvas(ImageView* view) : QWidget(view), m_view(view)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(160, 120);
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
        double s = 1.0;
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
    // The status line under the picture, as wide as the view.
    m_status->setContentsMargins(8, 3, 8, 3);
    layout->addWidget(m_status);
    setMinimumWidth(240);

    connect(m_playButton, &QToolButton::clicked, this, [this](bool on) { on ? play() : stop(); });
    connect(m_fitButton, &QToolButton::clicked, this, [this] { setFitToWindow(true); });
    connect(m_actualButton, &QToolButton::clicked, this, [this] { setFitToWindow(false); });
    connect(m_pipeline, &FramePipeline::frameReady, this, &ImageView::onFrameReady);
    connect(m_pipeline, &FramePipeline::acquisitionEnded, this, &ImageView::onAcquisitionEnded);

    updateStatus();
    Corvid::RegisterFocusUpdateListener(this);
    Corvid::RegisterImageView(this);
}

ImageView::~ImageView()
{
    Corvid::UnRegisterImageView(this);
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
    m_rateFrames = 0;
    m_fps = 0.0;
    const int result =
        Corvid::StartAcquisition(m_deviceId.toUtf8().toStdString(), m_pipeline, m_acquisitionOptions);
    m_stopReason = result == 0 ? QString() : tr("the camera cannot acquire now");
    setPlaying(result == 0);
}

void ImageView::stop()
{
    Corvid::StopAcquisition(m_pipeline);
    m_playPending = false;
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
    m_fitButton->setChecked(fit);
    m_actualButton->setChecked(!fit);
    updateCanvasSize();
    m_canvas->update();
}

void ImageView::updateCanvasSize()
{
    const bool resizable = m_fit || m_image.isNull();
    if (m_scroll->widgetResizable() != resizable)
        m_scroll->setWidgetResizable(resizable);
    if (!resizable && m_canvas->size() != m_image.size())
        m_canvas->resize(m_image.size());
}

QMap<int, QRect> ImageView::regions(const QString& id) const
{
    std::lock_guard<std::mutex> lock(m_regionMutex);
    return m_regions.value(id);
}

QPointF ImageView::canvasPoint(const QPointF& imagePoint) const
{
    double scale = 1.0;
    const QRectF target = m_canvas->imageRect(&scale);
    return target.topLeft() + imagePoint * scale;
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
    const bool resized = image.size() != m_image.size();
    m_image = image;
    m_pixelFormat = pixelFormat;
    ++m_rateFrames;
    if (m_rateClock.elapsed() >= 1000) {
        m_fps = m_rateFrames * 1000.0 / m_rateClock.restart();
        m_rateFrames = 0;
    }
    if (resized)
        updateCanvasSize();
    // The status line is text layout work: a few times a second is enough.
    if (resized || !m_statusClock.isValid() || m_statusClock.elapsed() >= 250) {
        m_statusClock.start();
        updateStatus();
    }
    m_canvas->update();
    m_guiNanoseconds += clock.nsecsElapsed();
    emit frameShown();
}

void ImageView::onAcquisitionEnded(const QString& deviceId, const QString& reason)
{
    if (deviceId != m_deviceId)
        return;
    Corvid::StopAcquisition(m_pipeline);
    m_stopReason = reason;
    setPlaying(false);
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
        if (m_playing && m_fps > 0.0)
            parts << tr("%1 fps").arg(m_fps, 0, 'f', 1);
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
