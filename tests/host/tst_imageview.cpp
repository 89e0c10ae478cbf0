// camview's image view against the real camera service: synthetic frames of
// simulated cameras, the loopback GigE Vision emulator's stream, the
// regions of interest drawn over the picture and the ends of an acquisition.

#include "../genapi/gigeemulator.h"
#include "framepipeline.h"
#include "imageview.h"

#include <Corvid/CorvidHost.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWheelEvent>

namespace {

const char* const kCamera = "SIM-kvx-slp-camera";
const QRgb kRegionColour = qRgb(75, 210, 149);

QString dataFile(const char* name)
{
    return QStringLiteral(CAMPANE_TEST_DATA_DIR "/") + QLatin1String(name);
}

void setImage(const std::string& id, const QString& format, const QSize& size)
{
    QCOMPARE(Corvid::SetCameraNodeValue(id, "PixelFormat", format.toStdString()), 0);
    QCOMPARE(Corvid::SetCameraNodeValue(id, "Width", std::to_string(size.width())), 0);
    QCOMPARE(Corvid::SetCameraNodeValue(id, "Height", std::to_string(size.height())), 0);
}

} // namespace

class TestImageView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Corvid::ServiceOptions options;
        options.devicesDir = CAMPANE_DEVICES_DIR;
        options.settingsFile = m_dir.filePath(QStringLiteral("host.ini")).toStdString();
        options.healthCheckIntervalMs = 200;
        QCOMPARE(Corvid::StartService(options), 0);
        m_rgbCamera = Corvid::AddSimulatedCamera(dataFile("rgb-camera.xml").toStdString());
        QVERIFY(!m_rgbCamera.empty());
    }

    void cleanupTestCase() { Corvid::StopService(); }

    void init()
    {
        m_view.reset(new ImageView);
        m_view->resize(640, 520);
        m_view->show();
    }

    void cleanup() { m_view.reset(); }

    // Each pixel format the view shows (samples 0, 7, 14 ...); sizes and
    // formats a device may claim without the data to back them give none.
    void conversion_data()
    {
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<uint>("format");
        QTest::addColumn<int>("dataBytes");
        QTest::addColumn<QVector<QRgb>>("pixels"); // the first two; none: no image
        auto row = [](const char* name, uint width, uint height, uint format, int bytes,
                      QVector<QRgb> pixels) {
            QTest::newRow(name) << width << height << format << bytes << pixels;
        };
        row("Mono8", 5, 3, Corvid::PIXEL_MONO8, 15, {qRgb(0, 0, 0), qRgb(7, 7, 7)});
        row("Mono16 (upper byte)", 5, 3, Corvid::PIXEL_MONO16, 30, {qRgb(7, 7, 7), qRgb(21, 21, 21)});
        row("RGB8", 5, 3, Corvid::PIXEL_RGB8, 45, {qRgb(0, 7, 14), qRgb(21, 28, 35)});
        row("BGR8", 5, 3, 0x02180015u, 45, {qRgb(14, 7, 0), qRgb(35, 28, 21)});
        row("Bayer 8-bit, as grey", 5, 3, 0x0108000Bu, 15, {qRgb(0, 0, 0), qRgb(7, 7, 7)});
        row("data shorter than the size", 100, 100, Corvid::PIXEL_MONO8, 9999, {});
        row("zero width", 0, 10, Corvid::PIXEL_MONO8, 100, {});
        row("absurd size", 4000000000u, 2, Corvid::PIXEL_MONO8, 100, {});
        row("packed 12-bit", 4, 4, 0x010C0047u, 24, {});
    }

    void conversion()
    {
        Corvid::Frame frame;
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(int, dataBytes);
        QFETCH(QVector<QRgb>, pixels);
        frame.width = width;
        frame.height = height;
        QFETCH(uint, format);
        frame.pixelFormat = format;
        frame.data.resize(size_t(dataBytes));
        for (size_t i = 0; i < frame.data.size(); ++i)
            frame.data[i] = uint8_t(i * 7);
        const QImage image = FramePipeline::toImage(frame);
        QCOMPARE(image.isNull(), pixels.isEmpty());
        if (!pixels.isEmpty()) {
            QCOMPARE(image.size(), QSize(int(width), int(height)));
            QCOMPARE((QVector<QRgb>{image.pixel(0, 0), image.pixel(1, 0)}), pixels);
        }
    }

    // The pixel under the cursor is read out in the status line, and the
    // image is saved at full resolution and depth, for each kind of format.
    void pixelReadoutAndSavedImage_data()
    {
        QTest::addColumn<uint>("format");
        QTest::addColumn<int>("bytesPerPixel");
        QTest::addColumn<QString>("readout");    // of pixel (2, 1)
        QTest::addColumn<int>("savedFormat");    // QImage::Format, as read back
        QTest::addColumn<QString>("savedPixel"); // of pixel (2, 1)
        // Sample i of the frame is i * 7 (modulo 256).
        QTest::newRow("Mono8") << uint(Corvid::PIXEL_MONO8) << 1 << "2, 1: 49"
                               << int(QImage::Format_Grayscale8) << "49";
        QTest::newRow("Mono16") << uint(Corvid::PIXEL_MONO16) << 2 << "2, 1: 26978"
                                << int(QImage::Format_Grayscale16) << "26978";
        QTest::newRow("RGB8") << uint(Corvid::PIXEL_RGB8) << 3 << "2, 1: R 147 G 154 B 161"
                              << int(QImage::Format_RGB32) << "147 154 161";
        QTest::newRow("BGR8") << 0x02180015u << 3 << "2, 1: R 161 G 154 B 147" << int(QImage::Format_RGB32)
                              << "161 154 147";
    }

    void pixelReadoutAndSavedImage()
    {
        QFETCH(uint, format);
        QFETCH(int, bytesPerPixel);
        auto frame = std::make_shared<Corvid::Frame>();
        frame->width = 5;
        frame->height = 3;
        frame->pixelFormat = format;
        frame->data.resize(size_t(15 * bytesPerPixel));
        for (size_t i = 0; i < frame->data.size(); ++i)
            frame->data[i] = uint8_t(i * 7);
        m_view->showFrame(frame);
        QCOMPARE(m_view->image().size(), QSize(5, 3));

        // At any zoom, the pixel under the cursor.
        for (bool fit : {true, false}) {
            m_view->setFitToWindow(fit);
            hover(QPointF(2.5, 1.5));
            QTEST(m_view->pixelReadout(), "readout");
        }
        hover(QPointF(7, 1.5));
        QCOMPARE(m_view->pixelReadout(), QString());

        const QString file = m_dir.filePath(QStringLiteral("saved.png"));
        QString error;
        QVERIFY2(m_view->saveImage(file, &error), qPrintable(error));
        const QImage saved(file);
        QCOMPARE(saved.size(), QSize(5, 3));
        QTEST(int(saved.format()), "savedFormat");
        QString pixel;
        if (saved.format() == QImage::Format_Grayscale16)
            pixel = QString::number(reinterpret_cast<const quint16*>(saved.constScanLine(1))[2]);
        else if (saved.format() == QImage::Format_Grayscale8)
            pixel = QString::number(saved.constScanLine(1)[2]);
        else
            pixel = QStringLiteral("%1 %2 %3")
                        .arg(qRed(saved.pixel(2, 1)))
                        .arg(qGreen(saved.pixel(2, 1)))
                        .arg(qBlue(saved.pixel(2, 1)));
        QTEST(pixel, "savedPixel");
    }

    // Ctrl+wheel zooms about the cursor: the image point under it stays.
    void wheelZoomsAboutTheCursor()
    {
        auto frame = std::make_shared<Corvid::Frame>();
        frame->width = 2000;
        frame->height = 1500;
        frame->pixelFormat = Corvid::PIXEL_MONO8;
        frame->data.assign(2000 * 1500, 128);
        m_view->showFrame(frame);
        m_view->setFitToWindow(false);
        const QPointF imagePoint(100, 80);
        const QPoint at = m_view->canvasPoint(imagePoint).toPoint();
        const QPoint global = m_view->canvas()->mapToGlobal(at);
        QWheelEvent wheel(at, global, QPoint(), QPoint(0, 240), Qt::NoButton, Qt::ControlModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_view->canvas(), &wheel);
        QCOMPARE(m_view->zoom(), 1.5625);
        // Where the cursor is now, the same image point.
        const QPoint cursorNow = m_view->canvas()->mapFromGlobal(global);
        QVERIFY((m_view->imagePoint(cursorNow) - imagePoint).manhattanLength() < 1.0);
    }

    // A simulated camera's frames follow its image features and the shown
    // 2D kind; mode 0 gives no frame.
    void syntheticFrames_data()
    {
        QTest::addColumn<QString>("camera");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("size");
        QTest::newRow("Mono8") << kCamera << "Mono8" << QSize(640, 480);
        QTest::newRow("Mono16") << kCamera << "Mono16" << QSize(1024, 200);
        QTest::newRow("RGB8") << QString::fromStdString(m_rgbCamera) << "RGB8" << QSize(320, 240);
    }

    void syntheticFrames()
    {
        QFETCH(QString, camera);
        QFETCH(QString, format);
        QFETCH(QSize, size);
        const std::string id = camera.toStdString();
        setImage(id, format, size);
        QCOMPARE(Corvid::SetSLImageShowMode(id, 0), 0);

        m_view->setDeviceId(camera);
        m_view->play();
        QTest::qWait(300);
        QVERIFY2(m_view->image().isNull(), "mode 0 shows no image");

        QSignalSpy shown(m_view.get(), &ImageView::frameShown);
        QCOMPARE(Corvid::SetSLImageShowMode(id, 1), 0);
        QVERIFY(shown.wait(5000));
        QCOMPARE(m_view->image().size(), size);
        const QImage left = m_view->image();
        QTRY_VERIFY(statusText().startsWith(
            QStringLiteral("%1 × %2  ·  %3").arg(size.width()).arg(size.height()).arg(format)));

        // Another kind, another picture.
        QCOMPARE(Corvid::SetSLImageShowMode(id, 4), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_view->image() != left && m_view->image().size() == size, 5000);
        m_view->stop();
        QVERIFY(!playButtonChecked());
        QCOMPARE(Corvid::SetSLImageShowMode(id, 0), 0);
    }

    // DrawROI, SetROIPos and RomoveROI through the service, seen on the
    // picture where the image coordinates are, fitted and pixel for pixel.
    void regionsOverTheImage_data()
    {
        QTest::addColumn<bool>("fit");
        QTest::newRow("fit to window") << true;
        QTest::newRow("1:1") << false;
    }

    void regionsOverTheImage()
    {
        QFETCH(bool, fit);
        startRgbCamera(QSize(320, 240));
        m_view->setFitToWindow(fit);
        m_view->stop(); // a still picture to look at

        int first = -1, second = -1;
        bool ok = false, ok2 = false;
        QCOMPARE(Corvid::DrawROI(m_rgbCamera, 0, 0, 320, 240, first, ok, 0, 0), 0);
        QCOMPARE(Corvid::DrawROI(m_rgbCamera, 0, 0, 320, 240, second, ok2, 0, 0), 0);
        QVERIFY(ok && ok2 && first != second);
        QCOMPARE(Corvid::RomoveROI(m_rgbCamera, second), 0);

        QCOMPARE(Corvid::SetROIPos(m_rgbCamera, first, 40, 30, 140, 90), 0);
        QCOMPARE(m_view->regions(QString::fromStdString(m_rgbCamera)).value(first), QRect(40, 30, 100, 60));
        QTRY_VERIFY(regionColourNear(QPointF(40, 60)) && regionColourNear(QPointF(140, 60)) &&
                    regionColourNear(QPointF(90, 30)) && regionColourNear(QPointF(90, 90)));
        QVERIFY(!regionColourNear(QPointF(200, 60)));

        QCOMPARE(Corvid::RomoveROI(m_rgbCamera, first), 0);
        QTRY_VERIFY(!regionColourNear(QPointF(40, 60)));
        QVERIFY(Corvid::RomoveROI(m_rgbCamera, first) != 0);
        QVERIFY(Corvid::SetROIPos(m_rgbCamera, first, 0, 0, 1, 1) != 0);
        QVERIFY(Corvid::DrawROI("no-such-camera", 0, 0, 10, 10, first, ok, 0, 0) != 0 && !ok);
    }

    // A GUI thread that does not keep up, or a camera faster than the
    // screen: the newest frame is shown, the others are skipped, not
    // queued; once stopped, each frame received was shown or skipped, and
    // a camera that numbers its frames one after the other lost none.
    void framesNotShownAreSkipped_data()
    {
        QTest::addColumn<int>("framesPerSecond");
        QTest::addColumn<bool>("busy");
        QTest::newRow("busy GUI thread") << 25 << true;
        QTest::newRow("faster than the screen") << 200 << false;
    }

    void framesNotShownAreSkipped()
    {
        QFETCH(int, framesPerSecond);
        QFETCH(bool, busy);
        Corvid::AcquisitionOptions options;
        options.syntheticFramesPerSecond = framesPerSecond;
        m_view->setAcquisitionOptions(options);
        startRgbCamera(QSize(320, 240));
        for (int run = 0; run < 2; ++run) { // and again after a stop and a start
            m_view->resetStatistics();
            QSignalSpy shown(m_view.get(), &ImageView::frameShown);
            if (busy) {
                QThread::msleep(1500);
                QCoreApplication::processEvents();
                QVERIFY(shown.count() <= 1);
            } else {
                QTest::qWait(1500);
            }
            m_view->stop();
            const FramePipeline::Statistics s = m_view->pipeline()->statistics();
            QVERIFY2(s.received >= 4 && s.skipped > 0, qPrintable(QString::number(s.received)));
            QCOMPARE(s.received, s.shown + s.skipped);
            QCOMPARE(s.lost, quint64(0));
            QVERIFY(statusText().contains(QStringLiteral("%1 received").arg(s.received)));
            m_view->play();
            QVERIFY(shown.wait(5000));
        }
        m_view->stop();
    }

    // Removed, unusable or lost: the acquisition ends and Play returns to off.
    void stopsWhenTheCameraGoes_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("removed") << 0;
        QTest::newRow("made unusable") << 1;
        QTest::newRow("lost") << 2;
    }

    void stopsWhenTheCameraGoes()
    {
        QFETCH(int, how);
        startRgbCamera(QSize(320, 240));
        QSignalSpy playing(m_view.get(), &ImageView::playingChanged);
        if (how == 0)
            QCOMPARE(Corvid::RemoveDevice(m_rgbCamera), 0);
        else if (how == 1)
            QCOMPARE(Corvid::SetDeviceUsable(m_rgbCamera, false), 0);
        else
            QCOMPARE(Corvid::SimulateDeviceLoss(m_rgbCamera), 0);
        QVERIFY(playing.wait(5000));
        QVERIFY(!m_view->isPlaying() && !playButtonChecked());
        QVERIFY(statusText().contains(QLatin1String("Stopped")));

        // Back for the next case.
        if (how == 1)
            QCOMPARE(Corvid::SetDeviceUsable(m_rgbCamera, true), 0);
        else
            QCOMPARE(Corvid::AddSimulatedCamera(dataFile("rgb-camera.xml").toStdString()), m_rgbCamera);
    }

    // While playing, a camera that stops sending (no 2D kind shown) reads
    // 0 fps once its last frame is a second old.
    void frameRateFallsWhenFramesStop()
    {
        startRgbCamera(QSize(320, 240));
        QTRY_VERIFY(m_view->framesPerSecond() > 0.0);
        QCOMPARE(Corvid::SetSLImageShowMode(m_rgbCamera, 0), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_view->framesPerSecond(), 0.0, 5000);
        QVERIFY(m_view->isPlaying());
        QTRY_VERIFY(statusText().contains(QLatin1String("0.0 fps")));
        m_view->stop();
    }

    // The loopback emulator streams; a smaller image follows at once; a
    // silent emulator shows "lost" with Play, and the picture comes back by
    // itself when it answers again; the emulator killed ends the
    // acquisition without a crash.
    void streamsFromTheEmulator()
    {
        if (GigeEmulator::binary().isEmpty())
            QSKIP("arv-fake-gv-camera-0.8 is not installed");
        GigeEmulator emulator;
        QString error;
        QVERIFY2(emulator.start(QString(), &error) != nullptr, qPrintable(error));
        const std::string id = Corvid::AddAravisCamera("127.0.0.1");
        QVERIFY(!id.empty());
        m_view->setDeviceId(QString::fromStdString(id));
        m_view->play();
        QSignalSpy shown(m_view.get(), &ImageView::frameShown);
        QVERIFY(shown.wait(10000));
        QVERIFY(statusText().contains(QLatin1String("Mono8")));
        // More frames than the stream has buffers are shown: the frames
        // give their buffers back.
        QTRY_VERIFY_WITH_TIMEOUT(shown.count() > 24, 20000);
        // The frame shown, in the stream's buffer, keeps its pixels after
        // the stream closed, for the readout and Save Image at full size.
        m_view->stop();
        const std::shared_ptr<const Corvid::Frame> frame = m_view->pipeline()->shownFrame();
        QVERIFY(frame && frame->shared);
        const QString file = m_dir.filePath(QStringLiteral("streamed.png"));
        QVERIFY(m_view->saveImage(file, nullptr));
        const QImage saved(file);
        QCOMPARE(saved.size(), QSize(int(frame->width), int(frame->height)));
        for (int y = 0; y < saved.height(); ++y)
            QVERIFY(std::equal(saved.constScanLine(y), saved.constScanLine(y) + saved.width(),
                               frame->bytes() + size_t(y) * frame->width));
        hover(QPointF(frame->width - 1, frame->height - 1));
        QCOMPARE(m_view->pixelReadout(), QStringLiteral("%1, %2: %3")
                                             .arg(frame->width - 1)
                                             .arg(frame->height - 1)
                                             .arg(frame->bytes()[frame->byteCount() - 1]));
        m_view->play();
        QVERIFY(shown.wait(10000));

        setImage(id, QStringLiteral("Mono8"), QSize(320, 200));
        QTRY_COMPARE_WITH_TIMEOUT(m_view->image().size(), QSize(320, 200), 10000);
        // Larger than the buffers of the first payload size.
        setImage(id, QStringLiteral("Mono8"), QSize(640, 480));
        QTRY_COMPARE_WITH_TIMEOUT(m_view->image().size(), QSize(640, 480), 10000);

        QSignalSpy playing(m_view.get(), &ImageView::playingChanged);
        QVERIFY(emulator.freeze());
        QVERIFY(playing.wait(10000));
        QVERIFY(!m_view->isPlaying() && !playButtonChecked());
        QVERIFY2(statusText().contains(QLatin1String("Stopped: lost")), qPrintable(statusText()));
        emulator.thaw();
        QVERIFY(playing.wait(15000));
        QVERIFY(m_view->isPlaying());
        QVERIFY(shown.wait(10000));

        emulator.stop();
        QVERIFY(playing.wait(10000));
        QVERIFY(!m_view->isPlaying());
        const FramePipeline::Statistics s = m_view->pipeline()->statistics();
        QCOMPARE(s.received, s.shown + s.skipped);
        Corvid::RemoveDevice(id);
    }

private:
    //! Moves the mouse over this point of the image.
    void hover(const QPointF& imagePoint)
    {
        const QPointF at = m_view->canvasPoint(imagePoint);
        QMouseEvent move(QEvent::MouseMove, at, QPointF(m_view->canvas()->mapToGlobal(at.toPoint())),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_view->canvas(), &move);
    }

    QString statusText() const
    {
        return m_view->findChild<QWidget*>(QStringLiteral("imageStatus"))->property("text").toString();
    }

    bool playButtonChecked() const
    {
        return m_view->findChild<QWidget*>(QStringLiteral("playButton"))->property("checked").toBool();
    }

    //! Plays the colour camera at that size in mode 1, started by the
    //! service's StartGrab, until a frame is shown.
    void startRgbCamera(const QSize& size)
    {
        setImage(m_rgbCamera, QStringLiteral("RGB8"), size);
        QCOMPARE(Corvid::SetSLImageShowMode(m_rgbCamera, 1), 0);
        m_view->setDeviceId(QString::fromStdString(m_rgbCamera));
        QSignalSpy shown(m_view.get(), &ImageView::frameShown);
        QCOMPARE(Corvid::StartGrab(m_rgbCamera), 0);
        QVERIFY(shown.wait(5000));
        QVERIFY(m_view->isPlaying() && playButtonChecked());
        QCOMPARE(m_view->image().size(), size);
    }

    //! Whether the region colour is within two pixels of the canvas point
    //! that shows this image point.
    bool regionColourNear(const QPointF& imagePoint) const
    {
        const QImage shot = m_view->canvas()->grab().toImage();
        const QPoint centre = m_view->canvasPoint(imagePoint).toPoint();
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const QPoint p = centre + QPoint(dx, dy);
                if (shot.rect().contains(p) && shot.pixel(p) == kRegionColour)
                    return true;
            }
        }
        return false;
    }

private:
    QTemporaryDir m_dir;
    std::string m_rgbCamera;
    std::unique_ptr<ImageView> m_view;
};

QTEST_MAIN(TestImageView)
#include "tst_imageview.moc"
