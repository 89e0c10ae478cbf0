// End to end over GigE Vision on loopback: Aravis's camera emulator serves a
// description, our node map counts its transfers and pings from another
// thread, and once the emulator is stopped the device is found lost and every
// later access fails without touching the network. (Values of every kind go
// there and back in the feature bag's round trip over the emulator.)
#include "gigeemulator.h"
#include "nodetestsupport.h"

#include <GenApi/FrameStream.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

class TestGenApiGige : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (GigeEmulator::binary().isEmpty())
            QSKIP("arv-fake-gv-camera-0.8 is not installed (package aravis-tools)");
    }

    void cleanupTestCase()
    {
        m_device.reset();
        m_emulator.stop();
    }

    void statisticsCountNetworkAccess()
    {
        INodeMap* nodeMap = map();
        QVERIFY(nodeMap);
        CFloatPtr temperature(nodeMap->GetNode("DeviceTemperature")); // NoCache, 4 bytes
        m_device->ResetStatistics();
        for (int i = 0; i < 3; ++i)
            temperature->GetValue();
        QCOMPARE(m_device->GetStatistics().registerReads, uint64_t(3));
        QCOMPARE(m_device->GetStatistics().bytesRead, uint64_t(12));
        CIntegerPtr(nodeMap->GetNode("Width"))->SetValue(512);
        QCOMPARE(m_device->GetStatistics().registerWrites, uint64_t(1));
        QCOMPARE(m_device->GetStatistics().bytesWritten, uint64_t(4));
    }

    // The camera service pings from its own thread while the GUI reads and runs
    // commands.
    void pingFromAnotherThreadWhileReading()
    {
        INodeMap* nodeMap = map();
        QVERIFY(nodeMap);
        CFloatPtr temperature(nodeMap->GetNode("DeviceTemperature"));
        CCommandPtr reset(nodeMap->GetNode("DeviceReset"));
        QVERIFY(temperature && reset);
        std::atomic<int> answered{0};
        std::thread pinger([&] {
            for (int i = 0; i < 200; ++i)
                answered += m_device->Ping() ? 1 : 0;
        });
        int failures = 0;
        for (int i = 0; i < 200; ++i) {
            try {
                temperature->GetValue();
                if (i % 50 == 0)
                    reset->Execute();
            } catch (const GenICam::GenericException&) {
                ++failures;
            }
        }
        pinger.join();
        QCOMPARE(failures, 0);
        QCOMPARE(answered.load(), 200);
        QVERIFY(!m_device->IsLost());
    }

    void stoppedEmulatorIsLostAtOnce()
    {
        INodeMap* nodeMap = map();
        QVERIFY(nodeMap);
        CFloatPtr temperature(nodeMap->GetNode("DeviceTemperature"));
        CIntegerPtr width(nodeMap->GetNode("Width"));
        temperature->GetValue();
        QVERIFY(m_device->Ping());

        m_emulator.stop();

        // The first access goes to the network, finds nobody and fails.
        QVERIFY_EXCEPTION_THROWN(temperature->GetValue(), GenICam::GenericException);
        QVERIFY(m_device->IsLost());

        // Every later access fails without a single transfer.
        const DeviceStatistics before = m_device->GetStatistics();
        QVERIFY_EXCEPTION_THROWN(temperature->GetValue(false, true), GenICam::GenericException);
        QVERIFY_EXCEPTION_THROWN(width->SetValue(256), GenICam::GenericException);
        QVERIFY_EXCEPTION_THROWN(CCommandPtr(nodeMap->GetNode("DeviceReset"))->Execute(),
                                 GenICam::GenericException);
        QVERIFY(!m_device->Ping());
        const DeviceStatistics after = m_device->GetStatistics();
        QCOMPARE(after.registerReads + after.registerWrites, before.registerReads + before.registerWrites);
    }

    void absentDevicesDoNotOpen_data()
    {
        QTest::addColumn<QString>("id");
        row("stopped emulator's address", "127.0.0.1");
        row("unknown device id", "Nobody-Nothing-0000");
    }

    void absentDevicesDoNotOpen()
    {
        QFETCH(QString, id);
        QVERIFY(!m_emulator.isRunning());
        std::string error;
        QVERIFY(!CDeviceConnection::OpenAravis(id.toStdString(), &error));
        QVERIFY(!error.empty());
    }

    // A stream lends its buffers to the frames it gives and takes each back
    // once its frame is let go of; a reader that holds many frames gets
    // copies, so the stream never runs out of buffers; a frame outlives its
    // stream.
    void streamLendsItsBuffers()
    {
        QString error;
        m_device = m_emulator.start(QString(), &error);
        QVERIFY2(m_device, qPrintable(error));
        INodeMap* nodeMap = m_device->GetNodeMap();
        std::string reason;
        std::unique_ptr<CFrameStream> stream = m_device->OpenStream(&reason);
        QVERIFY2(stream, reason.c_str());
        CCommandPtr(nodeMap->GetNode("AcquisitionStart"))->Execute();
        std::set<const uint8_t*> released; // where the frames let go of at once were
        std::vector<StreamImage> held;     // the next ones, kept
        int images = 0;
        for (int attempt = 0; attempt < 200 && images < 40; ++attempt) {
            StreamImage image;
            if (stream->Pop(image, 1000) != CFrameStream::PopResult::Image)
                continue;
            QVERIFY(image.data && image.size >= size_t(image.width) * image.height);
            if (++images <= 20)
                released.insert(image.data.get());
            else
                held.push_back(std::move(image));
        }
        QCOMPARE(images, 40);
        QVERIFY2(released.size() < 10, "the buffers are used again");
        const StreamImage& last = held.back();
        const std::vector<uint8_t> pixels(last.data.get(), last.data.get() + last.size);
        CCommandPtr(nodeMap->GetNode("AcquisitionStop"))->Execute();
        stream.reset();
        QVERIFY(std::equal(pixels.begin(), pixels.end(), last.data.get()));
        held.clear();
    }

private:
    INodeMap* map();

    GigeEmulator m_emulator;
    std::unique_ptr<CDeviceConnection> m_device;
};

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

QTEST_GUILESS_MAIN(TestGenApiGige)
#include "test_genapi_gige.moc"
