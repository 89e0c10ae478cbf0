// Hostile and broken GigE Vision devices: a fake device on a loopback address
// answers wrongly, slowly, never, or hands out a description location, size
// or archive out of bounds. Each one is refused with a reason (or, honest,
// opens), the open returns within its deadline, and nothing is left running.
#include "hostilerows.h"

#include <GenApi/DeviceConnection.h>
#include <GenICam.h>

#include <QDir>
#include <QFile>
#include <QtTest>

#include <thread>

using namespace GenApi;

namespace {

int threadCount()
{
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Serves the good description on the fake device and opens it; null with
// the reason in *error when either fails.
std::unique_ptr<CDeviceConnection> openHonest(FakeGigeDevice& fake, std::string* error)
{
    fake.setDescription(kGoodDescription);
    return fake.start(error) ? CDeviceConnection::OpenAravis(fake.address(), error) : nullptr;
}

} // namespace

class TestGenApiHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Opens an honest device once, so that the threads GLib and Aravis start
        // for good on first use are not counted against a row.
        FakeGigeDevice fake;
        std::string error;
        QVERIFY2(openHonest(fake, &error), error.c_str());
    }

    void device_data()
    {
        using M = FakeGigeDevice::Misbehaviour;
        addHostileColumns();
        addHostileRows(sharedHostileCases());

        const std::string xml(kGoodDescription);
        const std::string zipped = FakeGigeDevice::zip("fake.xml", xml);
        const std::string stored = FakeGigeDevice::zip("fake.xml", xml, false);
        const std::string noAnswer = "no valid answer in time";
        // The central header (name "fake.xml"), before the 22-byte end record.
        const size_t directory = zipped.size() - 22 - 46 - 8;
        const std::string bomb = FakeGigeDevice::zip("fake.xml", std::string(16 << 20, ' '));
        const std::string garbage(3000, 'Z');
        addHostileRows({
            {"honest, zip stored", M::None, stored, zipUrl(stored), ""},
            // Answers that are no answers.
            {"truncated acks", M::Truncated, xml, "", "cut short"},
            {"oversized acks", M::Oversized, xml, "", noAnswer},
            {"wrong ids", M::WrongId, xml, "", noAnswer},
            {"error status", M::WrongStatus, xml, "", "status 0x8003"},
            {"late acks, twice", M::Late, xml, "", noAnswer},
            // Where the description is said to be.
            {"size 0", M::None, xml, "Local:desc.xml;10000;0", "outside 1 to"},
            {"address past 4 GiB", M::None, xml, "Local:fake.xml;100010000;100", "outside its 32-bit memory"},
            {"web address", M::None, xml, "http://127.0.0.1/desc.xml", "'http:' URL"},
            {"no URL", M::None, xml, "nonsense", "has no scheme"},
            {"size not a number", M::None, xml, "Local:fake.xml;10000;big",
             "is not 'Local:name;address;size'"},
            // Archives.
            {"zip, file header offset outside", M::None, patched(zipped, long(directory + 42), 0x7ffffff0),
             zipUrl(zipped), "file header outside"},
            {"zip claims 2 GiB", M::None, patched(zipped, long(directory + 24), 0x80000000u), zipUrl(zipped),
             "would inflate to 2147483648 bytes"},
            {"zip claims less than it holds", M::None, patched(zipped, long(directory + 24), 100),
             zipUrl(zipped), "does not inflate to the 100 bytes"},
            {"zip bomb", M::None, bomb, zipUrl(bomb), "more than 200 times"},
            {"zip of garbage", M::None, garbage, zipUrl(garbage), "no end of central directory"},
        });
    }

    void device()
    {
        QFETCH(FakeGigeDevice::Misbehaviour, misbehaviour);
        QFETCH(QByteArray, description);
        QFETCH(QString, url);
        QFETCH(QString, refusal);

        const int threadsBefore = threadCount();
        {
            FakeGigeDevice fake;
            fake.setDescription(description.toStdString(), url.toStdString());
            fake.setMisbehaviour(misbehaviour);
            std::string error;
            QVERIFY2(fake.start(&error), error.c_str());

            AravisOpenOptions options;
            options.deadlineMs = 3000;
            std::unique_ptr<CDeviceConnection> device =
                CDeviceConnection::OpenAravis(fake.address(), &error, options);
            if (refusal.isEmpty()) {
                QVERIFY2(device, error.c_str());
                CIntegerPtr good(device->GetNodeMap()->GetNode("Good"));
                QVERIFY(good.IsValid());
                QCOMPARE(good->GetValue(true, true), int64_t(0));
                good->SetValue(7);
                QCOMPARE(good->GetValue(true, true), int64_t(7));
            } else {
                QVERIFY(!device);
                QVERIFY2(QString::fromStdString(error).contains(refusal), error.c_str());
            }
        }
        // Whatever the device did, nothing of it is left running once it is gone
        // (an open given up on ends when Aravis gives up on the silent device).
        QTRY_COMPARE_WITH_TIMEOUT(threadCount(), threadsBefore, 20000);
    }

    void misbehavesOnceOpen_data()
    {
        using M = FakeGigeDevice::Misbehaviour;
        QTest::addColumn<M>("misbehaviour");
        QTest::addColumn<int>("lost"); // 1 lost, 0 not lost, -1 either
        QTest::newRow("silent") << M::Silent << 1;
        QTest::newRow("error status") << M::WrongStatus << 0;
        QTest::newRow("truncated acks") << M::Truncated << -1;
        QTest::newRow("oversized acks") << M::Oversized << -1;
        QTest::newRow("wrong ids") << M::WrongId << -1;
        QTest::newRow("late acks, twice") << M::Late << -1;
        QTest::newRow("pending forever") << M::Pending << -1;
    }

    // A device that turns hostile once open: every read ends (a value or a GenApi
    // exception, never a hang or a crash), and nothing of it is left running.
    void misbehavesOnceOpen()
    {
        QFETCH(FakeGigeDevice::Misbehaviour, misbehaviour);
        QFETCH(int, lost);

        const int threadsBefore = threadCount();
        {
            FakeGigeDevice fake;
            std::string error;
            std::unique_ptr<CDeviceConnection> device = openHonest(fake, &error);
            QVERIFY2(device, error.c_str());
            CIntegerPtr good(device->GetNodeMap()->GetNode("Good"));
            good->SetValue(3);
            fake.setMisbehaviour(misbehaviour);
            int failures = 0;
            for (int i = 0; i < 5; ++i) {
                try {
                    QCOMPARE(good->GetValue(true, true), int64_t(3));
                } catch (const GenICam::GenericException&) {
                    ++failures;
                }
            }
            QVERIFY(failures > 0 || lost <= 0);
            if (lost >= 0) {
                device->Ping();
                QCOMPARE(device->IsLost(), lost == 1);
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(threadCount(), threadsBefore, 20000);
    }

    // A device that answers its control channel but not our reader's socket is
    // read through the control channel: never an empty tree.
    // Devices opened at the same time, as discovery opens them: Aravis parses
    // one device's description at a time (its parser keeps its state in a
    // static variable), and a device that stops answering once it is asked
    // for the control channel holds no other open back, nor is opened again
    // while Aravis still waits for it.
    void opensAtOnce_data()
    {
        QTest::addColumn<FakeGigeDevice::Misbehaviour>("other");
        QTest::addColumn<int>("rounds");
        QTest::addColumn<QString>("refusedAgain"); // the other's refusal after the first round
        QTest::newRow("both honest") << FakeGigeDevice::Misbehaviour::None << 20 << QString();
        QTest::newRow("one pending once in control")
            << FakeGigeDevice::Misbehaviour::PendingOnControl << 2 << "still waiting for it";
    }

    void opensAtOnce()
    {
        QFETCH(FakeGigeDevice::Misbehaviour, other);
        QFETCH(int, rounds);
        QFETCH(QString, refusedAgain);
        QFile file(QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string camera = file.readAll().toStdString();
        FakeGigeDevice honest, second("127.0.0.6");
        honest.setDescription(camera);
        second.setDescription(camera);
        second.setMisbehaviour(other);
        std::string errors[2];
        QVERIFY2(honest.start(&errors[0]) && second.start(&errors[1]), (errors[0] + errors[1]).c_str());
        AravisOpenOptions options;
        options.deadlineMs = 3000;
        for (int round = 0; round < rounds; ++round) {
            std::unique_ptr<CDeviceConnection> opened[2];
            std::thread opening(
                [&] { opened[1] = CDeviceConnection::OpenAravis(second.address(), &errors[1], options); });
            opened[0] = CDeviceConnection::OpenAravis(honest.address(), &errors[0], options);
            opening.join();
            QVERIFY2(opened[0], errors[0].c_str());
            QCOMPARE(bool(opened[1]), other == FakeGigeDevice::Misbehaviour::None);
            if (round > 0 && !refusedAgain.isEmpty())
                QVERIFY2(QString::fromStdString(errors[1]).contains(refusedAgain), errors[1].c_str());
        }
    }

    void readerBypassed()
    {
        FakeGigeDevice fake;
        std::string error;
        std::unique_ptr<CDeviceConnection> device = openHonest(fake, &error);
        QVERIFY2(device, error.c_str());
        CIntegerPtr good(device->GetNodeMap()->GetNode("Good"));
        good->SetValue(5);
        fake.setMisbehaviour(FakeGigeDevice::Misbehaviour::WrongIdExceptController);
        // The first read misses its deadline on our socket and is checked on the
        // control channel, which answers: reads go there from then on.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                try {
                    return good->GetValue(true, true) == 5;
                } catch (const GenICam::GenericException&) {
                    return false;
                }
            }(),
            5000);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(good->GetValue(true, true), int64_t(5));
        QVERIFY(!device->IsLost());
    }
};

QTEST_GUILESS_MAIN(TestGenApiHostile)
#include "test_genapi_hostile.moc"
