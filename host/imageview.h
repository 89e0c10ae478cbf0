#pragma once

#include "framepipeline.h"

#include <Corvid/CorvidHost.h>

#include <QHash>
#include <QImage>
#include <QMap>
#include <QRect>
#include <QVector>
#include <QWidget>

#include <atomic>
#include <mutex>

class QLabel;
class QScrollArea;
class QTimer;
class QToolButton;
class ImageCanvas;

// camview's image view: the live image of the focused camera, with the
// regions of interest that the boards draw on it. It is the host's image
// view of the camera service (DrawROI, SetROIPos, RomoveROI and the display
// calls come to it, from any thread) and follows the service's focus.
//
// Frames come from the service's acquisition through a FramePipeline; the
// GUI thread only paints the newest converted image. Play starts the
// acquisition of the shown camera, Stop ends it; it also ends when the
// camera goes away, and the Play button returns to off then. A camera lost
// while it played plays again when it returns.
class ImageView : public QWidget,
                  public Corvid::IImageView,
                  public Corvid::IFocusUpdate,
                  public Corvid::IDeviceListUpdate
{
    Q_OBJECT

public:
    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    //! The camera whose image is shown ("" none).
    QString deviceId() const { return m_deviceId; }
    void setDeviceId(const QString& id);

    bool isPlaying() const { return m_playing; }
    //! For the acquisitions that play() starts from now on.
    void setAcquisitionOptions(const Corvid::AcquisitionOptions& options) { m_acquisitionOptions = options; }
    void play();
    void stop();

    //! Fit the image to the view, or show it pixel for pixel (scrollable).
    void setFitToWindow(bool fit);
    bool fitToWindow() const { return m_fit; }
    //! Shows the image at this scale (scrollable), keeping the image point
    //! under `anchor` (a point of the viewport) where it is; Ctrl+wheel
    //! zooms this way about the cursor.
    void setZoom(double scale, const QPoint& anchor);
    //! The image's scale on the screen now.
    double zoom() const;

    //! The image now shown, at full size (null before the first frame).
    QImage image() const;
    //! Shows a frame as if the acquisition had sent it (stills, tests).
    void showFrame(const std::shared_ptr<const Corvid::Frame>& frame);
    //! Writes the frame now shown, at full resolution and depth, as PNG;
    //! false with the reason in *error.
    bool saveImage(const QString& fileName, QString* error) const;
    //! The pixel readout of the status line ("x, y: value"; "" when the
    //! cursor is not on the image).
    QString pixelReadout() const;
    //! The image point under a point of the canvas (may lie outside the image).
    QPointF imagePoint(const QPointF& canvasPoint) const;
    //! Frames per second now: the frames received in about the last second.
    double framesPerSecond() const;

    //! The regions of the camera, in image coordinates, by id (a region
    //! being dragged as it is now).
    QMap<int, QRect> regions(const QString& id) const;
    //! The region the mouse draws on the shown camera's image (the one the
    //! last DrawROI started); 0 when none.
    int activeRegion() const;
    //! Where a point of the image is on the canvas (for tests).
    QPointF canvasPoint(const QPointF& imagePoint) const;
    QWidget* canvas() const;

    FramePipeline* pipeline() const { return m_pipeline; }
    //! Time the GUI thread spent on shown frames (taking and painting
    //! them), in nanoseconds, since the last resetStatistics().
    qint64 guiNanoseconds() const { return m_guiNanoseconds; }
    void resetStatistics();

    // The camera service's image view.
    int DrawROI(const std::string& id, int x1, int y1, int x2, int y2, int& roiId, bool& ok, int shape,
                int flags) override;
    int SetROIPos(const std::string& id, int roiId, int x1, int y1, int x2, int y2) override;
    int RomoveROI(const std::string& id, int roiId) override;
    int NotifyCorrection(const std::string& id, int enable, float value, void* data) override;
    int SetSLImageShowMode(const std::string& id, int mode) override;
    int SetCameraImageMode(const std::string& id, int mode, bool enable) override;
    int StartGrab(const std::string& id) override;

    void FocusUpdated(Corvid::FOCUS_TYPE type, std::string id) override;
    void DeviceListUpdated(int source, std::vector<std::string> cardList,
                           std::vector<std::string> camList) override;

signals:
    //! A new frame is on the screen.
    void frameShown();
    void playingChanged(bool playing);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class ImageCanvas;

    //! The buttons' texts in the application's language.
    void retranslate();

    //! The camera a call names: "" the focused one; empty when unknown.
    static QString knownCamera(const std::string& id);
    void onFrameReady(const QImage& image, quint32 pixelFormat, const QString& deviceId);
    void onAcquisitionEnded(const QString& deviceId, const QString& reason);
    //! An acquisition's end as the user reads it.
    static QString reasonText(const QString& reason);
    //! After a device list: a camera whose acquisition ended with its loss
    //! plays again once it is usable.
    void onDeviceListChanged();
    void updateStatus();
    void updateCanvasSize();
    void setFrame(const std::shared_ptr<const Corvid::Frame>& frame, const QImage& display,
                  quint32 pixelFormat);
    //! The size in device pixels that the canvas shows the image at now;
    //! empty when that is the full size or larger.
    QSize displaySize() const;
    //! Before a paint: the picture is made again from the frame when the
    //! view's size or zoom changed since it was made, and the pipeline makes
    //! the next ones at the new size.
    void updateDisplay();

    // The region drawn with the mouse (canvas events, GUI thread).
    enum class Drag
    {
        None,
        Draw,
        Move,
        Resize
    };
    void onCanvasPressed(const QPointF& canvasPoint);
    void onCanvasDragged(const QPointF& canvasPoint);
    void onCanvasReleased();
    //! Escape: a drag returns to where it started; otherwise the drawing
    //! phase ends.
    void onEscape();
    //! Which edges of the active region are at the canvas point, or none;
    //! *inside: the point is within the region.
    Qt::Edges edgesAt(const QPointF& canvasPoint, bool* inside) const;
    //! Tells the pane where the region is now, through the ROI listener
    //! (off the GUI thread: the listeners run on the service's thread).
    void notifyRegion(int roiId, const QRect& region, int operation);
    void startRegionNotifier();
    void stopRegionNotifier();
    void updatePixelReadout(const QPointF& canvasPoint);
    //! Notes the frames received so far, and forgets what is older than a
    //! second (a few times a second, not per frame).
    void sampleRate();
    void setPlaying(bool playing);
    //! Repaints for a new frame, at most as often as the screen refreshes.
    void updateCanvasForFrame();
    //! Schedules a repaint from any thread.
    void scheduleRepaint();

    FramePipeline* m_pipeline = nullptr;
    ImageCanvas* m_canvas = nullptr;
    QScrollArea* m_scroll = nullptr;
    QToolButton* m_playButton = nullptr;
    QToolButton* m_fitButton = nullptr;
    QToolButton* m_actualButton = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_pixelStatus = nullptr;
    QTimer* m_rateTimer = nullptr;
    //! Paints a frame that came sooner than the screen refreshes.
    QTimer* m_paintTimer = nullptr;

    QString m_deviceId;
    Corvid::AcquisitionOptions m_acquisitionOptions;
    bool m_playing = false;
    bool m_playPending = false; //!< play() came before a camera was focused
    bool m_fit = true;
    double m_scale = 1.0; //!< when not fitted
    //! The acquisition ended with the camera's loss: it plays again when
    //! the camera returns.
    bool m_resumeOnReturn = false;
    std::shared_ptr<const Corvid::Frame> m_frame; //!< the frame now shown
    QSize m_imageSize;                            //!< its size (empty: none)
    QImage m_display;                             //!< its picture, as the canvas shows it
    mutable QImage m_fullImage;                   //!< image(), made when asked
    QSize m_pipelineDisplaySize;                  //!< last given to the pipeline
    quint32 m_pixelFormat = 0;
    QString m_stopReason;
    qint64 m_guiNanoseconds = 0;
    // Frames per second: the frames received so far at a few times of the
    // last second (ms since play, count).
    QElapsedTimer m_rateClock;
    QVector<QPair<qint64, quint64>> m_rateSamples;
    QElapsedTimer m_paintClock; //!< since the canvas last painted a frame

    //! Guards m_regions and m_activeRegion (the service's calls come from any thread).
    mutable std::mutex m_regionMutex;
    QHash<QString, QMap<int, QRect>> m_regions;
    QHash<QString, int> m_activeRegion;
    Drag m_drag = Drag::None;
    Qt::Edges m_dragEdges;
    int m_dragRoi = 0;
    QRect m_dragStart;    //!< the region when the drag began
    QRect m_dragRect;     //!< the region now
    QPointF m_pressPoint; //!< in image coordinates
    struct RegionNotifier;
    std::shared_ptr<RegionNotifier> m_notifier;
    std::atomic<int> m_nextRoiId{1};
    std::atomic<bool> m_repaintQueued{false};
};
