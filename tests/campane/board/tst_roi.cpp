// The board's region of interest over the real camera service and a
// simulated camera: the drawing phase, the limits of the four spin boxes,
// the region written to the camera, and the integer-feature statuses.

#include "camboard.h"
#include "selectedbutton.h"
#include "toolpagewidgetitem.h"

#include <Corvid/CorvidHost.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

// An image view that accepts every region and hands out new ids.
class AcceptingView : public Corvid::IImageView
{
public:
    int DrawROI(const std::string&, int, int, int, int, int& roiId, bool& ok, int, int) override
    {
        roiId = ++lastId;
        ok = true;
        return 0;
    }
    int SetROIPos(const std::string&, int, int, int, int, int) override { return 0; }
    int RomoveROI(const std::string&, int) override { return 0; }
    int NotifyCorrection(const std::string&, int, float, void*) override { return 0; }
    int SetSLImageShowMode(const std::string&, int) override { return 0; }
    int SetCameraImageMode(const std::string&, int, bool) override { return 0; }
    int StartGrab(const std::string&) override { return 0; }

    int lastId = 40;
};

} // namespace

class TestRoi : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_camera;
    QString m_plain; // a camera without image-size features
    AcceptingView m_view;
    std::unique_ptr<CamBoard> m_board;

    QSpinBox* box(const char* name) const { return m_board->findChild<QSpinBox*>(name); }
    SelectedButton* selectButton() const { return m_board->roiSelectButton; }

    //! Sets the camera's image (offsets first, so that any size fits).
    void setImage(const QRect& image)
    {
        const std::string id = m_camera.toStdString();
        for (auto feature : {std::make_pair("OffsetX", 0), std::make_pair("OffsetY", 0),
                             std::make_pair("Width", image.width()), std::make_pair("Height", image.height()),
                             std::make_pair("OffsetX", image.x()), std::make_pair("OffsetY", image.y())})
            QCOMPARE(Corvid::SetCameraNodeValue(id, feature.first, std::to_string(feature.second)), 0);
    }

    QRect cameraImage() const
    {
        auto value = [this](const char* name) {
            std::string text;
            Corvid::GetCameraNodeValue(m_camera.toStdString(), name, text);
            return std::atoi(text.c_str());
        };
        return QRect(value("OffsetX"), value("OffsetY"), value("Width"), value("Height"));
    }

    void startDrawing()
    {
        selectButton()->click();
        QVERIFY(selectButton()->isSelected());
        QVERIFY(m_board->roiExecuteButton->isEnabled());
    }

private slots:
    void initTestCase()
    {
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = m_dir.filePath("settings.ini").toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
        const QDir devices(CAMPANE_DEVICES_DIR);
        m_camera = QString::fromStdString(
            Corvid::AddSimulatedCamera(devices.filePath("kvx-slp-camera.xml").toStdString()));
        m_plain = QString::fromStdString(
            Corvid::AddSimulatedCamera(devices.filePath("test/high-address.xml").toStdString()));
        QVERIFY(!m_camera.isEmpty() && !m_plain.isEmpty());
        Corvid::RegisterImageView(&m_view);
    }

    void cleanupTestCase()
    {
        Corvid::UnRegisterImageView(&m_view);
        Corvid::StopService();
    }

    void init()
    {
        setImage(QRect(0, 0, 2448, 2048));
        m_board = std::make_unique<CamBoard>();
        m_board->setPanelTabVisible(true);
        m_board->setDeviceId(m_camera);
        m_board->resize(420, 900);
        m_board->show();
    }

    void cleanup() { m_board.reset(); }

    // The controls sit in the panel only for cameras with Width, Height,
    // OffsetX and OffsetY; the spin boxes only while a region is drawn.
    void placement()
    {
        QVERIFY(qobject_cast<ToolPageWidgetItem*>(selectButton()->parentWidget()->parentWidget()));
        // The numbers of shown rows and shown spin-box rows.
        auto shown = [this] {
            auto count = [](const auto& list) {
                return int(
                    std::count_if(list.begin(), list.end(), [](QWidget* w) { return !w->isHidden(); }));
            };
            return qMakePair(count(m_board->m_roiRows), count(m_board->m_roiWidgets));
        };
        QCOMPARE(shown(), qMakePair(4, 0));
        startDrawing();
        QCOMPARE(shown(), qMakePair(0, 4));
        selectButton()->click();
        QCOMPARE(shown(), qMakePair(4, 0));
        QVERIFY(Corvid::GetImageViewRecord(m_camera.toStdString()).roiRemoved);

        // A rebuild during the drawing ends it and takes the region away.
        startDrawing();
        m_board->reloadPanel(false);
        QVERIFY(!selectButton()->isSelected());
        QVERIFY(Corvid::GetImageViewRecord(m_camera.toStdString()).roiRemoved);
        QVERIFY(!m_board->roiExecuteButton->isEnabled());

        CamBoard plain;
        plain.setPanelTabVisible(true);
        plain.setDeviceId(m_plain);
        QVERIFY(plain.roiSelectButton->parentWidget() == &plain);
        QVERIFY(plain.m_roiRows.isEmpty());
    }

    // The region stays inside the image the camera gave when drawing began;
    // the view gets it in image coordinates, and execute writes it to the
    // camera and ends the drawing.
    void limits_data()
    {
        QTest::addColumn<QRect>("image");
        QTest::addColumn<QString>("edits"); // box=value, in order
        QTest::addColumn<QString>("maxima");
        QTest::addColumn<QRect>("region");
        QTest::newRow("offsets fixed before the first edit")
            << QRect(64, 32, 1024, 512) << ""
            << "OffsetX=64 OffsetY=32 Width=1024 Height=512" << QRect();
        QTest::newRow("width 2000 limits the x offset to 448") << QRect(0, 0, 2448, 2048) << "Width=2000"
                                                               << "OffsetX=448" << QRect(0, 0, 2000, 2048);
        QTest::newRow("x offset 448 then limits the width to 2000")
            << QRect(0, 0, 2448, 2048) << "Width=2000 OffsetX=448"
            << "Width=2000" << QRect(448, 0, 2000, 2048);
        QTest::newRow("inside a smaller image with offsets")
            << QRect(64, 32, 1024, 512) << "Height=256 OffsetY=200 Width=512"
            << "OffsetY=288 Height=344 OffsetX=576" << QRect(0, 168, 512, 256);
    }

    void limits()
    {
        QFETCH(QRect, image);
        QFETCH(QString, edits);
        QFETCH(QString, maxima);
        QFETCH(QRect, region);
        auto boxOf = [this](const QString& pair) {
            return box(qPrintable("roi" + pair.section('=', 0, 0) + "Box"));
        };
        setImage(image);
        startDrawing();
        for (const QString& edit : edits.split(' ', Qt::SkipEmptyParts))
            boxOf(edit)->setValue(edit.section('=', 1).toInt());
        for (const QString& maximum : maxima.split(' '))
            QCOMPARE(boxOf(maximum)->maximum(), maximum.section('=', 1).toInt());
        if (edits.isEmpty()) {
            QCOMPARE(box("roiOffsetXBox")->minimum(), box("roiOffsetXBox")->maximum());
            return;
        }
        const Corvid::ImageViewRecord record = Corvid::GetImageViewRecord(m_camera.toStdString());
        QCOMPARE(record.roiId, m_view.lastId);
        QCOMPARE(QRect(QPoint(record.roiX1, record.roiY1), QPoint(record.roiX2 - 1, record.roiY2 - 1)),
                 region);

        m_board->roiExecuteButton->click();
        QVERIFY(!selectButton()->isSelected() && !m_board->roiExecuteButton->isEnabled());
        QVERIFY(m_board->resetImageSizeButton->isEnabled());
        QVERIFY(Corvid::GetImageViewRecord(m_camera.toStdString()).roiRemoved);
        QCOMPARE(cameraImage(), region.translated(image.topLeft()));
    }

    // Without an image view there is no region to edit: the button returns
    // to off and execute stays disabled.
    void startWithoutAView()
    {
        Corvid::UnRegisterImageView(&m_view);
        selectButton()->click();
        Corvid::RegisterImageView(&m_view);
        QVERIFY(!selectButton()->isSelected());
        QVERIFY(!m_board->roiExecuteButton->isEnabled());
        QVERIFY(m_board->resetImageSizeButton->isEnabled());
        QVERIFY(!box("roiWidthBox")->isVisible());
    }

    void integerFeatureStatuses_data()
    {
        QTest::addColumn<bool>("bound");
        QTest::addColumn<QString>("feature");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<int>("readStatus");
        QTest::addColumn<int>("writeStatus");
        QTest::newRow("no node map") << false << "Width" << qint64(1280) << -1 << -1;
        QTest::newRow("no such node") << true << "NoSuchFeature" << qint64(1) << -2 << -2;
        QTest::newRow("read-only") << true << "SensorWidth" << qint64(100) << 0 << -3;
        QTest::newRow("out of range: GenApi exception") << true << "Width" << qint64(3) << 0 << -4;
    }

    void integerFeatureStatuses()
    {
        QFETCH(bool, bound);
        QFETCH(QString, feature);
        QFETCH(qint64, value);
        CamBoard unbound;
        CamBoard* board = bound ? m_board.get() : &unbound;
        qint64 read = -7, minimum = 0, maximum = 0, increment = 0;
        QTEST(board->readIntegerFeature(feature, read, minimum, maximum, increment), "readStatus");
        QTEST(board->writeIntegerFeature(feature, value), "writeStatus");
    }
};

QTEST_MAIN(TestRoi)
#include "tst_roi.moc"
