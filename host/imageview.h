#pragma once

#include "framepipeline.h"

#include <Corvid/CorvidHost.h>

#include <QHash>
#include <QImage>
#include <QMap>
#include <QRect>
#include <QWidget>

#include <atomic>
#include <mutex>

class QLabel;
class QScrollArea;
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
// camera goes away, and the Play button returns to off then.
class ImageView : public QWidget, public Corvid::IImageView, public Corvid::IFocusUpdate
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

    //! The image now shown (null before the first frame).
    QImage image() const { return m_image; }
    //! The regions of the camera, in image coordinates, by id.
    QMap<int, QRect> regions(const QString& id) const;
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

signals:
    //! A new frame is on the screen.
    void frameShown();
    void playingChanged(bool playing);

protected:
    void changeEvent(QEvent* event) override;

private:
    friend class ImageCanvas;

    //! The buttons' texts in the application's language.
    void retranslate();

    //! The camera a call names: "" the focused one; empty when unknown.
    static QString knownCamera(const std::string& id);
    void onFrameReady(const QImage& image, quint32 pixelFormat, const QString& deviceId);
    void onAcquisitionEnded(const QString& deviceId, const QString& reason);
    void updateStatus();
    void updateCanvasSize();
    void setPlaying(bool playing);
    //! Schedules a repaint from any thread.
    void scheduleRepaint();

    FramePipeline* m_pipeline = nullptr;
    ImageCanvas* m_canvas = nullptr;
    QScrollArea* m_scroll = nullptr;
    QToolButton* m_playButton = nullptr;
    QToolButton* m_fitButton = nullptr;
    QToolButton* m_actualButton = nullptr;
    QLabel* m_status = nullptr;

    QString m_deviceId;
    Corvid::AcquisitionOptions m_acquisitionOptions;
    bool m_playing = false;
    bool m_playPending = false; //!< play() came before a camera was focused
    bool m_fit = true;
    QImage m_image;
    quint32 m_pixelFormat = 0;
    QString m_stopReason;
    qint64 m_guiNanoseconds = 0;
    // Frames per second over the last second of shown frames.
    QElapsedTimer m_rateClock;
    int m_rateFrames = 0;
    double m_fps = 0.0;
    QElapsedTimer m_statusClock;

    mutable std::mutex m_regionMutex; //!< guards m_regions (the service's calls come from any thread)
    QHash<QString, QMap<int, QRect>> m_regions;
    std::atomic<int> m_nextRoiId{1};
    std::atomic<bool> m_repaintQueued{false};
};
