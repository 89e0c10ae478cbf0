// Devices opened from the same description text share its parsed record;
// what each one reads, writes and caches stays its own.
#include "fakegigedevice.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

using namespace GenApi;

namespace {

// data/shared-gain.xml with the given display name.
std::string description(const char* displayName)
{
    QFile file(QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/shared-gain.xml"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return file.readAll().replace("@DISPLAY_NAME@", displayName).toStdString();
}

std::unique_ptr<CDeviceConnection> open(const std::string& xml)
{
    std::string error;
    auto device = CDeviceConnection::OpenSimulatedFromText(xml, "shared", &error);
    if (!device)
        qWarning("cannot open the description: %s", error.c_str());
    return device;
}

CIntegerPtr gain(const CDeviceConnection& device)
{
    return CIntegerPtr(device.GetNodeMap()->GetNode("Gain"));
}

} // namespace

class TestGenApiShared : public QObject
{
    Q_OBJECT

private slots:
    void sharing_data()
    {
        QTest::addColumn<QByteArray>("secondName");
        QTest::addColumn<bool>("shared");
        QTest::newRow("same text") << QByteArray("Gain A") << true;
        QTest::newRow("one byte differs") << QByteArray("Gain B") << false;
    }

    // Shared or not, a write to one device is not seen by the other, and
    // each answers its own description's texts.
    void sharing()
    {
        QFETCH(QByteArray, secondName);
        QFETCH(bool, shared);
        auto first = open(description("Gain A"));
        auto second = open(description(secondName.constData()));
        QVERIFY(first && second);
        QCOMPARE(first->SharesDescriptionWith(*second), shared);
        QCOMPARE(second->SharesDescriptionWith(*first), shared);

        gain(*first)->SetValue(42);
        QCOMPARE(gain(*first)->GetValue(), int64_t(42));
        QCOMPARE(gain(*second)->GetValue(), int64_t(5));
        QCOMPARE(gain(*second)->GetValue(false, true), int64_t(5));
        gain(*second)->SetValue(7);
        QCOMPARE(gain(*first)->GetValue(false, true), int64_t(42));

        QCOMPARE(QByteArray(gain(*first)->GetNode()->GetDisplayName().c_str()), QByteArray("Gain A"));
        QCOMPARE(QByteArray(gain(*second)->GetNode()->GetDisplayName().c_str()), secondName);
        QCOMPARE(gain(*second)->GetNode()->GetVisibility(), Beginner);
        QCOMPARE(QByteArray(gain(*second)->GetNode()->GetToolTip().c_str()),
                 QByteArray("Amplification of the signal"));
        QCOMPARE(first->GetDescriptionXml(), description("Gain A"));
        QCOMPARE(second->GetDescriptionXml(), description(secondName.constData()));
    }

    // The shared description lives as long as any device of that text.
    void outlivesTheFirstDevice()
    {
        auto first = open(description("Gain A"));
        auto second = open(description("Gain A"));
        QVERIFY(first && second);
        first.reset();
        gain(*second)->SetValue(9);
        QCOMPARE(gain(*second)->GetValue(false, true), int64_t(9));
        QCOMPARE(QByteArray(gain(*second)->GetNode()->GetDisplayName().c_str()), QByteArray("Gain A"));
        auto third = open(description("Gain A"));
        QVERIFY(third);
        QVERIFY(third->SharesDescriptionWith(*second));
        QCOMPARE(gain(*third)->GetValue(), int64_t(5));
        QCOMPARE(second->GetDescriptionXml(), description("Gain A"));
    }

    // GigE Vision devices of one text share it too, with a simulated one
    // of that text as well; their registers stay their own.
    void gigeDevices()
    {
        FakeGigeDevice firstFake("127.0.0.11");
        FakeGigeDevice secondFake("127.0.0.12");
        std::string error;
        for (FakeGigeDevice* fake : {&firstFake, &secondFake}) {
            fake->setDescription(description("Gain A"));
            fake->setSerial(fake->address());
            QVERIFY2(fake->start(&error), error.c_str());
        }
        auto first = CDeviceConnection::OpenAravis(firstFake.address(), &error);
        QVERIFY2(first, error.c_str());
        auto second = CDeviceConnection::OpenAravis(secondFake.address(), &error);
        QVERIFY2(second, error.c_str());
        auto simulated = open(description("Gain A"));
        QVERIFY(simulated);
        QVERIFY(first->SharesDescriptionWith(*second));
        QVERIFY(simulated->SharesDescriptionWith(*first));

        gain(*first)->SetValue(42);
        QCOMPARE(gain(*first)->GetValue(false, true), int64_t(42));
        QCOMPARE(gain(*second)->GetValue(false, true), int64_t(0));
        QCOMPARE(gain(*simulated)->GetValue(false, true), int64_t(5));
    }
};

QTEST_GUILESS_MAIN(TestGenApiShared)
#include "test_genapi_shared.moc"
