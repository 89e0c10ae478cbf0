#include "imageview.h"

#include "imagecanvas.h"
#include "logsink.h"
#include "stdtext.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLabel>
#include <QLoggingCategory>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

Q_LOGGING_CATEGORY(lcImageView, "camview.imageview")

ImageView::ImageView(QWidget* parent) : QWidget(parent)
{
    // The sink takes the service's records from now on, among them the kind
    // of each acquisition's end.
    LogSink::instance();
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
    retranslate();
    m_paintTimer = new QTimer(this);
    m_paintTimer->setSingleShot(true);
    connect(m_paintTimer, &QTimer::timeout, this, [this] { m_canvas->update(); });
    m_rateTimer = new QTimer(this);
    m_rateTimer->setInterval(250);
    connect(m_rateTimer, &QTimer::timeout, this, [this] {
        // The rate falls while no frame comes.
        sampleRate();
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
    palette.setColor(QPalette::Window, ImageCanvas::background());
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

    startRegionNotifier();
}

ImageView::~ImageView()
{
    stopRegionNotifier();
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
    m_pipeline->discardPending();
    m_deviceId = id;
    m_frame.reset();
    m_imageSize = QSize();
    m_display = QImage();
    m_fullImage = QImage();
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
    // Pictures at most as often as the screen shows them: the frames in
    // between are counted, not converted.
    const QScreen* shownOn = screen();
    const double hertz = shownOn ? qBound(24.0, shownOn->refreshRate(), 240.0) : 60.0;
    m_pipeline->setMinimumInterval(std::chrono::microseconds(qint64(1e6 / hertz)));
    m_rateClock.start();
    m_rateSamples = {qMakePair(qint64(0), quint64(0))};
    m_resumeOnReturn = false;
    const int result =
        Corvid::StartAcquisition(m_deviceId.toUtf8().toStdString(), m_pipeline, m_acquisitionOptions);
    m_stopReason = result == 0 ? QString() : tr("the camera cannot acquire now");
    setPlaying(result == 0);
}

void ImageView::stop()
{
    Corvid::StopAcquisition(m_pipeline);
    m_pipeline->discardPending();
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
    m_status->setToolTip(tr("received: the frames that came complete from the camera\n"
                            "shown: those the screen showed\n"
                            "skipped: those not shown because a newer frame came first\n"
                            "lost: the frames the camera or the network lost (incomplete or missing)"));
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

void ImageView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateStatus(); // broken into lines for the new width
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
    if (m_imageSize.isEmpty())
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
    const bool resizable = m_fit || m_imageSize.isEmpty();
    if (m_scroll->widgetResizable() != resizable)
        m_scroll->setWidgetResizable(resizable);
    const QSize scaled(qMax(1, qRound(m_imageSize.width() * m_scale)),
                       qMax(1, qRound(m_imageSize.height() * m_scale)));
    if (!resizable && m_canvas->size() != scaled)
        m_canvas->resize(scaled);
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
    if (m_frame) {
        // Read from the frame itself: the picture on the screen may be scaled.
        const QPointF at = imagePoint(canvasPoint);
        const int x = int(std::floor(at.x()));
        const int y = int(std::floor(at.y()));
        const QString value = FramePipeline::pixelText(*m_frame, x, y);
        if (!value.isEmpty())
            text = QStringLiteral("%1, %2: %3").arg(x).arg(y).arg(value);
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
    // At full size: the paint that follows makes it at the view's size.
    const QImage display = FramePipeline::toDisplayImage(frame, QSize());
    if (!display.isNull())
        setFrame(frame, display, frame->pixelFormat);
}

QImage ImageView::image() const
{
    if (m_fullImage.isNull() && m_frame)
        m_fullImage = FramePipeline::toImage(*m_frame);
    return m_fullImage;
}

bool ImageView::saveImage(const QString& fileName, QString* error) const
{
    const QImage image = m_frame ? FramePipeline::toFullImage(*m_frame) : QImage();
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

QSize ImageView::displaySize() const
{
    double scale = 1.0;
    m_canvas->imageRect(&scale);
    const double device = scale * m_canvas->devicePixelRatioF();
    if (m_imageSize.isEmpty() || device >= 1.0)
        return QSize();
    return QSize(qMax(1, qRound(m_imageSize.width() * device)),
                 qMax(1, qRound(m_imageSize.height() * device)));
}

void ImageView::updateDisplay()
{
    const QSize size = displaySize();
    if (size != m_pipelineDisplaySize) {
        m_pipelineDisplaySize = size;
        m_pipeline->setDisplaySize(size);
    }
    const QSize made = size.isEmpty() ? m_imageSize : size;
    if (m_frame && m_display.size() != made) {
        // Once per change of the view's size or zoom, not per frame.
        const QImage display = FramePipeline::toDisplayImage(m_frame, size);
        if (!display.isNull())
            m_display = display;
    }
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
    setFrame(m_pipeline->shownFrame(), image, pixelFormat);
    m_guiNanoseconds += clock.nsecsElapsed();
    emit frameShown();
}

void ImageView::setFrame(const std::shared_ptr<const Corvid::Frame>& frame, const QImage& display,
                         quint32 pixelFormat)
{
    if (!frame || display.isNull())
        return;
    const QSize size(int(frame->width), int(frame->height));
    const bool resized = size != m_imageSize;
    const bool reformatted = pixelFormat != m_pixelFormat;
    m_frame = frame;
    m_imageSize = size;
    m_display = display;
    m_fullImage = QImage();
    m_pixelFormat = pixelFormat;
    if (resized)
        updateCanvasSize();
    // The status line is text layout work: while playing, the rate timer
    // brings it up to date a few times a second; a new size or format, or
    // a still, shows at once.
    if (resized || reformatted || !m_playing)
        updateStatus();
    updateCanvasForFrame();
}

void ImageView::updateCanvasForFrame()
{
    // Frames that come faster than the screen refreshes replace each other
    // before a paint: painting each would show nothing more.
    const QScreen* shownOn = screen();
    const double hertz = shownOn ? qBound(24.0, shownOn->refreshRate(), 240.0) : 60.0;
    const qint64 interval = qint64(1000.0 / hertz);
    const qint64 since = m_paintClock.isValid() ? m_paintClock.elapsed() : interval;
    if (since >= interval)
        m_canvas->update();
    else if (!m_paintTimer->isActive())
        m_paintTimer->start(int(interval - since));
}

void ImageView::onAcquisitionEnded(const QString& deviceId, const QString& reason)
{
    if (deviceId != m_deviceId)
        return;
    Corvid::StopAcquisition(m_pipeline);
    m_pipeline->discardPending();
    // A camera that is lost, or opened again after a loss, plays again when
    // it is back. The service logged the end with its kind before it told
    // the pipeline.
    const QString kind = LogSink::instance()->lastEntryAbout(deviceId, QStringLiteral("acquire")).kind;
    const bool lost = kind == QLatin1String("lost") || kind == QLatin1String("reopened");
    m_stopReason = lost ? tr("lost") : reasonText(reason);
    setPlaying(false);
    m_resumeOnReturn = lost;
    if (lost)
        onDeviceListChanged(); // already back
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
