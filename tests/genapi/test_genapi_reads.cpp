// What the read path must keep. A read that ignores the cache goes to the
// device for the value only (its access comes from the cache), yet the access
// follows a write that locks the feature; a written value reads back through
// and around the cache. A GigE Vision device that stops answering without
// closing its port (the loopback emulator frozen with SIGSTOP): a read gives
// up after a short deadline instead of Aravis's retries, the device is then
// checked, and every access fails at once until the check ends. Answering
// again in time, the device is used again; silent, it is lost.
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

using namespace GenApi;

class TestGenApiReads : public QObject
{
    Q_OBJECT

private slots:
    void readsAfterWrites_data()
    {
        QTest::addColumn<int>("locked");
        QTest::addColumn<int>("width");
        QTest::newRow("unlocked") << 0 << 1024;
        QTest::newRow("locked") << 1 << 2048;
        QTest::newRow("unlocked again") << 0 << 512;
    }

    void readsAfterWrites()
    {
        QFETCH(int, locked);
        QFETCH(int, width);
        std::string error;
        static auto device =
            CDeviceConnection::OpenSimulated(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml", &error);
        QVERIFY2(device, error.c_str());
        CIntegerPtr widthNode(device->GetNodeMap()->GetNode("Width"));
        CIntegerPtr lock(device->GetNodeMap()->GetNode("TLParamsLocked"));
        lock->SetValue(0);
        widthNode->SetValue(width);
        lock->SetValue(locked);
        QCOMPARE(widthNode->GetAccessMode(), locked ? RO : RW);

        device->ResetStatistics();
        QCOMPARE(widthNode->GetValue(false, true), int64_t(width));
        QCOMPARE(device->GetStatistics().registerReads, uint64_t(1));
        QCOMPARE(widthNode->GetValue(), int64_t(width));
        QCOMPARE(device->GetStatistics().registerReads, uint64_t(1));
        if (locked)
            QVERIFY_EXCEPTION_THROWN(widthNode->SetValue(width + 16), GenICam::AccessException);
    }

    void silentDevice_data()
    {
        QTest::addColumn<bool>("answersAgain");
        QTest::newRow("frozen for good: lost") << false;
        QTest::newRow("frozen for a moment: used again") << true;
    }

    void silentDevice()
    {
        if (GigeEmulator::binary().isEmpty())
            QSKIP("arv-fake-gv-camera-0.8 is not installed (package aravis-tools)");
        QFETCH(bool, answersAgain);
        GigeEmulator emulator;
        QString error;
        auto device = emulator.start(QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/gige-camera.xml"), &error);
        QVERIFY2(device, qPrintable(error));
        CFloatPtr temperature(device->GetNodeMap()->GetNode("DeviceTemperature")); // never cached
        QVERIFY(temperature.IsValid());
        const double before = temperature->GetValue();

        QVERIFY(emulator.freeze());
        QVERIFY_EXCEPTION_THROWN(temperature->GetValue(), GenICam::TimeoutException);
        QVERIFY(!device->IsLost());
        // While the device is checked, accesses fail without a transfer.
        const DeviceStatistics during = device->GetStatistics();
        QVERIFY_EXCEPTION_THROWN(temperature->GetValue(), GenICam::GenericException);
        QCOMPARE(device->GetStatistics().registerReads, during.registerReads);

        if (answersAgain)
            emulator.thaw();
        QCOMPARE(device->Ping(), answersAgain);
        QCOMPARE(device->IsLost(), !answersAgain);
        if (answersAgain)
            QCOMPARE(temperature->GetValue(), before);
        else
            QVERIFY_EXCEPTION_THROWN(temperature->GetValue(), GenICam::GenericException);
    }
};

QTEST_GUILESS_MAIN(TestGenApiReads)
#include "test_genapi_reads.moc"
