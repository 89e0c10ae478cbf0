// A GigE Vision device that stops answering without closing its port (the
// loopback emulator frozen with SIGSTOP): a read gives up after a short
// deadline instead of Aravis's retries, the device is then checked, and every
// access fails at once until the check ends. Answering again in time, the
// device is used again; silent, it is lost.
#include "gigeemulator.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

using namespace GenApi;

class TestGenApiSilent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void silentDevice_data();
    void silentDevice();
};

void TestGenApiSilent::initTestCase()
{
    if (GigeEmulator::binary().isEmpty())
        QSKIP("arv-fake-gv-camera-0.8 is not installed (package aravis-tools)");
}

void TestGenApiSilent::silentDevice_data()
{
    QTest::addColumn<bool>("answersAgain");
    QTest::newRow("frozen for good: lost") << false;
    QTest::newRow("frozen for a moment: used again") << true;
}

void TestGenApiSilent::silentDevice()
{
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

QTEST_GUILESS_MAIN(TestGenApiSilent)
#include "test_genapi_silent.moc"
