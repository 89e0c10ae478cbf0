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

std::string nodeValue(const QString& id, const char* node)
{
    std::string value;
    Corvid::GetCameraNodeValue(id.toStdString(), node, value);
    return value;
}

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

    void setImage(const char* width, const char* height, const char* x, const char* y)
    {
        for (auto feature :
             {std::make_pair("OffsetX", "0"), std::make_pair("OffsetY", "0"), std::make_pair("Width", width),
              std::make_pair("Height", height), std::make_pair("OffsetX", x), std::make_pair("OffsetY", y)})
            QCOMPARE(Corvid::SetCameraNodeValue(m_camera.toStdString(), feature.first, feature.second), 0);
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
        setImage("2448", "2048", "0", "0");
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
        const auto rows = m_board->m_roiRows;
        const auto boxRows = m_board->m_roiWidgets;
        QCOMPARE(rows.size(), 4);
        QCOMPARE(boxRows.size(), 4);
        auto hidden = [](const auto& list) {
            return std::all_of(list.begin(), list.end(), [](QWidget* w) { return w->isHidden(); });
        };
        auto shown = [](const auto& list) {
            return std::none_of(list.begin(), list.end(), [](QWidget* w) { return w->isHidden(); });
        };
        QVERIFY(shown(rows) && hidden(boxRows));
        startDrawing();
        QVERIFY(hidden(rows) && shown(boxRows));
        selectButton()->click();
        QVERIFY(shown(rows) && hidden(boxRows));
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

    // The region stays inside the image the camera gave when drawing began,
    // and the view gets it in image coordinates.
    void limits_data()
    {
        QTest::addColumn<QStringList>("image"); // Width, Height, OffsetX, OffsetY
        QTest::addColumn<QList<QPair<QString, int>>>("edits");
        QTest::addColumn<QList<QPair<QString, int>>>("maxima");
        QTest::addColumn<QRect>("region");
        using Edits = QList<QPair<QString, int>>;
        QTest::newRow("offsets fixed before the first edit")
            << QStringList{"1024", "512", "64", "32"} << Edits{}
            << Edits{{"roiOffsetXBox", 64},
                     {"roiOffsetYBox", 32},
                     {"roiWidthBox", 1024},
                     {"roiHeightBox", 512}}
            << QRect();
        QTest::newRow("width 2000 limits the x offset to 448")
            << QStringList{"2448", "2048", "0", "0"} << Edits{{"roiWidthBox", 2000}}
            << Edits{{"roiOffsetXBox", 448}} << QRect(0, 0, 2000, 2048);
        QTest::newRow("x offset 448 then limits the width to 2000")
            << QStringList{"2448", "2048", "0", "0"} << Edits{{"roiWidthBox", 2000}, {"roiOffsetXBox", 448}}
            << Edits{{"roiWidthBox", 2000}} << QRect(448, 0, 2000, 2048);
        QTest::newRow("inside a smaller image with offsets")
            << QStringList{"1024", "512", "64", "32"}
            << Edits{{"roiHeightBox", 256}, {"roiOffsetYBox", 200}, {"roiWidthBox", 512}}
            << Edits{{"roiOffsetYBox", 288}, {"roiHeightBox", 344}, {"roiOffsetXBox", 576}}
            << QRect(0, 168, 512, 256);
    }

    void limits()
    {
        QFETCH(QStringList, image);
        using Edits = QList<QPair<QString, int>>;
        QFETCH(Edits, edits);
        QFETCH(Edits, maxima);
        QFETCH(QRect, region);
        setImage(qPrintable(image[0]), qPrintable(image[1]), qPrintable(image[2]), qPrintable(image[3]));
        startDrawing();
        for (const auto& edit : edits)
            box(qPrintable(edit.first))->setValue(edit.second);
        for (const auto& maximum : maxima)
            QCOMPARE(box(qPrintable(maximum.first))->maximum(), maximum.second);
        if (edits.isEmpty()) {
            QCOMPARE(box("roiOffsetXBox")->minimum(), box("roiOffsetXBox")->maximum());
            return;
        }
        const Corvid::ImageViewRecord record = Corvid::GetImageViewRecord(m_camera.toStdString());
        QCOMPARE(record.roiId, m_view.lastId);
        QCOMPARE(QRect(QPoint(record.roiX1, record.roiY1), QPoint(record.roiX2 - 1, record.roiY2 - 1)),
                 region);
    }

    // Execute ends the drawing and writes the region to the camera.
    void executeWritesTheRegion()
    {
        setImage("2448", "2048", "0", "0");
        startDrawing();
        box("roiWidthBox")->setValue(1024);
        box("roiHeightBox")->setValue(600);
        box("roiOffsetXBox")->setValue(320);
        box("roiOffsetYBox")->setValue(100);
        m_board->roiExecuteButton->click();
        QVERIFY(!selectButton()->isSelected());
        QVERIFY(!m_board->roiExecuteButton->isEnabled());
        QVERIFY(m_board->resetImageSizeButton->isEnabled());
        QCOMPARE(nodeValue(m_camera, "Width"), std::string("1024"));
        QCOMPARE(nodeValue(m_camera, "Height"), std::string("600"));
        QCOMPARE(nodeValue(m_camera, "OffsetX"), std::string("320"));
        QCOMPARE(nodeValue(m_camera, "OffsetY"), std::string("100"));
        QVERIFY(Corvid::GetImageViewRecord(m_camera.toStdString()).roiRemoved);
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
        QTest::newRow("integer") << true << "Width" << qint64(1280) << 0 << 0;
        QTest::newRow("not an integer: nothing done") << true << "DeviceModelName" << qint64(1) << 0 << 0;
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
        if (bound && feature == QLatin1String("Width")) {
            QCOMPARE(read, qint64(2448));
            QCOMPARE(increment, qint64(16));
        }
    }
};

QTEST_MAIN(TestRoi)
#include "tst_roi.moc"
