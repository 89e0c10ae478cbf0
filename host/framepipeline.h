#pragma once

#include <Corvid/CorvidHost.h>

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The path of a camera's frames to the GUI thread: the acquisition hands
// each frame over (FrameArrived, on its thread), a converter thread of the
// pipeline turns it into a QImage ready to paint, and the GUI thread takes
// it (frameReady). The converter takes the newest frame only when the GUI
// thread has taken the previous picture and, paced at the screen's refresh
// (setMinimumInterval), when a new picture can be seen: a frame that a
// newer one overtakes before that is skipped and counted, never queued or
// converted, so a busy GUI thread never builds up a backlog.
//
// The converter makes the picture at the size the view shows it
// (setDisplaySize): a frame larger than that is scaled down on the
// converter's thread into one of a few reused buffers, so the GUI thread
// only copies an image of the view's size to the screen. A frame shown at
// full size or larger is handed over as it is where Qt can draw its format
// (8-bit grey, RGB8, BGR8), without a pass over its pixels.
class FramePipeline : public QObject, public Corvid::IFrameListener
{
    Q_OBJECT

public:
    //! Once nothing is pending (after discardPending()), received ==
    //! shown + skipped.
    struct Statistics
    {
        quint64 received = 0; //!< frames the acquisition handed over
        quint64 shown = 0;    //!< pictures taken by the GUI thread
        //! Received but not shown: a newer frame came first, the view
        //! stopped, or the format is not shown.
        quint64 skipped = 0;
        //! Frames the camera or the transport lost (incomplete or never
        //! arrived), from the gaps in the frames' ids.
        quint64 lost = 0;
    };

    explicit FramePipeline(QObject* parent = nullptr);
    ~FramePipeline() override;

    //! The frame as an image at full size (Format_RGB32); a null image when its
    //! pixel format is not shown or its data is shorter than its size says.
    //! Mono8 and other 8-bit formats are shown as grey, Mono16 and other
    //! 16-bit formats by their upper byte, RGB8 and BGR8 in colour.
    static QImage toImage(const Corvid::Frame& frame);
    //! The frame at full depth for saving: Grayscale8, Grayscale16 or
    //! RGB888; null when toImage() would be.
    static QImage toFullImage(const Corvid::Frame& frame);
    //! The frame as an image to paint at `size` (device pixels): scaled down
    //! when the frame is larger, otherwise at full size and, where Qt draws
    //! the format as it is, sharing the frame's data (the image keeps the
    //! frame alive). Null when toImage() would be. A scaled picture is drawn
    //! into *reuse when that is an image of the right size that nothing
    //! else holds.
    static QImage toDisplayImage(const std::shared_ptr<const Corvid::Frame>& frame, const QSize& size,
                                 QImage* reuse = nullptr);
    //! The value of the pixel at (x, y) as text ("128", "40000",
    //! "R 12 G 34 B 56"); empty outside the frame or in a format not shown.
    static QString pixelText(const Corvid::Frame& frame, int x, int y);
    //! The format's GenICam name, or its code in hex.
    static QString pixelFormatName(quint32 code);

    //! On the GUI thread: the frame of the image that frameReady() gave last.
    std::shared_ptr<const Corvid::Frame> shownFrame() const { return m_shownFrame; }

    //! From any thread: the size the view shows a frame at now (device
    //! pixels); an empty size shows frames at full size.
    void setDisplaySize(const QSize& size);

    //! From any thread: the least time between two pictures handed to the
    //! GUI thread (the screen's refresh); 0 converts each frame once the
    //! GUI thread took the previous picture.
    void setMinimumInterval(std::chrono::microseconds interval);

    Statistics statistics() const;
    //! Forgets the counts and the frames pending (a new acquisition).
    void resetStatistics();
    //! The frames waiting or in conversion are not shown (counted as
    //! skipped): the view stopped or shows another camera.
    void discardPending();

    void FrameArrived(const std::shared_ptr<const Corvid::Frame>& frame) override;
    void AcquisitionEnded(const std::string& id, const std::string& reason) override;

signals:
    //! On the GUI thread: the newest converted frame, at the display size
    //! given when it was converted (shownFrame() has it at full size).
    void frameReady(const QImage& image, quint32 pixelFormat, const QString& deviceId);
    //! On the GUI thread: the acquisition ended on its own.
    void acquisitionEnded(const QString& deviceId, const QString& reason);

private:
    void convertLoop();
    Q_INVOKABLE void deliver();
    //! Counts the frames missing before this id (under m_mutex).
    void countGap(uint64_t frameId);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::shared_ptr<const Corvid::Frame> m_raw;        //!< the newest frame, waiting for the converter
    QImage m_ready;                                    //!< converted, waiting for the GUI thread
    std::shared_ptr<const Corvid::Frame> m_readyFrame; //!< the frame of m_ready
    std::shared_ptr<const Corvid::Frame> m_shownFrame; //!< GUI thread only
    QSize m_displaySize;
    //! The converter's scaled pictures, drawn into again once the GUI
    //! thread let go of them (converter thread only).
    QImage m_buffers[3];
    quint32 m_readyFormat = 0;
    QString m_readyDevice;
    std::string m_readyDeviceId;   //!< m_readyDevice as the frame names it
    bool m_deliveryQueued = false; //!< a deliver() call is queued to the GUI thread
    bool m_converterIdle = false;  //!< the converter waits for a frame
    bool m_converting = false;     //!< the converter has a frame in hand
    //! Changed by a reset or a discard: a picture made before is not handed over.
    quint64 m_generation = 0;
    std::chrono::microseconds m_minimumInterval{0};
    std::chrono::steady_clock::time_point m_nextPicture; //!< not handed over before
    bool m_haveFrameId = false;
    uint64_t m_lastFrameId = 0;
    Statistics m_statistics;
    std::thread m_converter;
};
