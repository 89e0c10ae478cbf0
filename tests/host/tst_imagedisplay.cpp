// The picture the image view paints is made at the view's size (by the
// pipeline's converter, or once after a resize or a zoom): it must still
// show the frame where the image coordinates say, for each format, after a
// resize, a zoom and a frame of a new size or format, while the pixel
// readout and the saved image keep the frame's full resolution.

#include "framepipeline.h"
#include "imageview.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kBlock = 16; //!< the test pattern's squares, in image pixels

//! The grey level of the square that holds image pixel (x, y).
int level(int x, int y)
{
    return (x / kBlock * 37 + y / kBlock * 91) & 0xFF;
}

//! The colour a frame of this format shows at image pixel (x, y).
QRgb expected(quint32 format, int x, int y)
{
    const int v = level(x, y);
    return format == Corvid::PIXEL_RGB8 ? qRgb(v, 255 - v, (v * 3) & 0xFF) : qRgb(v, v, v);
}

//! A frame of squares of one level each, in Mono8, Mono16 (the level as
//! the upper byte) or RGB8.
std::shared_ptr<Corvid::Frame> patternFrame(quint32 format, const QSize& size)
{
    auto frame = std::make_shared<Corvid::Frame>();
    frame->width = uint32_t(size.width());
    frame->height = uint32_t(size.height());
    frame->pixelFormat = format;
    const int bytes = format == Corvid::PIXEL_RGB8 ? 3 : format == Corvid::PIXEL_MONO16 ? 2 : 1;
    frame->data.resize(size_t(size.width()) * size_t(size.height()) * size_t(bytes));
    uint8_t* out = frame->data.data();
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int v = level(x, y);
            if (bytes == 1) {
                *out++ = uint8_t(v);
            } else if (bytes == 2) {
                *out++ = uint8_t(x & 0xFF); // the lower byte is not shown
                *out++ = uint8_t(v);
            } else {
                *out++ = uint8_t(v);
                *out++ = uint8_t(255 - v);
                *out++ = uint8_t((v * 3) & 0xFF);
            }
        }
    }
    return frame;
}

//! The centres of a spread of squares of an image of this size.
QVector<QPoint> squareCentres(const QSize& size)
{
    QVector<QPoint> points;
    for (int i = 0; i <= 4; ++i) {
        const int x = (size.width() / kBlock - 1) * i / 4 * kBlock + kBlock / 2;
        const int y = (size.height() / kBlock - 1) * (4 - i) / 4 * kBlock + kBlock / 2;
        points << QPoint(x, y);
    }
    return points;
}

} // namespace

class TestImageDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = m_dir.filePath(QStringLiteral("host.ini")).toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
    }

    void cleanupTestCase() { Corvid::StopService(); }

    // Frames shown one after the other, each of its own size and format;
    // after each, the picture is checked fitted, after a resize, zoomed out
    // and in, and pixel for pixel.
    void picturesFollowTheFrame_data()
    {
        QTest::addColumn<QVector<uint>>("formats");
        QTest::addColumn<QVector<QSize>>("sizes");
        QTest::newRow("Mono8, larger than the view")
            << QVector<uint>{Corvid::PIXEL_MONO8} << QVector<QSize>{{1600, 1200}};
        QTest::newRow("RGB8 then Mono16 then Mono8, each of its size")
            << QVector<uint>{Corvid::PIXEL_RGB8, Corvid::PIXEL_MONO16, Corvid::PIXEL_MONO8}
            << QVector<QSize>{{1280, 480}, {320, 240}, {960, 1440}};
    }

    void picturesFollowTheFrame()
    {
        QFETCH(QVector<uint>, formats);
        QFETCH(QVector<QSize>, sizes);
        ImageView view;
        view.resize(640, 520);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        for (int i = 0; i < formats.size(); ++i) {
            const quint32 format = formats[i];
            const QSize size = sizes[i];
            view.setFitToWindow(true);
            view.resize(640, 520);
            view.showFrame(patternFrame(format, size));
            QCOMPARE(view.image().size(), size);
            checkPicture(view, format, size, "fitted");
            view.resize(900, 700);
            checkPicture(view, format, size, "after a resize");
            view.setZoom(0.35, QPoint(10, 10));
            checkPicture(view, format, size, "zoomed out");
            view.setZoom(2.5, QPoint(10, 10));
            checkPicture(view, format, size, "zoomed in");
            view.setFitToWindow(false);
            checkPicture(view, format, size, "pixel for pixel");
        }
    }

    // The converter makes the picture at the display size it was given,
    // reusing its buffers, and at full size when the view shows more.
    void converterScalesToTheDisplaySize()
    {
        FramePipeline pipeline;
        QSignalSpy ready(&pipeline, &FramePipeline::frameReady);
        const QSize size(1024, 768);
        for (const QSize& display : {QSize(400, 300), QSize(400, 300), QSize(), QSize(2048, 1536)}) {
            pipeline.setDisplaySize(display);
            pipeline.FrameArrived(patternFrame(Corvid::PIXEL_MONO8, size));
            QVERIFY(ready.wait(5000));
            const QImage image = ready.takeLast().at(0).value<QImage>();
            const QSize made = display.isEmpty() || display.width() > size.width() ? size : display;
            QCOMPARE(image.size(), made);
            for (const QPoint& p : squareCentres(size)) {
                const QPoint at(p.x() * made.width() / size.width(), p.y() * made.height() / size.height());
                QCOMPARE(image.pixel(at), expected(Corvid::PIXEL_MONO8, p.x(), p.y()));
            }
        }
        QCOMPARE(pipeline.statistics().skipped, quint64(0));
    }

    // Shown scaled down, the frame still gives its own pixels to the
    // readout and to the saved image, at full resolution.
    void readoutAndSaveAtFullResolution()
    {
        ImageView view;
        view.resize(480, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto frame = std::make_shared<Corvid::Frame>();
        frame->width = 1999;
        frame->height = 1001;
        frame->pixelFormat = Corvid::PIXEL_MONO8;
        frame->data.resize(size_t(1999) * 1001);
        for (size_t i = 0; i < frame->data.size(); ++i)
            frame->data[i] = uint8_t(i * 13 + i / 1999);
        view.showFrame(frame);
        QVERIFY(view.zoom() < 0.3);
        view.canvas()->grab(); // the picture made at the view's size

        for (const QPoint p : {QPoint(0, 0), QPoint(1234, 567), QPoint(1998, 1000)}) {
            const QPointF at = view.canvasPoint(QPointF(p) + QPointF(0.5, 0.5));
            QMouseEvent move(QEvent::MouseMove, at, QPointF(view.canvas()->mapToGlobal(at.toPoint())),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(view.canvas(), &move);
            const size_t index = size_t(p.y()) * 1999 + size_t(p.x());
            QCOMPARE(view.pixelReadout(),
                     QStringLiteral("%1, %2: %3").arg(p.x()).arg(p.y()).arg(frame->data[index]));
        }

        const QString file = m_dir.filePath(QStringLiteral("full.png"));
        QString error;
        QVERIFY2(view.saveImage(file, &error), qPrintable(error));
        const QImage saved(file);
        QCOMPARE(saved.size(), QSize(1999, 1001));
        QCOMPARE(saved.format(), QImage::Format_Grayscale8);
        for (int y = 0; y < saved.height(); ++y)
            QVERIFY(std::equal(saved.constScanLine(y), saved.constScanLine(y) + 1999,
                               frame->data.data() + size_t(y) * 1999));
    }

private:
    //! The canvas shows the square of each sampled image point in its colour.
    void checkPicture(ImageView& view, quint32 format, const QSize& size, const char* state)
    {
        const QImage shot = view.canvas()->grab().toImage();
        for (const QPoint& p : squareCentres(size)) {
            const QPoint at = view.canvasPoint(QPointF(p) + QPointF(0.5, 0.5)).toPoint();
            QVERIFY2(shot.rect().contains(at), state);
            QVERIFY2(shot.pixel(at) == expected(format, p.x(), p.y()),
                     qPrintable(QStringLiteral("%1: image point %2, %3 shows %4, not %5")
                                    .arg(QLatin1String(state))
                                    .arg(p.x())
                                    .arg(p.y())
                                    .arg(shot.pixel(at), 8, 16)
                                    .arg(expected(format, p.x(), p.y()), 8, 16)));
        }
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TestImageDisplay)
#include "tst_imagedisplay.moc"
