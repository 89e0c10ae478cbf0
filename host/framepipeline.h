#pragma once

#include <Corvid/CorvidHost.h>

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// The path of a camera's frames to the GUI thread: the acquisition hands
// each frame over (FrameArrived, on its thread), a converter thread of the
// pipeline turns it into a QImage ready to paint, and the GUI thread takes
// the newest image (frameReady). At most one frame waits at each step: a
// frame that a newer one overtakes is dropped and counted, so a busy GUI
// thread never builds up a backlog.
class FramePipeline : public QObject, public Corvid::IFrameListener
{
    Q_OBJECT

public:
    struct Statistics
    {
        quint64 received = 0; //!< frames the acquisition handed over
        quint64 shown = 0;    //!< images taken by the GUI thread
        quint64 dropped = 0;  //!< overtaken, or not convertible
    };

    explicit FramePipeline(QObject* parent = nullptr);
    ~FramePipeline() override;

    //! The frame as an image to paint (Format_RGB32); a null image when its
    //! pixel format is not shown or its data is shorter than its size says.
    //! Mono8 and other 8-bit formats are shown as grey, Mono16 and other
    //! 16-bit formats by their upper byte, RGB8 and BGR8 in colour.
    static QImage toImage(const Corvid::Frame& frame);
    //! The frame at full depth for saving: Grayscale8, Grayscale16 or
    //! RGB888; null when toImage() would be.
    static QImage toFullImage(const Corvid::Frame& frame);
    //! The value of the pixel at (x, y) as text ("128", "40000",
    //! "R 12 G 34 B 56"); empty outside the frame or in a format not shown.
    static QString pixelText(const Corvid::Frame& frame, int x, int y);
    //! The format's GenICam name, or its code in hex.
    static QString pixelFormatName(quint32 code);

    //! On the GUI thread: the frame of the image that frameReady() gave last.
    std::shared_ptr<const Corvid::Frame> shownFrame() const { return m_shownFrame; }

    Statistics statistics() const;
    void resetStatistics();

    void FrameArrived(const std::shared_ptr<const Corvid::Frame>& frame) override;
    void AcquisitionEnded(const std::string& id, const std::string& reason) override;

signals:
    //! On the GUI thread: the newest converted frame.
    void frameReady(const QImage& image, quint32 pixelFormat, const QString& deviceId);
    //! On the GUI thread: the acquisition ended on its own.
    void acquisitionEnded(const QString& deviceId, const QString& reason);

private:
    void convertLoop();
    Q_INVOKABLE void deliver();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::shared_ptr<const Corvid::Frame> m_raw;        //!< waiting for the converter
    QImage m_ready;                                    //!< converted, waiting for the GUI thread
    std::shared_ptr<const Corvid::Frame> m_readyFrame; //!< the frame of m_ready
    std::shared_ptr<const Corvid::Frame> m_shownFrame; //!< GUI thread only
    quint32 m_readyFormat = 0;
    QString m_readyDevice;
    bool m_deliveryQueued = false; //!< a deliver() call is queued to the GUI thread
    Statistics m_statistics;
    std::thread m_converter;
};
