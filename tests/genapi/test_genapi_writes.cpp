// A write to a GigE Vision device that has stopped answering (our fake device
// on 127.0.0.50, frozen). A caller with a short write wait (a GUI thread) gets
// TimeoutException saying that the write is not confirmed; the device is not
// lost, and every access fails at once while the write waits for its answer.
// Once the device answers, what is read is what the device holds, never the
// cache of what was sent: the new value when it took the write late, the old
// one when it refused it. A device that never answers is lost.
#include "fakegigeconnection.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

using namespace GenApi;

class TestGenApiWrites : public QObject
{
    Q_OBJECT

private slots:
    void notConfirmedWrite_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("takes");
        QTest::newRow("taken late") << true << true;
        QTest::newRow("refused late") << true << false;
        QTest::newRow("never answered: lost") << false << false;
    }

    void notConfirmedWrite()
    {
        FakeGigeDevice fake("127.0.0.50");
        std::string error;
        auto device = openFakeGige(fake, &error);
        QVERIFY2(device, error.c_str());
        CIntegerPtr gain(device->GetNodeMap()->GetNode("Gain"));
        gain->SetValue(5);
        QCOMPARE(gain->GetValue(), int64_t(5));
        QFETCH(bool, answers);
        QFETCH(bool, takes);

        const int previousWait = CDeviceConnection::SetThreadWriteWait(40);
        fake.freeze();
        bool notConfirmed = false;
        try {
            gain->SetValue(9);
        } catch (const GenICam::TimeoutException& e) {
            notConfirmed = QByteArray(e.GetDescription()).contains("not confirmed");
        }
        CDeviceConnection::SetThreadWriteWait(previousWait);
        QVERIFY(notConfirmed);
        QVERIFY(!device->IsLost());
        const DeviceStatistics during = device->GetStatistics();
        QVERIFY_EXCEPTION_THROWN(gain->GetValue(), GenICam::TimeoutException);
        QCOMPARE(device->GetStatistics().registerReads, during.registerReads);

        if (answers)
            fake.thaw(takes);
        QCOMPARE(device->Ping(), answers);
        QCOMPARE(device->IsLost(), !answers);
        if (!answers)
            return;
        const int64_t held = takes ? 9 : 5;
        QCOMPARE(int64_t(fake.registerValue(FakeGigeDevice::kGainAddress)), held);
        QCOMPARE(gain->GetValue(), held);
    }
};

QTEST_GUILESS_MAIN(TestGenApiWrites)
#include "test_genapi_writes.moc"
