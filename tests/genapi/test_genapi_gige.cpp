// End to end over GigE Vision on loopback: Aravis's camera emulator serves a
// description, our node map reads and writes it through Aravis, and once the
// emulator is stopped the device is found lost and every later access fails
// without touching the network.
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace GenApi;

class TestGenApiGige : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void devicesDescriptionOverGige();
    void writeReadBack_data();
    void writeReadBack();
    void commandKeepsDeviceRunning();
    void discoveryFindsTheEmulator();
    void statisticsCountNetworkAccess();
    void pingFromAnotherThreadWhileReading();
    void stoppedEmulatorIsLostAtOnce();
    void absentDevicesDoNotOpen_data();
    void absentDevicesDoNotOpen();

private:
    INodeMap* map();

    GigeEmulator m_emulator;
    std::unique_ptr<CDeviceConnection> m_device;
};

void TestGenApiGige::initTestCase()
{
    if (GigeEmulator::binary().isEmpty())
        QSKIP("arv-fake-gv-camera-0.8 is not installed (package aravis-tools)");
}

void TestGenApiGige::cleanupTestCase()
{
    m_device.reset();
    m_emulator.stop();
}

INodeMap* TestGenApiGige::map()
{
    if (!m_device) {
        QString error;
        m_device = m_emulator.start(QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/gige-camera.xml"), &error);
        if (!m_device)
            qWarning("%s", qPrintable(error));
    }
    return m_device ? m_device->GetNodeMap() : nullptr;
}

void TestGenApiGige::devicesDescriptionOverGige()
{
    QString error;
    auto device = m_emulator.start(QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml"), &error);
    QVERIFY2(device, qPrintable(error));
    QVERIFY(!device->IsSimulated());

    NodeList_t nodes;
    device->GetNodeMap()->GetNodes(nodes);
    int read = 0;
    for (INode* node : nodes) {
        CValuePtr value(node);
        if (!value.IsValid())
            continue;
        try {
            const EAccessMode mode = value->GetAccessMode();
            if (mode == RO || mode == RW) {
                value->ToString();
                ++read;
            }
        } catch (const GenICam::GenericException&) {
        }
    }
    QVERIFY2(read > 20, qPrintable(QString::number(read)));
    QVERIFY(!device->IsLost());
    device.reset();
    m_emulator.stop();
}

void TestGenApiGige::writeReadBack_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("value");
    const struct
    {
        const char *tag, *feature, *value;
    } rows[] = {
        {"integer", "Width", "2048"},
        {"float, 8 bytes", "ExposureTime", "12345.5"},
        {"string", "DeviceUserID", "station 7"},
        {"enumeration", "PixelFormat", "RGB8"},
        {"boolean on a bit", "ReverseX", "1"},
    };
    for (const auto& r : rows)
        QTest::newRow(r.tag) << QString(r.feature) << QString(r.value);
}

void TestGenApiGige::writeReadBack()
{
    QFETCH(QString, feature);
    QFETCH(QString, value);
    INodeMap* nodeMap = map();
    QVERIFY(nodeMap);
    CValuePtr node(nodeMap->GetNode(feature.toStdString().c_str()));
    QVERIFY(node.IsValid());
    try {
        node->FromString(value.toStdString().c_str());
        nodeMap->InvalidateNodes();
        QString got = QString::fromUtf8(node->ToString(false, true).c_str());
        if (feature == QLatin1String("ExposureTime"))
            QCOMPARE(got.toDouble(), value.toDouble());
        else
            QCOMPARE(got, value);
    } catch (const GenICam::GenericException& e) {
        QFAIL(e.what());
    }
}

void TestGenApiGige::commandKeepsDeviceRunning()
{
    INodeMap* nodeMap = map();
    QVERIFY(nodeMap);
    CCommandPtr reset(nodeMap->GetNode("DeviceReset"));
    QVERIFY(reset.IsValid());
    reset->Execute();
    QVERIFY(m_device->Ping());
    QVERIFY(!m_device->IsLost());
}

void TestGenApiGige::discoveryFindsTheEmulator()
{
    QVERIFY(map());
    const std::vector<DeviceDescriptor> devices = CDeviceConnection::Discover();
    auto found = std::find_if(devices.begin(), devices.end(), [](const DeviceDescriptor& d) {
        return d.address == "127.0.0.1" && d.protocol == "GigEVision";
    });
    QVERIFY2(found != devices.end(), "no GigE Vision device on 127.0.0.1");
    QVERIFY(!found->id.empty());
    QVERIFY(!found->vendor.empty());
    QVERIFY(!found->model.empty());
}

void TestGenApiGige::statisticsCountNetworkAccess()
{
    INodeMap* nodeMap = map();
    QVERIFY(nodeMap);
    CFloatPtr temperature(nodeMap->GetNode("DeviceTemperature")); // NoCache, 4 bytes
    CIntegerPtr width(nodeMap->GetNode("Width"));
    QVERIFY(temperature && width);
    m_device->ResetStatistics();
    for (int i = 0; i < 3; ++i)
        temperature->GetValue();
    const DeviceStatistics s = m_device->GetStatistics();
    QCOMPARE(s.registerReads, uint64_t(3));
    QCOMPARE(s.bytesRead, uint64_t(12));
    QCOMPARE(s.registerWrites, uint64_t(0));

    width->SetValue(512);
    const DeviceStatistics w = m_device->GetStatistics();
    QCOMPARE(w.registerWrites, uint64_t(1));
    QCOMPARE(w.bytesWritten, uint64_t(4));
}

void TestGenApiGige::pingFromAnotherThreadWhileReading()
{
    // The camera service pings from its own thread while the GUI reads.
    INodeMap* nodeMap = map();
    QVERIFY(nodeMap);
    CFloatPtr temperature(nodeMap->GetNode("DeviceTemperature"));
    QVERIFY(temperature.IsValid());
    std::atomic<int> answered{0};
    std::thread pinger([&] {
        for (int i = 0; i < 200; ++i)
            answered += m_device->Ping() ? 1 : 0;
    });
    int failures = 0;
    for (int i = 0; i < 200; ++i) {
        try {
            temperature->GetValue();
        } catch (const GenICam::GenericException&) {
            ++failures;
        }
    }
    pinger.join();
    QCOMPARE(failures, 0);
    QCOMPARE(answered.load(), 200);
    QVERIFY(!m_device->IsLost());
}

void TestGenApiGige::stoppedEmulatorIsLostAtOnce()
{
    INodeMap* nodeMap = map();
    QVERIFY(nodeMap);
    CFloatPtr temperature(nodeMap->GetNode("DeviceTemperature"));
    CIntegerPtr width(nodeMap->GetNode("Width"));
    QVERIFY(temperature && width);
    temperature->GetValue();
    QVERIFY(m_device->Ping());

    m_emulator.stop();

    // The first access goes to the network, finds nobody and fails.
    QVERIFY_EXCEPTION_THROWN(temperature->GetValue(), GenICam::GenericException);
    QVERIFY(m_device->IsLost());

    // Every later access fails without a single transfer.
    const DeviceStatistics before = m_device->GetStatistics();
    for (int i = 0; i < 5; ++i) {
        QVERIFY_EXCEPTION_THROWN(temperature->GetValue(false, true), GenICam::GenericException);
        QVERIFY_EXCEPTION_THROWN(width->SetValue(256), GenICam::GenericException);
        QVERIFY_EXCEPTION_THROWN(CCommandPtr(nodeMap->GetNode("DeviceReset"))->Execute(),
                                 GenICam::GenericException);
    }
    QVERIFY(!m_device->Ping());
    const DeviceStatistics after = m_device->GetStatistics();
    QCOMPARE(after.registerReads, before.registerReads);
    QCOMPARE(after.registerWrites, before.registerWrites);
}

void TestGenApiGige::absentDevicesDoNotOpen_data()
{
    QTest::addColumn<QString>("id");
    QTest::newRow("stopped emulator's address") << "127.0.0.1";
    QTest::newRow("unknown device id") << "Nobody-Nothing-0000";
}

void TestGenApiGige::absentDevicesDoNotOpen()
{
    QFETCH(QString, id);
    QVERIFY(!m_emulator.isRunning());
    std::string error;
    QVERIFY(!CDeviceConnection::OpenAravis(id.toStdString(), &error));
    QVERIFY(!error.empty());
}

QTEST_GUILESS_MAIN(TestGenApiGige)
#include "test_genapi_gige.moc"
